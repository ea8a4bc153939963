// Feeds arbitrary bytes to the SZDD expansion and the cabinet extraction: whatever the input,
// no crash, nothing written outside the scratch folder, and a failed expansion leaves the
// input file exactly as it was.

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "webupdate/transfer/expand.h"

namespace {

// Made once and removed at exit; never destroyed before the exit handler runs.
const std::string& ScratchRoot() {
    static const std::string* root = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/fuzz-expand-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        auto* kept = new std::string(pattern);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(ScratchRoot(), ignored);
        });
        return kept;
    }();
    return *root;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace spisotek::webupdate::transfer;
    const std::string root = ScratchRoot();
    const std::string work = root + "/work";
    std::error_code ignored;
    std::filesystem::remove_all(work, ignored);
    ::mkdir(work.c_str(), 0777);
    const std::string input(reinterpret_cast<const char*>(data), size);

    const std::string packed = work + "/input.da_";
    std::ofstream(packed, std::ios::binary) << input;
    ExpandResult result = ExpandCompressedFile(packed);
    if (result != ExpandResult::kExpanded && ReadAll(packed) != input) {
        std::abort();  // a file that did not expand must stay untouched
    }

    const std::string cab = work + "/input.cab";
    std::ofstream(cab, std::ios::binary) << input;
    ExtractCabinet(cab, work + "/out/");
    if (ReadAll(cab) != input) {
        std::abort();  // extraction never changes the cabinet
    }
    return 0;
}
