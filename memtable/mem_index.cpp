#include "memtable/mem_index.h"

#include <algorithm>

#include "memtable/db_error.h"
#include "platform/text_collator.h"

namespace spisotek {

void TdxMemIndex::SetFieldName(std::string_view name) {
    if (owner_->Loading()) {
        loadedName_ = std::string(name);
        return;
    }
    const auto& collator = platform::TextCollator::User();
    if (collator.Equal(fieldName_, name, true) && field_ != nullptr) {
        return;
    }
    // FieldByName raises "<table>: Field 'x' not found".
    TField& field = owner_->Table().FieldByName(name);
    fieldName_ = field.FieldName();
    field_ = &field;
    MarkDirty();
}

void TdxMemIndex::SetSortOptions(TdxSortOptions options) {
    if (options == sortOptions_) {
        return;
    }
    sortOptions_ = options;
    MarkDirty();
}

void TdxMemIndex::MarkDirty() {
    dirty_ = true;
    entries_.clear();
    entries_.shrink_to_fit();
}

void TdxMemIndex::BindField() {
    field_ = fieldName_.empty() ? nullptr : owner_->Table().FindField(fieldName_);
    MarkDirty();
}

void TdxMemIndex::ApplyLoadedName() {
    if (loadedName_.empty()) {
        return;
    }
    fieldName_ = std::move(loadedName_);
    loadedName_.clear();
    BindField();
}

bool TdxMemIndex::Update(const memtable::TSortValues* values, bool descending) {
    if (!dirty_) {
        return true;
    }
    if (field_ == nullptr || values == nullptr) {
        return false;
    }
    entries_ = memtable::SortPermutation(*values, descending);
    dirty_ = false;
    return true;
}

void TdxMemIndex::RecordDeleted(int rawIndex) {
    if (dirty_) {
        return;
    }
    auto gone = std::find(entries_.begin(), entries_.end(), rawIndex);
    if (gone != entries_.end()) {
        entries_.erase(gone);
    }
    for (int& entry : entries_) {
        if (entry > rawIndex) {
            --entry;
        }
    }
}

void TdxMemIndex::RecordEdited(int rawIndex, const memtable::TSortValues& values, bool descending) {
    if (dirty_) {
        return;
    }
    auto it = std::find(entries_.begin(), entries_.end(), rawIndex);
    if (it == entries_.end()) {
        MarkDirty();
        return;
    }
    const size_t position = static_cast<size_t>(it - entries_.begin());
    const bool afterPrevious =
        position == 0 ||
        memtable::CompareInOrder(values, entries_[position - 1], rawIndex, descending) < 0;
    const bool beforeNext =
        position + 1 == entries_.size() ||
        memtable::CompareInOrder(values, rawIndex, entries_[position + 1], descending) < 0;
    if (!afterPrevious || !beforeNext) {
        MarkDirty();
    }
}

TdxMemIndex& TdxMemIndexes::Add() {
    items_.push_back(std::make_unique<TdxMemIndex>(*this));
    return *items_.back();
}

TdxMemIndex& TdxMemIndexes::Item(int index) const {
    if (index < 0 || index >= Count()) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return *items_[static_cast<size_t>(index)];
}

void TdxMemIndexes::Delete(int index) {
    Item(index);
    items_.erase(items_.begin() + index);
}

TdxMemIndex* TdxMemIndexes::IndexOf(const TField* field) const {
    if (field == nullptr) {
        return nullptr;
    }
    for (const auto& item : items_) {
        if (item->Field() == field) {
            return item.get();
        }
    }
    return nullptr;
}

void TdxMemIndexes::EndLoading() {
    loading_ = false;
    for (const auto& item : items_) {
        item->ApplyLoadedName();
    }
}

void TdxMemIndexes::BindFields() {
    for (const auto& item : items_) {
        item->BindField();
    }
}

void TdxMemIndexes::MarkAllDirty() {
    for (const auto& item : items_) {
        item->MarkDirty();
    }
}

void TdxMemIndexes::RecordDeleted(int rawIndex) {
    for (const auto& item : items_) {
        item->RecordDeleted(rawIndex);
    }
}

void TdxMemIndexes::RecordEdited(
    int rawIndex, const std::function<const memtable::TSortValues*(TField&)>& valuesOf,
    bool descending) {
    for (const auto& item : items_) {
        if (item->Dirty()) {
            continue;
        }
        const memtable::TSortValues* values =
            item->Field() != nullptr ? valuesOf(*item->Field()) : nullptr;
        if (values == nullptr) {
            item->MarkDirty();
        } else {
            item->RecordEdited(rawIndex, *values, descending);
        }
    }
}

}  // namespace spisotek
