// What a search needs of its page: one HTML viewer and the message box.
//
// The window implements it with its widgets (one adapter per search page);
// the command line and the tests implement it without any. All texts are
// Windows-1250 bytes; converting them for display is the implementation's
// business.
#pragma once

#include <string>
#include <string_view>

#include "search/html_page.h"

namespace spisotek::search {

// The texts of one accepted entry, exactly as its entry block shows them.
struct AcceptedEntry {
    std::string_view heading1;   // H1
    std::string_view heading2;   // H2
    std::string_view address;    // A
    std::string_view telephone;  // T
    std::string_view locality;   // M
};

class SearchView {
  public:
    virtual ~SearchView() = default;

    // Clears the viewer's document and loads page.Text() (Windows-1250,
    // lines ended by CR LF) with an empty base reference. Visibility is
    // left as it is.
    virtual void LoadPage(const HtmlPage& page) = 0;
    virtual void SetViewerVisible(bool visible) = 0;
    // A modal message box with this text (Windows-1250); returns when the
    // user has closed it.
    virtual void ShowMessage(const std::string& cp1250Text) = 0;

    // Told of every accepted entry before its block is appended; the page
    // stays the authoritative result. Does nothing unless overridden.
    virtual void EntryAccepted(const AcceptedEntry& /*entry*/) {}
};

// Loads the wait page into the viewer and makes the viewer visible.
void ShowWaitPage(SearchView& view);

}  // namespace spisotek::search
