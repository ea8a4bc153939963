// Bookmarks of the memory table: a bookmark is the record id of a record,
// stable while the table is open whatever moves the record.
#include "memtable/mem_data.h"

namespace spisotek {

TBookmark TdxMemData::GetBookmark() const {
    const int32_t id = CurrentRecordId();
    return id < 0 ? TBookmark() : TBookmark(id);
}

void TdxMemData::GotoBookmark(TBookmark bookmark) {
    CheckBrowseMode();
    const int index = bookmark ? FindRecordIndexById(*bookmark) : -1;
    if (index < 0) {
        throw EDatabaseError("Bookmark not found");
    }
    int position = -1;
    if (filtering_) {
        // A hidden record leaves the cursor where it was.
        position = FilterPositionOf(index);
        if (position < 0) {
            return;
        }
    }
    DoBeforeScroll();
    cursor_ = index;
    if (filtering_) {
        filterPos_ = position;
    }
    Resync();
    DoAfterScroll();
}

bool TdxMemData::BookmarkValid(TBookmark bookmark) const {
    if (!bookmark || !opened_) {
        return false;
    }
    const int index = FindRecordIndexById(*bookmark);
    return index >= 0 && (!filtering_ || FilterPositionOf(index) >= 0);
}

int TdxMemData::CompareBookmarks(TBookmark a, TBookmark b) const {
    if (!a || !b) {
        return !a && !b ? 0 : (!a ? 1 : -1);
    }
    if (*a == *b) {
        return 0;
    }
    if (sortField_ != nullptr) {
        // Under a sort field the store order decides, not the ids.
        return FindRecordIndexById(*a) > FindRecordIndexById(*b) ? 1 : -1;
    }
    return *a > *b ? 1 : -1;
}

}  // namespace spisotek
