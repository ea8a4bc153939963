// Filtering through the filter-record event: the filter list holds the raw
// index + 1 of every visible record, in increasing order, and is kept in
// step with inserts, deletes and records moved by the sort order.
#include <algorithm>

#include "memtable/mem_data.h"

namespace spisotek {

void TdxMemData::SetOnFilterRecord(TFilterRecordEvent event) {
    OnFilterRecord = std::move(event);
    RebuildFilter();
}

void TdxMemData::InternalFilterChanged() {
    RebuildFilter();
}

bool TdxMemData::AcceptRecord() {
    bool accept = true;
    if (OnFilterRecord) {
        OnFilterRecord(*this, accept);
    }
    return accept;
}

void TdxMemData::RebuildFilter() {
    if (!opened_ || !memFields_) {
        return;
    }
    DisableControls();
    filterList_.clear();
    const bool applies = Filtered() && static_cast<bool>(OnFilterRecord);
    if (applies) {
        filtering_ = false;
        // Each record is offered as the current one, so fields read it.
        const int count = static_cast<int>(memFields_->records.size());
        const int saved = cursor_;
        try {
            for (int raw = 0; raw < count; ++raw) {
                cursor_ = raw;
                if (AcceptRecord()) {
                    filterList_.push_back(raw + 1);
                }
            }
        } catch (...) {
            cursor_ = saved;
            EnableControls();
            throw;
        }
        cursor_ = saved;
    }
    filtering_ =
        applies || (!filterList_.empty() && filterList_.size() < memFields_->records.size());
    if (filtering_) {
        if (!filterList_.empty()) {
            filterPos_ = 0;
            cursor_ = filterList_[0] - 1;
        } else {
            filterPos_ = -1;
            cursor_ = -1;
        }
    } else {
        filterPos_ = -1;
        cursor_ = memFields_->records.empty() ? -1 : 0;
    }
    if (State() == dsBrowse) {
        if (!filtering_ || filterList_.empty()) {
            InternalFirst();
        }
        Resync();
    }
    EnableControls();
}

int TdxMemData::FilterPositionOf(int rawIndex) const {
    const auto it = std::lower_bound(filterList_.begin(), filterList_.end(), rawIndex + 1);
    return it != filterList_.end() && *it == rawIndex + 1
               ? static_cast<int>(it - filterList_.begin())
               : -1;
}

void TdxMemData::FilterRecordInserted(int rawIndex) {
    if (!filtering_) {
        return;
    }
    // Records from rawIndex on moved one place up in the store.
    const auto at = std::lower_bound(filterList_.begin(), filterList_.end(), rawIndex + 1);
    for (auto it = at; it != filterList_.end(); ++it) {
        ++*it;
    }
    filterPos_ = static_cast<int>(filterList_.insert(at, rawIndex + 1) - filterList_.begin());
}

void TdxMemData::FilterCheckPosted() {
    if (!filtering_ || !CursorValid()) {
        return;
    }
    if (AcceptRecord()) {
        return;
    }
    const int position = FilterPositionOf(cursor_);
    if (position >= 0) {
        filterList_.erase(filterList_.begin() + position);
        filterPos_ = std::min(position, static_cast<int>(filterList_.size()) - 1);
        cursor_ = filterPos_ >= 0 ? filterList_[static_cast<size_t>(filterPos_)] - 1 : -1;
    }
}

void TdxMemData::FilterRecordDeleted(int rawIndex) {
    if (!filtering_) {
        return;
    }
    const auto at = std::lower_bound(filterList_.begin(), filterList_.end(), rawIndex + 1);
    auto later = at;
    if (at != filterList_.end() && *at == rawIndex + 1) {
        later = filterList_.erase(at);
    }
    for (auto it = later; it != filterList_.end(); ++it) {
        --*it;
    }
    const int size = static_cast<int>(filterList_.size());
    if (filterPos_ >= size) {
        filterPos_ = size - 1;
    }
    cursor_ = filterPos_ >= 0 ? filterList_[static_cast<size_t>(filterPos_)] - 1 : -1;
}

void TdxMemData::FilterRecordMoved(int from, int to) {
    if (!filtering_ || from == to) {
        return;
    }
    for (int& entry : filterList_) {
        const int raw = entry - 1;
        if (raw == from) {
            entry = to + 1;
        } else if (from < to && raw > from && raw <= to) {
            entry = raw;  // raw - 1, plus one
        } else if (to < from && raw >= to && raw < from) {
            entry = raw + 2;
        }
    }
    std::sort(filterList_.begin(), filterList_.end());
    const int position = FilterPositionOf(to);
    if (position >= 0) {
        filterPos_ = position;
    }
}

int TdxMemData::VisibleToRaw(int position) const {
    if (!filtering_) {
        return position;
    }
    return position >= 0 && position < static_cast<int>(filterList_.size())
               ? filterList_[static_cast<size_t>(position)] - 1
               : -1;
}

}  // namespace spisotek
