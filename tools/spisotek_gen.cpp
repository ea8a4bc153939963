// spisotek-gen: writes a program folder's data and list files filled with
// synthetic directory entries.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

#include "tools/directory_generator.h"

namespace {

void PrintUsage() {
    std::fputs(
        "usage: spisotek-gen --out DIR [--subscribers N] [--companies N] [--seed S] "
        "[--subscribers-only]\n",
        stderr);
}

bool ParseCount(const char* text, unsigned long long& value) {
    if (text == nullptr || *text == '\0' || *text == '-') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    value = std::strtoull(text, &end, 10);
    return errno == 0 && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
    spisotek::tools::GeneratorOptions options;
    std::string folder;
    bool companiesGiven = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        unsigned long long number = 0;
        if (std::strcmp(arg, "--out") == 0 && value != nullptr) {
            folder = value;
            ++i;
        } else if (std::strcmp(arg, "--subscribers") == 0 && ParseCount(value, number)) {
            options.subscribers = number;
            ++i;
        } else if (std::strcmp(arg, "--companies") == 0 && ParseCount(value, number)) {
            options.companies = number;
            companiesGiven = true;
            ++i;
        } else if (std::strcmp(arg, "--seed") == 0 && ParseCount(value, number)) {
            options.seed = number;
            ++i;
        } else if (std::strcmp(arg, "--subscribers-only") == 0) {
            options.subscribersOnly = true;
        } else {
            PrintUsage();
            return 64;
        }
    }
    if (folder.empty()) {
        PrintUsage();
        return 64;
    }
    if (folder.back() != '/') {
        folder.push_back('/');
    }
    if (!companiesGiven) {
        options.companies = options.subscribers / 25 < 20 ? 20 : options.subscribers / 25;
    }
    try {
        std::filesystem::create_directories(folder);
        spisotek::tools::GenerateDirectory(folder, options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "spisotek-gen: %s\n", error.what());
        return 1;
    }
    return 0;
}
