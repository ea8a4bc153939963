// Arbitrary bytes as the search inputs and data files: both searches must end
// with a page or one of the memory table's errors, never a crash or a hang.
// Input: three lines (surname, locality, street / company) then the file
// bytes, which serve as baza.dat, baza_firm.dat and firmy_2.dat alike.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "memtable/db_error.h"
#include "search/directory_search.h"

namespace {

class NullView : public spisotek::search::SearchView {
  public:
    void LoadPage(const spisotek::search::HtmlPage& page) override { bytes += page.Text().size(); }
    void SetViewerVisible(bool) override {}
    void ShowMessage(const std::string&) override {}
    std::size_t bytes = 0;
};

const std::string& Folder() {
    static const std::string folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "spisotek-fuzz-search-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        return pattern + "/";
    }();
    return folder;
}

std::string_view TakeLine(std::string_view& input) {
    const std::size_t end = input.find('\n');
    const std::string_view line = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace spisotek;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string first(TakeLine(input));
    const std::string second(TakeLine(input));
    const std::string third(TakeLine(input));
    for (const char* name : {"baza.dat", "baza_firm.dat", "firmy_2.dat"}) {
        std::ofstream out(Folder() + name, std::ios::binary | std::ios::trunc);
        out.write(input.data(), static_cast<std::streamsize>(input.size()));
    }
    search::DirectoryTables tables;
    NullView view;
    try {
        search::RunSubscriberSearch(tables, Folder(), {first, second, third}, view);
    } catch (const EDataError&) {
    }
    try {
        search::RunCompanySearch(tables, Folder(), {third, second}, view);
    } catch (const EDataError&) {
    }
    return 0;
}
