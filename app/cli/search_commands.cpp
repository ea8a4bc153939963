// spisotek-cli subscriber / company: the window's searches for the terminal.
//
// Arguments are UTF-8 and become Windows-1250 as the window's controls would
// hold them (surname and street upper-cased as their edits do). The results
// page goes to stdout byte for byte as the viewer receives it; messages go
// to stderr in UTF-8.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

#include "app/cli/commands.h"
#include "platform/cp1250.h"
#include "search/directory_search.h"

namespace spisotek::cli {

namespace {

constexpr int kExitFound = 0;
constexpr int kExitNotFound = 1;
constexpr int kExitMissingInput = 2;
constexpr int kExitLoadFailed = 3;
constexpr int kExitUsage = 64;
constexpr int kExitOutputFailed = 74;

// The folder of the running executable, with its trailing '/'.
std::string ProgramFolder() {
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) {
        return "./";
    }
    path.resize(static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

// A view without widgets: the page goes to stdout unless no starting entry
// was found; with --text the accepted entries are printed instead.
class TerminalView : public search::SearchView {
  public:
    explicit TerminalView(bool text) : text_(text) {}

    // A search loads the wait page first and the results page last.
    void LoadPage(const search::HtmlPage& page) override {
        const bool results = loadedPages_++ > 0;
        if (results && !text_ && !notFound_) {
            for (const std::string& piece : page.Pieces()) {
                std::fwrite(piece.data(), 1, piece.size(), stdout);
            }
        }
    }
    void SetViewerVisible(bool /*visible*/) override {}
    void ShowMessage(const std::string& cp1250Text) override {
        message_ = cp1250Text;
        notFound_ = cp1250Text == search::kNotFoundMessage;
    }
    void EntryAccepted(const search::AcceptedEntry& entry) override {
        if (!text_) {
            return;
        }
        std::string line;
        line.append(entry.heading1).append(" ").append(entry.heading2).append("\t");
        AppendWithoutEntities(line, entry.address);
        line.append("\t").append(entry.telephone).append("\t").append(entry.locality);
        line = platform::Cp1250ToUtf8(line);
        line.push_back('\n');
        std::fwrite(line.data(), 1, line.size(), stdout);
    }

    const std::string& Message() const { return message_; }

  private:
    static void AppendWithoutEntities(std::string& out, std::string_view text) {
        constexpr std::string_view kNbsp = "&nbsp;";
        std::size_t start = 0;
        for (std::size_t at = text.find(kNbsp); at != std::string_view::npos;
             at = text.find(kNbsp, start)) {
            out.append(text.substr(start, at - start)).push_back(' ');
            start = at + kNbsp.size();
        }
        out.append(text.substr(start));
    }

    bool text_;
    bool notFound_ = false;
    int loadedPages_ = 0;
    std::string message_;
};

struct Options {
    std::string dir;
    std::string surname;
    std::string locality;
    std::string street;
    std::string company;
    bool text = false;
};

void PrintUsage(bool subscriber) {
    std::fputs(subscriber ? "usage: spisotek-cli subscriber [--dir DIR] --surname S --locality L "
                            "[--street U] [--text]\n"
                          : "usage: spisotek-cli company [--dir DIR] [--company C] "
                            "[--locality L] [--text]\n",
               stderr);
}

// Returns false on an unknown option or a missing value.
bool ParseOptions(int argc, char** argv, bool subscriber, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--text") {
            options.text = true;
            continue;
        }
        std::string* target = nullptr;
        if (arg == "--dir") {
            target = &options.dir;
        } else if (arg == "--locality") {
            target = &options.locality;
        } else if (subscriber && arg == "--surname") {
            target = &options.surname;
        } else if (subscriber && arg == "--street") {
            target = &options.street;
        } else if (!subscriber && arg == "--company") {
            target = &options.company;
        }
        if (target == nullptr || i + 1 >= argc) {
            return false;
        }
        *target = argv[++i];
    }
    if (options.dir.empty()) {
        options.dir = ProgramFolder();
    } else if (options.dir.back() != '/') {
        options.dir.push_back('/');
    }
    return true;
}

int Finish(const search::SearchResult& result, const TerminalView& view) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("spisotek-cli: cannot write the results\n", stderr);
        return kExitOutputFailed;
    }
    switch (result.outcome) {
        case search::SearchOutcome::kShown:
            return kExitFound;
        case search::SearchOutcome::kNotFound:
            std::fprintf(stderr, "%s\n", platform::Cp1250ToUtf8(view.Message()).c_str());
            return kExitNotFound;
        case search::SearchOutcome::kMissingInput:
            std::fprintf(stderr, "%s\n", platform::Cp1250ToUtf8(view.Message()).c_str());
            return kExitMissingInput;
    }
    return kExitFound;
}

template <typename Run>
int RunSearch(const Options& options, Run run) {
    TerminalView view(options.text);
    search::SearchResult result;
    try {
        search::DirectoryTables tables;
        result = run(tables, view);
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", search::ErrorTextToUtf8(error.what()).c_str());
        return kExitLoadFailed;
    }
    return Finish(result, view);
}

}  // namespace

int RunSubscriberCommand(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, true, options)) {
        PrintUsage(true);
        return kExitUsage;
    }
    search::SubscriberInput input;
    input.surname = platform::ToUpperCp1250(platform::Utf8ToCp1250(options.surname));
    input.locality = platform::Utf8ToCp1250(options.locality);
    input.street = platform::ToUpperCp1250(platform::Utf8ToCp1250(options.street));
    return RunSearch(options, [&](search::DirectoryTables& tables, TerminalView& view) {
        return search::RunSubscriberSearch(tables, options.dir, input, view);
    });
}

int RunCompanyCommand(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, false, options)) {
        PrintUsage(false);
        return kExitUsage;
    }
    search::CompanyInput input;
    input.company = platform::Utf8ToCp1250(options.company);
    input.locality = platform::Utf8ToCp1250(options.locality);
    return RunSearch(options, [&](search::DirectoryTables& tables, TerminalView& view) {
        return search::RunCompanySearch(tables, options.dir, input, view);
    });
}

}  // namespace spisotek::cli
