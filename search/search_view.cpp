#include "search/search_view.h"

namespace spisotek::search {

void ShowWaitPage(SearchView& view) {
    const HtmlPage page = BuildWaitPage();
    view.LoadPage(page);
    view.SetViewerVisible(true);
}

}  // namespace spisotek::search
