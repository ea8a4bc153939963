// Sorting the record store by one field, index upkeep, and key location
// through the sorted store or an index.
//
// The sorted store and every index order records by the field's stored
// value bytes (a null value by whatever its bytes hold, as the scan compares
// it), then by RecId. Key location through them must find exactly the
// record the scan finds: the candidates are the block of sorted entries that
// can match (equal values, or for a partial text key every text between the
// key and the key followed by the highest-weighing character), and each is
// put to the scan's own test.
#include <algorithm>
#include <cstring>

#include "memtable/collation_key.h"
#include "memtable/mem_data.h"
#include "memtable/mem_index.h"
#include "memtable/sort_order.h"
#include "platform/cp1250.h"
#include "platform/text_collator.h"

namespace spisotek {

namespace {

const std::u16string kEmptyWide;

template <typename T>
T LoadValue(const void* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

}  // namespace

// The sort values of one field over the store, by raw index.
class TdxMemData::StoreSortValues : public memtable::TSortValues {
  public:
    StoreSortValues(const TdxMemData& table, const TdxMemField& desc, bool caseInsensitive)
        : table_(table), desc_(desc), caseInsensitive_(caseInsensitive) {
        const int recIdBind = FieldBinding(table.RecIdField());
        recIdOffset_ = recIdBind >= 0
                           ? table.memFields_->items[static_cast<size_t>(recIdBind)].valueOffset
                           : -1;
    }

    int Count() const override { return static_cast<int>(table_.memFields_->records.size()); }

    // The value bytes whatever the null flag says (wide text: its string).
    const void* Value(int raw) const { return table_.SortValueOf(desc_, raw); }

    int CompareAt(int a, int b) const override {
        return table_.CompareValues(Value(a), Value(b), desc_.dataType, caseInsensitive_);
    }
    int32_t RecIdAt(int raw) const override {
        if (recIdOffset_ < 0) {
            return 0;
        }
        return LoadValue<int32_t>(table_.memFields_->records[static_cast<size_t>(raw)] +
                                  recIdOffset_);
    }
    bool SortKeyAt(int raw, std::string& key) const override {
        if (!desc_.isText && !desc_.isWide) {
            return ValueSortKey(Value(raw), desc_.dataType, key);
        }
        ChooseTextKeys();
        if (desc_.isText) {
            const std::string_view text = StoredText(Block(raw), desc_);
            if (maker_ != nullptr) {
                maker_->Make(text, key);
            } else {
                key = platform::TextCollator::User().SortKey(text, caseInsensitive_);
            }
            return true;
        }
        const std::string text = Text(raw);
        if (maker_ != nullptr) {
            maker_->Make(text, key);
        } else {
            key = platform::TextCollator::User().SortKey(text, caseInsensitive_);
        }
        return true;
    }
    bool SortKeyHeads(const memtable::TSortKeyHeadSink& put) const override {
        if (!desc_.isText || keysChosen_) {
            return TSortValues::SortKeyHeads(put);
        }
        // Heads straight from the weights, as long as every text is served;
        // the first that is not hands the whole column to the collator.
        keysChosen_ = true;
        maker_ = memtable::TCollationKeyMaker::ForUser(caseInsensitive_);
        const auto& records = table_.memFields_->records;
        memtable::TSortKeyHead head;
        for (size_t i = 0; i < records.size() && maker_ != nullptr; ++i) {
            if (maker_->MakeHead(StoredText(records[i], desc_), head)) {
                put(static_cast<int>(i), head);
            } else {
                maker_ = nullptr;
            }
        }
        return maker_ != nullptr || TSortValues::SortKeyHeads(put);
    }
    const unsigned char* Block(int raw) const {
        return table_.memFields_->records[static_cast<size_t>(raw)];
    }
    // The value as the collator sees it (text types only).
    std::string Text(int raw) const {
        if (desc_.dataType == ftWideString) {
            return platform::Utf16ToCp1250(*static_cast<const std::u16string*>(Value(raw)));
        }
        return std::string(StoredText(table_.memFields_->records[static_cast<size_t>(raw)], desc_));
    }

  private:
    // Text keys come from per-byte weights when they serve every text of the
    // column, else from the collator. One kind for all, or the order would
    // not hold.
    void ChooseTextKeys() const {
        if (!keysChosen_) {
            maker_ = memtable::TCollationKeyMaker::ForUser(caseInsensitive_);
            for (int i = 0; i < Count() && maker_ != nullptr; ++i) {
                if (!maker_->Serves(desc_.isText ? StoredText(Block(i), desc_)
                                                 : std::string_view(Text(i)))) {
                    maker_ = nullptr;
                }
            }
            keysChosen_ = true;
        }
    }

    const TdxMemData& table_;
    const TdxMemField& desc_;
    bool caseInsensitive_;
    int recIdOffset_ = -1;
    mutable bool keysChosen_ = false;
    mutable const memtable::TCollationKeyMaker* maker_ = nullptr;
};

const void* TdxMemData::SortValueOf(const TdxMemField& desc, int rawIndex) const {
    const unsigned char* block = memFields_->records[static_cast<size_t>(rawIndex)];
    if (desc.isWide) {
        const auto handle = LoadValue<uint32_t>(block + desc.valueOffset);
        return handle == 0 ? &kEmptyWide : &widePool_[handle - 1];
    }
    if (desc.isText) {
        return StoredText(block, desc).data();
    }
    return block + desc.valueOffset;
}

void TdxMemData::SetSortOptions(TdxSortOptions options) {
    if (options == sortOptions_) {
        return;
    }
    sortOptions_ = options;
    ApplySort();
}

void TdxMemData::SetSortedField(std::string_view name) {
    if (name == sortedFieldName_) {
        sortField_ = nullptr;
        if (opened_ && !internalMode_ && !name.empty()) {
            TField* field = FindField(name);
            if (field != nullptr && !field->IsBlob() && FieldBinding(*field) >= 0) {
                sortField_ = field;
            }
        }
        return;
    }
    sortedFieldName_ = std::string(name);
    ApplySort();
}

void TdxMemData::ApplySort() {
    sortField_ = nullptr;
    if (internalMode_ || !opened_ || !memFields_ || sortedFieldName_.empty()) {
        return;
    }
    TField* field = FindField(sortedFieldName_);
    if (field == nullptr || field->IsBlob() || FieldBinding(*field) < 0) {
        return;
    }
    if (State() == dsEdit || State() == dsInsert) {
        CheckBrowseMode();
    }
    sortField_ = field;
    const TdxMemField& desc = memFields_->items[static_cast<size_t>(FieldBinding(*field))];
    const StoreSortValues values(*this, desc, sortOptions_.Contains(soCaseInsensitive));
    PermuteStore(memtable::SortPermutation(values, sortOptions_.Contains(soDesc)));
    indexes_->MarkAllDirty();
    RebuildFilter();
    // Unfiltered, the cursor keeps its position number.
    if (State() == dsBrowse && !filtering_) {
        Resync();
    }
}

void TdxMemData::PermuteStore(const std::vector<int>& order) {
    auto& records = memFields_->records;
    std::vector<unsigned char*> sortedRecords(records.size());
    std::vector<int32_t> sortedIds(recordIds_.size());
    for (size_t i = 0; i < order.size(); ++i) {
        sortedRecords[i] = records[static_cast<size_t>(order[i])];
        sortedIds[i] = recordIds_[static_cast<size_t>(order[i])];
    }
    records.swap(sortedRecords);
    recordIds_.swap(sortedIds);
    if (!blobStrings_.empty()) {
        std::vector<std::unique_ptr<std::vector<std::string>>> sortedBlobs(blobStrings_.size());
        for (size_t i = 0; i < order.size(); ++i) {
            sortedBlobs[i] = std::move(blobStrings_[static_cast<size_t>(order[i])]);
        }
        blobStrings_.swap(sortedBlobs);
    }
}

void TdxMemData::MoveRecord(int from, int to) {
    auto move = [from, to](auto& list) {
        if (list.empty()) {
            return;
        }
        if (from < to) {
            std::rotate(list.begin() + from, list.begin() + from + 1, list.begin() + to + 1);
        } else {
            std::rotate(list.begin() + to, list.begin() + from, list.begin() + from + 1);
        }
    };
    move(memFields_->records);
    move(recordIds_);
    move(blobStrings_);
}

void TdxMemData::PlaceSortedRecord() {
    if (internalMode_ || !opened_ || sortField_ == nullptr || !CursorValid()) {
        return;
    }
    const int count = static_cast<int>(memFields_->records.size());
    if (count < 2) {
        return;
    }
    const TdxMemField& desc = memFields_->items[static_cast<size_t>(FieldBinding(*sortField_))];
    const StoreSortValues values(*this, desc, sortOptions_.Contains(soCaseInsensitive));
    const bool descending = sortOptions_.Contains(soDesc);
    const int current = cursor_;
    auto orderAgainst = [&](int position) {
        return memtable::CompareInOrder(values, current, position, descending);
    };
    // The search is limited to the side the record has to move to.
    int target = current;
    if (current > 0 && orderAgainst(current - 1) < 0) {
        target = memtable::InsertPosition(0, current - 1, orderAgainst);
    } else if (current < count - 1 && orderAgainst(current + 1) > 0) {
        target = memtable::InsertPosition(current + 1, count - 1, orderAgainst) - 1;
    }
    if (target != current) {
        MoveRecord(current, target);
        FilterRecordMoved(current, target);
        cursor_ = target;
        indexes_->MarkAllDirty();
    }
}

void TdxMemData::SaveSortValue(std::vector<unsigned char>& bytes, std::u16string& wide) const {
    bytes.clear();
    wide.clear();
    if (sortField_ == nullptr || !CursorValid()) {
        return;
    }
    const TdxMemField& desc = memFields_->items[static_cast<size_t>(FieldBinding(*sortField_))];
    if (desc.isWide) {
        wide = *static_cast<const std::u16string*>(SortValueOf(desc, cursor_));
    } else if (desc.isText) {
        // Zero-terminated, as CompareValues reads a text.
        const std::string_view text =
            StoredText(memFields_->records[static_cast<size_t>(cursor_)], desc);
        bytes.assign(text.begin(), text.end());
        bytes.push_back(0);
    } else {
        const auto* value = static_cast<const unsigned char*>(SortValueOf(desc, cursor_));
        bytes.assign(value, value + desc.dataSize);
    }
}

bool TdxMemData::SortValueDiffers(const std::vector<unsigned char>& oldBytes,
                                  const std::u16string& oldWide) const {
    if (sortField_ == nullptr || !CursorValid()) {
        return false;
    }
    const TdxMemField& desc = memFields_->items[static_cast<size_t>(FieldBinding(*sortField_))];
    const void* before = desc.isWide ? static_cast<const void*>(&oldWide)
                                     : static_cast<const void*>(oldBytes.data());
    return CompareValues(before, SortValueOf(desc, cursor_), desc.dataType,
                         sortOptions_.Contains(soCaseInsensitive)) != 0;
}

void TdxMemData::AfterInsertPosted() {
    PlaceSortedRecord();
    FilterCheckPosted();
    indexes_->MarkAllDirty();
}

void TdxMemData::AfterEditPosted(const std::vector<unsigned char>& oldSortBytes,
                                 const std::u16string& oldSortWide) {
    if (SortValueDiffers(oldSortBytes, oldSortWide)) {
        PlaceSortedRecord();
    }
    FilterCheckPosted();
    if (!CursorValid()) {
        return;
    }
    const bool caseInsensitive = sortOptions_.Contains(soCaseInsensitive);
    std::unique_ptr<StoreSortValues> values;
    indexes_->RecordEdited(
        cursor_,
        [&](TField& field) -> const memtable::TSortValues* {
            const int bind = FieldBinding(field);
            if (field.IsBlob() || bind < 0) {
                return nullptr;
            }
            values = std::make_unique<StoreSortValues>(
                *this, memFields_->items[static_cast<size_t>(bind)], caseInsensitive);
            return values.get();
        },
        sortOptions_.Contains(soDesc));
}

bool TdxMemData::IndexedSearch(const TField& field, const void* key,
                               const std::function<bool(int rawIndex)>& matches,
                               TLocateOptions options, int& result) {
    const bool caseInsensitive = sortOptions_.Contains(soCaseInsensitive);
    if (filtering_ || options.Contains(loCaseInsensitive) != caseInsensitive || field.IsBlob() ||
        key == nullptr) {
        return false;
    }
    const int bind = FieldBinding(field);
    if (bind < 0) {
        return false;
    }
    const TdxMemField& desc = memFields_->items[static_cast<size_t>(bind)];
    const bool descending = sortOptions_.Contains(soDesc);
    const StoreSortValues values(*this, desc, caseInsensitive);
    const std::vector<int>* entries = nullptr;  // none: the sorted store itself
    if (&field != sortField_) {
        TdxMemIndex* index = indexes_->IndexOf(&field);
        if (index == nullptr || !index->Update(&values, descending)) {
            return false;
        }
        entries = &index->Entries();
    }
    const int count = static_cast<int>(memFields_->records.size());
    auto rawAt = [entries](int position) {
        return entries != nullptr ? (*entries)[static_cast<size_t>(position)] : position;
    };
    auto compareKey = [&](int position) {
        return CompareValues(key, values.Value(rawAt(position)), desc.dataType, caseInsensitive);
    };

    std::pair<int, int> range;
    const bool text = desc.dataType == ftString || desc.dataType == ftWideString;
    if (text && options.Contains(loPartialKey)) {
        const std::string keyText =
            desc.isWide ? platform::Utf16ToCp1250(*static_cast<const std::u16string*>(key))
                        : std::string(static_cast<const char*>(key));
        if (keyText.empty()) {
            if (desc.isWide) {
                // An empty wide key begins every text: the first record.
                result = count > 0 && matches(0) ? 0 : -1;
                return true;
            }
            // An empty text key matches only empty texts.
            range = memtable::EqualRange(count, compareKey, descending);
        } else {
            const std::u16string upper =
                memtable::PrefixUpperBound(platform::Cp1250ToUtf16(keyText));
            const auto& collator = platform::TextCollator::User();
            range = memtable::PrefixRange(
                count, compareKey,
                [&](int position) {
                    return collator.CompareUtf16(
                        upper, platform::Cp1250ToUtf16(values.Text(rawAt(position))),
                        caseInsensitive);
                },
                descending);
        }
    } else {
        range = memtable::EqualRange(count, compareKey, descending);
    }

    // The scan finds the first record in store order: the first candidate of
    // the sorted store, the lowest raw index of an index's candidates.
    result = -1;
    for (int position = range.first; position < range.second; ++position) {
        const int raw = rawAt(position);
        if ((result < 0 || raw < result) && matches(raw)) {
            result = raw;
            if (entries == nullptr) {
                break;
            }
        }
    }
    return true;
}

}  // namespace spisotek
