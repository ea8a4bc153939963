// One subscriber search over a program folder, as the window runs it, for
// timing against other tools: search_job DIR SURNAME LOCALITY [STREET].
// Arguments are Windows-1250 or ASCII; prints the number of accepted entries.
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>

#include "search/directory_search.h"

namespace {

class CountingView : public spisotek::search::SearchView {
  public:
    void LoadPage(const spisotek::search::HtmlPage& page) override { bytes_ = page.Size(); }
    void SetViewerVisible(bool) override {}
    void ShowMessage(const std::string&) override {}
    std::size_t bytes_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: search_job DIR SURNAME LOCALITY [STREET]\n", stderr);
        return 64;
    }
    std::string folder = argv[1];
    if (folder.back() != '/') {
        folder.push_back('/');
    }
    const spisotek::search::SubscriberInput input{argv[2], argv[3], argc > 4 ? argv[4] : ""};
    try {
        spisotek::search::DirectoryTables tables;
        CountingView view;
        const auto start = std::chrono::steady_clock::now();
        const auto result = spisotek::search::RunSubscriberSearch(tables, folder, input, view);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        std::printf("accepted %zu, page %zu bytes, %.3f s\n", result.acceptedEntries, view.bytes_,
                    std::chrono::duration<double>(elapsed).count());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 3;
    }
    return 0;
}
