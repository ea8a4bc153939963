#include "memtable/mem_data.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "memtable/mem_index.h"
#include "memtable/persistent.h"
#include "memtable/value_text.h"
#include "platform/cp1250.h"
#include "platform/text_collator.h"

namespace spisotek {
namespace {

std::string AsciiUpper(std::string_view text) {
    std::string result(text);
    for (char& ch : result) {
        if (ch >= 'a' && ch <= 'z') {
            ch = static_cast<char>(ch - 'a' + 'A');
        }
    }
    return result;
}

template <typename T>
T Load(const void* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

template <typename T>
int Sign(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// A stored date, time or date-time as a date-time, for ordering.
double StoredToDateTime(const void* value, TFieldType type) {
    switch (type) {
        case ftDate:
            return memtable::TimeStampToDateTime({0, Load<int32_t>(value)});
        case ftTime:
            return memtable::TimeStampToDateTime({Load<int32_t>(value), memtable::kDateDelta});
        default:
            return memtable::TimeStampToDateTime(memtable::MSecsToTimeStamp(Load<double>(value)));
    }
}

bool StoredIsZero(const void* value, TFieldType type) {
    if (type == ftDateTime) {
        return Load<double>(value) == 0;
    }
    return Load<int32_t>(value) == 0;
}

}  // namespace

bool TdxMemData::IsSupportedType(TFieldType type) {
    switch (type) {
        case ftString:
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftBoolean:
        case ftFloat:
        case ftCurrency:
        case ftBCD:
        case ftDate:
        case ftTime:
        case ftDateTime:
        case ftAutoInc:
        case ftBlob:
        case ftMemo:
        case ftGraphic:
        case ftFmtMemo:
        case ftParadoxOle:
        case ftDBaseOle:
        case ftTypedBinary:
        case ftWideString:
        case ftLargeint:
            return true;
        default:
            return false;
    }
}

TdxMemData::TdxMemData(std::string name) : TDataSet(std::move(name)) {
    TField& recId = AddField("RecId", ftInteger, 0, fkCalculated);
    recId.SetVisible(false);
    recId.SetName(Name() + "RecId");
    indexes_ = std::make_unique<TdxMemIndexes>(*this);
    persistent_ = std::make_unique<TdxMemPersistent>(*this);
}

TdxMemData::~TdxMemData() = default;

// ---------------------------------------------------------------------------
// Open and close

void TdxMemData::InternalOpen() {
    for (int i = 0; i < FieldCount(); ++i) {
        if (!IsSupportedType(Field(i).DataType())) {
            throw EDatabaseError("Unsupported field type: " + Field(i).FieldName());
        }
    }
    lastRecordId_ = 0;
    cursor_ = -1;
    auto memFields = std::make_unique<TdxMemFields>();
    blobFields_.clear();
    int offset = 0;
    for (int i = 0; i < FieldCount(); ++i) {
        TField& field = Field(i);
        if (field.Calculated()) {
            memFields->calcFields.push_back(&field);
        }
        if (field.IsBlob()) {
            BindField(field, static_cast<int>(blobFields_.size()));
            blobFields_.push_back(&field);
            continue;
        }
        TdxMemField desc;
        desc.field = &field;
        desc.dataType = field.DataType();
        desc.dataSize = field.DataSize();
        desc.offset = offset;
        desc.valueOffset = offset + 1;
        desc.index = static_cast<int>(memFields->items.size());
        desc.isRecId = AsciiUpper(field.FieldName()) == "RECID";
        desc.isAutoInc = desc.isRecId || desc.dataType == ftAutoInc;
        desc.isWide = desc.dataType == ftWideString;
        desc.isText = desc.dataType == ftString;
        // A text slot holds where the text lies and its length.
        desc.slotSize =
            desc.isText ? static_cast<int>(sizeof(const char*) + sizeof(uint32_t)) : desc.dataSize;
        if (desc.isText) {
            desc.textIndex = static_cast<int>(memFields->textFields.size());
            memFields->textFields.push_back(desc.index);
        }
        if (desc.isAutoInc) {
            memFields->autoIncFields.push_back(desc.index);
        }
        if (desc.isWide) {
            desc.wideIndex = static_cast<int>(memFields->wideFields.size());
            memFields->wideFields.push_back(desc.index);
        }
        offset += desc.slotSize + 1;
        BindField(field, desc.index);
        memFields->items.push_back(desc);
    }
    memFields->recordSize = offset;
    memFields->arena.Reset(offset);
    for (RecordBuffer* buffer : {&editBuffer_, &calcBuffer_}) {
        buffer->data.assign(static_cast<size_t>(offset), 0);
        buffer->textRefs.assign(memFields->textFields.size(), std::string_view());
        buffer->texts.assign(memFields->textFields.size(), std::string());
        buffer->wide.assign(memFields->wideFields.size(), std::u16string());
        buffer->blobs.assign(blobFields_.size(), std::string());
    }
    memFields_ = std::move(memFields);
    insertingNew_ = false;
    opened_ = true;
    filterList_.clear();
    filterPos_ = -1;
    filtering_ = false;
    indexes_->BindFields();
    ApplySort();
}

void TdxMemData::InternalClose() {
    memFields_.reset();
    recordIds_.clear();
    recordIds_.shrink_to_fit();
    blobStrings_.clear();
    widePool_.clear();
    wideFree_.clear();
    blobFields_.clear();
    for (int i = 0; i < FieldCount(); ++i) {
        BindField(Field(i), -1);
    }
    lastRecordId_ = 0;
    cursor_ = -1;
    insertingNew_ = false;
    opened_ = false;
    sortField_ = nullptr;
    filterList_.clear();
    filterPos_ = -1;
    filtering_ = false;
    indexes_->MarkAllDirty();
}

// ---------------------------------------------------------------------------
// Navigation

int TdxMemData::RecordCount() {
    if (filtering_) {
        return static_cast<int>(filterList_.size());
    }
    return memFields_ ? static_cast<int>(memFields_->records.size()) : 0;
}

int TdxMemData::RecNo() {
    CheckActive();
    InternalSetToActiveRecord();
    if (cursor_ == -1 && RecordCount() > 0) {
        return 1;
    }
    return filtering_ ? filterPos_ + 1 : cursor_ + 1;
}

void TdxMemData::SetRecNo(int recNo) {
    CheckBrowseMode();
    if (recNo < 1 || recNo > RecordCount()) {
        return;
    }
    DoBeforeScroll();
    cursor_ = VisibleToRaw(recNo - 1);
    if (filtering_) {
        filterPos_ = recNo - 1;
    }
    Resync();
    DoAfterScroll();
}

void TdxMemData::InternalFirst() {
    cursor_ = -1;
    filterPos_ = -1;
}

void TdxMemData::InternalLast() {
    filterPos_ = static_cast<int>(filterList_.size());
    cursor_ = memFields_ ? static_cast<int>(memFields_->records.size()) : 0;
}

TGetResult TdxMemData::GetRecord(TGetMode mode, bool doCheck) {
    if (!memFields_) {
        return grError;
    }
    const int count = RecordCount();
    if (count == 0) {
        return grEOF;
    }
    if (filtering_) {
        // The same rules over the filter list; the cursor follows.
        TGetResult filtered = grOK;
        switch (mode) {
            case gmCurrent:
                filtered = filterPos_ >= 0 && filterPos_ < count ? grOK : grError;
                break;
            case gmNext:
                if (filterPos_ < count - 1) {
                    ++filterPos_;
                } else {
                    filtered = grEOF;
                }
                break;
            case gmPrior:
                if (filterPos_ > 0) {
                    filterPos_ = std::min(filterPos_, count) - 1;
                } else {
                    filtered = grBOF;
                }
                break;
        }
        if (filtered == grOK) {
            cursor_ = filterList_[static_cast<size_t>(filterPos_)] - 1;
        } else if (filtered == grError && doCheck && mode == gmCurrent) {
            throw EDatabaseError("No Records");
        }
        return filtered;
    }
    TGetResult result = grOK;
    switch (mode) {
        case gmCurrent:
            result = cursor_ >= 0 && cursor_ < count ? grOK : grError;
            break;
        case gmNext:
            if (cursor_ < count - 1) {
                ++cursor_;
            } else {
                result = grEOF;
            }
            break;
        case gmPrior:
            if (cursor_ > 0) {
                cursor_ = std::min(cursor_, count) - 1;
            } else {
                result = grBOF;
            }
            break;
    }
    if (result == grError && doCheck && mode == gmCurrent) {
        throw EDatabaseError("No Records");
    }
    return result;
}

int32_t TdxMemData::CurrentRecordId() const {
    if (State() == dsInsert || !CursorValid()) {
        return -1;
    }
    return recordIds_[static_cast<size_t>(cursor_)];
}

int TdxMemData::FindRecordIndexById(int32_t recordId) const {
    if (CursorValid() && recordIds_[static_cast<size_t>(cursor_)] == recordId) {
        return cursor_;
    }
    for (size_t i = 0; i < recordIds_.size(); ++i) {
        if (recordIds_[i] == recordId) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TdxMemData::InternalSetToActiveRecord() {
    if (State() != dsInsert) {
        return;
    }
    switch (editBuffer_.bookmarkFlag) {
        case bfEOF:
            InternalLast();
            break;
        case bfBOF:
            InternalFirst();
            break;
        case bfCurrent:
        case bfInserted: {
            const int index = FindRecordIndexById(editBuffer_.recordId);
            cursor_ = index >= 0 ? index : static_cast<int>(memFields_->records.size());
            if (filtering_ && index >= 0) {
                const int position = FilterPositionOf(index);
                if (position >= 0) {
                    filterPos_ = position;
                }
            }
            break;
        }
    }
}

// ---------------------------------------------------------------------------
// Record buffers and field values

const unsigned char* TdxMemData::ActiveData() const {
    switch (State()) {
        case dsBrowse:
            return CursorValid() ? memFields_->records[static_cast<size_t>(cursor_)] : nullptr;
        case dsEdit:
        case dsInsert:
            return editBuffer_.data.data();
        case dsCalcFields:
            return calcBuffer_.data.data();
        case dsOldValue:
            if (insertingNew_ || !CursorValid()) {
                return nullptr;
            }
            return memFields_->records[static_cast<size_t>(cursor_)];
        default:
            return nullptr;
    }
}

TdxMemData::RecordBuffer* TdxMemData::ActiveBuffer() {
    switch (State()) {
        case dsEdit:
        case dsInsert:
            return &editBuffer_;
        case dsCalcFields:
            return &calcBuffer_;
        default:
            return nullptr;
    }
}

const void* TdxMemData::GetFieldData(const TField& field) const {
    if (!memFields_) {
        return nullptr;
    }
    const int bind = FieldBinding(field);
    if (bind < 0) {
        return nullptr;
    }
    const unsigned char* data = ActiveData();
    if (data == nullptr) {
        return nullptr;
    }
    const bool inStore = data != editBuffer_.data.data() && data != calcBuffer_.data.data();
    if (field.IsBlob()) {
        const std::string* value = nullptr;
        if (!inStore) {
            value = &(data == editBuffer_.data.data() ? editBuffer_ : calcBuffer_)
                         .blobs[static_cast<size_t>(bind)];
        } else {
            const auto& strings = blobStrings_[static_cast<size_t>(cursor_)];
            if (strings) {
                value = &(*strings)[static_cast<size_t>(bind)];
            }
        }
        return value != nullptr && !value->empty() ? value : nullptr;
    }
    const TdxMemField& desc = memFields_->items[static_cast<size_t>(bind)];
    if (data[desc.offset] == 0) {
        return nullptr;
    }
    if (desc.isText) {
        if (inStore) {
            return StoredText(data, desc).data();
        }
        return BufferText(data == editBuffer_.data.data() ? editBuffer_ : calcBuffer_, desc).data();
    }
    if (desc.isWide) {
        if (!inStore) {
            return &(data == editBuffer_.data.data() ? editBuffer_ : calcBuffer_)
                        .wide[static_cast<size_t>(desc.wideIndex)];
        }
        const auto handle = Load<uint32_t>(data + desc.valueOffset);
        static const std::u16string kEmpty;
        return handle == 0 ? &kEmpty : &widePool_[handle - 1];
    }
    return data + desc.valueOffset;
}

void TdxMemData::SetFieldData(TField& field, const void* value) {
    const TDataSetState state = State();
    switch (state) {
        case dsEdit:
        case dsInsert:
        case dsSetKey:
        case dsCalcFields:
        case dsFilter:
        case dsNewValue:
        case dsInternalCalc:
            break;
        default:
            DatabaseError("Dataset not in edit or insert mode");
    }
    RecordBuffer* buffer = ActiveBuffer();
    const int bind = FieldBinding(field);
    const bool keep = buffer != nullptr && bind >= 0 && memFields_ &&
                      !(state == dsCalcFields && field.Calculated());
    if (keep) {
        if (field.IsBlob()) {
            buffer->blobs[static_cast<size_t>(bind)] =
                value != nullptr ? *static_cast<const std::string*>(value) : std::string();
        } else {
            const TdxMemField& desc = memFields_->items[static_cast<size_t>(bind)];
            unsigned char* data = buffer->data.data();
            if (value == nullptr) {
                // The old value goes with the flag, so a cleared field reads
                // as a never-assigned one (empty text, 0) and no key finds it
                // by the value it had.
                data[desc.offset] = 0;
                std::memset(data + desc.valueOffset, 0, static_cast<size_t>(desc.slotSize));
                if (desc.isWide) {
                    buffer->wide[static_cast<size_t>(desc.wideIndex)].clear();
                }
                if (desc.isText) {
                    buffer->texts[static_cast<size_t>(desc.textIndex)].clear();
                    buffer->textRefs[static_cast<size_t>(desc.textIndex)] = std::string_view();
                }
            } else {
                data[desc.offset] = 1;
                if (desc.isWide) {
                    buffer->wide[static_cast<size_t>(desc.wideIndex)] =
                        *static_cast<const std::u16string*>(value);
                } else if (desc.isText) {
                    const auto* text = static_cast<const char*>(value);
                    const auto index = static_cast<size_t>(desc.textIndex);
                    buffer->texts[index].assign(
                        text, strnlen(text, static_cast<size_t>(desc.dataSize - 1)));
                    buffer->textRefs[index] = std::string_view();
                } else {
                    std::memcpy(data + desc.valueOffset, value, static_cast<size_t>(desc.dataSize));
                }
            }
        }
    }
    if (state != dsCalcFields && state != dsFilter && state != dsNewValue) {
        FieldChanged(field);
    }
}

void TdxMemData::StoreText(unsigned char* block, const TdxMemField& desc, std::string_view text) {
    const char* data = text.data();
    const auto length = static_cast<uint32_t>(text.size());
    std::memcpy(block + desc.valueOffset, &data, sizeof data);
    std::memcpy(block + desc.valueOffset + sizeof data, &length, sizeof length);
}

std::string_view TdxMemData::BufferText(const RecordBuffer& buffer, const TdxMemField& desc) const {
    const auto index = static_cast<size_t>(desc.textIndex);
    const std::string_view ref = buffer.textRefs[index];
    return ref.data() != nullptr ? ref : std::string_view(buffer.texts[index]);
}

void TdxMemData::SetTextRef(const TdxMemField& desc, std::string_view text) {
    editBuffer_.data[static_cast<size_t>(desc.offset)] = 1;
    editBuffer_.textRefs[static_cast<size_t>(desc.textIndex)] = text;
    FieldChanged(*desc.field);
}

bool TdxMemData::GetFieldText(const TField& field, std::string_view& text) const {
    const int bind = FieldBinding(field);
    const unsigned char* data = memFields_ && bind >= 0 ? ActiveData() : nullptr;
    if (data == nullptr || field.IsBlob()) {
        return false;
    }
    const TdxMemField& desc = memFields_->items[static_cast<size_t>(bind)];
    if (!desc.isText) {
        return TDataSet::GetFieldText(field, text);
    }
    if (data[desc.offset] == 0) {
        return false;
    }
    if (data == editBuffer_.data.data()) {
        text = BufferText(editBuffer_, desc);
    } else if (data == calcBuffer_.data.data()) {
        text = BufferText(calcBuffer_, desc);
    } else {
        text = StoredText(data, desc);
    }
    return true;
}

void TdxMemData::CopyRecordToBuffer(int rawIndex, RecordBuffer& buffer) const {
    const auto index = static_cast<size_t>(rawIndex);
    const unsigned char* block = memFields_->records[index];
    std::memcpy(buffer.data.data(), block, static_cast<size_t>(memFields_->recordSize));
    // Stored texts never change, so the buffer may point at them.
    for (int descIndex : memFields_->textFields) {
        const TdxMemField& desc = memFields_->items[static_cast<size_t>(descIndex)];
        buffer.textRefs[static_cast<size_t>(desc.textIndex)] = StoredText(block, desc);
        buffer.texts[static_cast<size_t>(desc.textIndex)].clear();
    }
    for (int descIndex : memFields_->wideFields) {
        const TdxMemField& desc = memFields_->items[static_cast<size_t>(descIndex)];
        std::u16string& target = buffer.wide[static_cast<size_t>(desc.wideIndex)];
        const auto handle = Load<uint32_t>(block + desc.valueOffset);
        if (block[desc.offset] != 0 && handle != 0) {
            target = widePool_[handle - 1];
        } else {
            target.clear();
        }
    }
    for (size_t i = 0; i < buffer.blobs.size(); ++i) {
        const auto& strings = blobStrings_[index];
        buffer.blobs[i] = strings ? (*strings)[i] : std::string();
    }
    buffer.recordId = recordIds_[index];
    buffer.bookmarkFlag = bfCurrent;
}

void TdxMemData::ClearCalcFields() {
    if (CursorValid()) {
        CopyRecordToBuffer(cursor_, calcBuffer_);
    } else {
        std::fill(calcBuffer_.data.begin(), calcBuffer_.data.end(), 0);
    }
    if (!memFields_ || memFields_->items.size() < 2) {
        return;
    }
    const auto& calcFields = memFields_->calcFields;
    for (size_t i = 1; i < calcFields.size(); ++i) {
        const int bind = FieldBinding(*calcFields[i]);
        if (bind >= 0 && !calcFields[i]->IsBlob()) {
            calcBuffer_
                .data[static_cast<size_t>(memFields_->items[static_cast<size_t>(bind)].offset)] = 0;
        }
    }
}

// ---------------------------------------------------------------------------
// Texts and wide strings owned by the table

const char* TdxTextHeap::Add(std::string_view text) {
    const size_t needed = text.size() + 1;
    if (needed > left_) {
        const size_t size = std::max(needed, nextChunk_);
        chunks_.push_back(std::make_unique<char[]>(size));
        next_ = chunks_.back().get();
        left_ = size;
        nextChunk_ = std::min<size_t>(nextChunk_ * 2, 16 * 1024 * 1024);
    }
    char* copy = next_;
    std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    next_ += needed;
    left_ -= needed;
    return copy;
}

void TdxTextHeap::Clear() {
    chunks_.clear();
    adopted_.clear();
    next_ = nullptr;
    left_ = 0;
}

uint32_t TdxMemData::NewWideString(std::u16string value) {
    if (!wideFree_.empty()) {
        const uint32_t handle = wideFree_.back();
        wideFree_.pop_back();
        widePool_[handle - 1] = std::move(value);
        return handle;
    }
    widePool_.push_back(std::move(value));
    return static_cast<uint32_t>(widePool_.size());
}

void TdxMemData::ReleaseWideString(uint32_t handle) {
    if (handle == 0) {
        return;
    }
    std::u16string().swap(widePool_[handle - 1]);
    wideFree_.push_back(handle);
}

void TdxMemData::FreeRecordBlock(unsigned char* block) {
    for (int descIndex : memFields_->wideFields) {
        const TdxMemField& desc = memFields_->items[static_cast<size_t>(descIndex)];
        ReleaseWideString(Load<uint32_t>(block + desc.valueOffset));
    }
    memFields_->arena.Free(block);
}

// ---------------------------------------------------------------------------
// Editing

void TdxMemData::InternalInitRecord(TBookmarkFlag flag) {
    std::memset(editBuffer_.data.data(), 0, editBuffer_.data.size());
    std::fill(editBuffer_.textRefs.begin(), editBuffer_.textRefs.end(), std::string_view());
    for (auto& text : editBuffer_.texts) {
        text.clear();
    }
    for (auto& text : editBuffer_.wide) {
        text.clear();
    }
    for (auto& blob : editBuffer_.blobs) {
        blob.clear();
    }
    cursorBeforeInsert_ = cursor_;
    filterPosBeforeInsert_ = filterPos_;
    insertingNew_ = true;
    editBuffer_.bookmarkFlag = flag;
    editBuffer_.recordId =
        flag == bfInserted && CursorValid() ? recordIds_[static_cast<size_t>(cursor_)] : 0;
    const int bind = FieldBinding(RecIdField());
    if (bind >= 0) {
        const TdxMemField& desc = memFields_->items[static_cast<size_t>(bind)];
        const int32_t next = desc.maxIncValue + 1;
        editBuffer_.data[static_cast<size_t>(desc.offset)] = 1;
        std::memcpy(editBuffer_.data.data() + desc.valueOffset, &next, sizeof next);
    }
}

void TdxMemData::InternalEdit() {
    CopyRecordToBuffer(cursor_, editBuffer_);
    insertingNew_ = false;
}

void TdxMemData::ApplyAutoIncrement(unsigned char* block, bool byPost) {
    for (int descIndex : memFields_->autoIncFields) {
        TdxMemField& desc = memFields_->items[static_cast<size_t>(descIndex)];
        int32_t value = Load<int32_t>(block + desc.valueOffset);
        if (value > desc.maxIncValue) {
            desc.maxIncValue = value;
            continue;
        }
        if (internalMode_ && byPost) {
            continue;
        }
        value = ++desc.maxIncValue;
        std::memcpy(block + desc.valueOffset, &value, sizeof value);
        block[desc.offset] = 1;
    }
}

std::string_view TdxMemData::PostedText(const TdxMemField& desc) {
    const auto index = static_cast<size_t>(desc.textIndex);
    const std::string_view ref = editBuffer_.textRefs[index];
    if (ref.data() != nullptr) {
        return ref;
    }
    const std::string& text = editBuffer_.texts[index];
    if (text.empty()) {
        return std::string_view();
    }
    return std::string_view(memFields_->texts.Add(text), text.size());
}

void TdxMemData::InternalPost() {
    TdxMemFields& store = *memFields_;
    const unsigned char* source = editBuffer_.data.data();
    if (State() == dsEdit) {
        std::vector<unsigned char> oldSortBytes;
        std::u16string oldSortWide;
        SaveSortValue(oldSortBytes, oldSortWide);
        unsigned char* block = store.records[static_cast<size_t>(cursor_)];
        for (const TdxMemField& desc : store.items) {
            if (desc.isText) {
                block[desc.offset] = source[desc.offset];
                StoreText(block, desc, PostedText(desc));
                continue;
            }
            if (!desc.isWide) {
                std::memcpy(block + desc.offset, source + desc.offset,
                            static_cast<size_t>(desc.slotSize) + 1);
                continue;
            }
            uint32_t handle = Load<uint32_t>(block + desc.valueOffset);
            if (source[desc.offset] != 0) {
                const std::u16string& text = editBuffer_.wide[static_cast<size_t>(desc.wideIndex)];
                if (handle != 0) {
                    widePool_[handle - 1] = text;
                } else {
                    handle = NewWideString(text);
                }
            } else {
                ReleaseWideString(handle);
                handle = 0;
            }
            block[desc.offset] = source[desc.offset];
            std::memcpy(block + desc.valueOffset, &handle, sizeof handle);
        }
        if (!blobFields_.empty()) {
            auto& strings = blobStrings_[static_cast<size_t>(cursor_)];
            if (!strings) {
                strings = std::make_unique<std::vector<std::string>>();
            }
            *strings = editBuffer_.blobs;
        }
        AfterEditPosted(oldSortBytes, oldSortWide);
        return;
    }
    // A new record: placed at the cursor (after the last record for Append).
    ++lastRecordId_;
    if (cursor_ == -1) {
        cursor_ = 0;
    }
    cursor_ = std::min(cursor_, static_cast<int>(store.records.size()));
    unsigned char* block = store.arena.Allocate();
    std::memcpy(block, source, static_cast<size_t>(store.recordSize));
    for (int descIndex : store.textFields) {
        const TdxMemField& desc = store.items[static_cast<size_t>(descIndex)];
        StoreText(block, desc, PostedText(desc));
    }
    for (int descIndex : store.wideFields) {
        const TdxMemField& desc = store.items[static_cast<size_t>(descIndex)];
        const uint32_t handle =
            block[desc.offset] != 0
                ? NewWideString(editBuffer_.wide[static_cast<size_t>(desc.wideIndex)])
                : 0;
        std::memcpy(block + desc.valueOffset, &handle, sizeof handle);
    }
    ApplyAutoIncrement(block, true);
    const auto position = static_cast<size_t>(cursor_);
    if (position == store.records.size()) {
        store.records.push_back(block);
        recordIds_.push_back(lastRecordId_);
    } else {
        store.records.insert(store.records.begin() + cursor_, block);
        recordIds_.insert(recordIds_.begin() + cursor_, lastRecordId_);
    }
    if (!blobFields_.empty()) {
        auto strings = std::make_unique<std::vector<std::string>>(editBuffer_.blobs);
        blobStrings_.insert(blobStrings_.begin() + cursor_, std::move(strings));
    }
    insertingNew_ = false;
    FilterRecordInserted(cursor_);
    AfterInsertPosted();
}

void TdxMemData::InternalCancel() {
    if (insertingNew_) {
        cursor_ = cursorBeforeInsert_;
        filterPos_ = filterPosBeforeInsert_;
        if (cursor_ >= RecordCount()) {
            cursor_ = RecordCount() - 1;
        }
    }
    insertingNew_ = false;
}

void TdxMemData::InternalDelete() {
    if (!CursorValid()) {
        throw EDatabaseError("No Records");
    }
    TdxMemFields& store = *memFields_;
    const auto position = static_cast<size_t>(cursor_);
    indexes_->RecordDeleted(cursor_);
    FreeRecordBlock(store.records[position]);
    store.records.erase(store.records.begin() + cursor_);
    recordIds_.erase(recordIds_.begin() + cursor_);
    if (!blobFields_.empty()) {
        blobStrings_.erase(blobStrings_.begin() + cursor_);
    }
    if (filtering_) {
        FilterRecordDeleted(static_cast<int>(position));
    } else if (cursor_ >= static_cast<int>(store.records.size())) {
        --cursor_;
    }
    (void)position;
}

// ---------------------------------------------------------------------------
// Events kept quiet while the table loads or recomputes

void TdxMemData::DoBeforeOpen() {
    if (!internalMode_) {
        TDataSet::DoBeforeOpen();
    }
}
void TdxMemData::DoAfterOpen() {
    if (persistent_->Option() == poActive) {
        persistent_->LoadData();
    }
    if (!internalMode_) {
        TDataSet::DoAfterOpen();
    }
}
void TdxMemData::DoBeforeClose() {
    if (!internalMode_) {
        TDataSet::DoBeforeClose();
    }
}
void TdxMemData::DoAfterClose() {
    if (!internalMode_) {
        TDataSet::DoAfterClose();
    }
}
void TdxMemData::DoBeforeInsert() {
    if (!internalMode_) {
        TDataSet::DoBeforeInsert();
    }
}
void TdxMemData::DoAfterInsert() {
    if (!internalMode_) {
        TDataSet::DoAfterInsert();
    }
}
void TdxMemData::DoBeforePost() {
    if (!internalMode_) {
        TDataSet::DoBeforePost();
    }
}
void TdxMemData::DoAfterPost() {
    if (!internalMode_) {
        TDataSet::DoAfterPost();
    }
}
void TdxMemData::DoAfterCancel() {
    if (!internalMode_) {
        TDataSet::DoAfterCancel();
    }
}
void TdxMemData::DoOnNewRecord() {
    if (!internalMode_) {
        TDataSet::DoOnNewRecord();
    }
}

// ---------------------------------------------------------------------------
// Value comparison

int TdxMemData::CompareValues(const void* a, const void* b, TFieldType type,
                              bool caseInsensitive) const {
    if (a == nullptr || b == nullptr) {
        if (a == nullptr && b == nullptr) {
            return 0;
        }
        return a == nullptr ? -1 : 1;
    }
    switch (type) {
        case ftString:
            return platform::TextCollator::User().Compare(
                static_cast<const char*>(a), static_cast<const char*>(b), caseInsensitive);
        case ftWideString:
            return platform::TextCollator::User().Compare(
                platform::Utf16ToCp1250(*static_cast<const std::u16string*>(a)),
                platform::Utf16ToCp1250(*static_cast<const std::u16string*>(b)), caseInsensitive);
        case ftSmallint:
            return Sign(Load<int16_t>(a), Load<int16_t>(b));
        case ftWord:
            return Sign(Load<uint16_t>(a), Load<uint16_t>(b));
        case ftInteger:
        case ftAutoInc:
            return Sign(Load<int32_t>(a), Load<int32_t>(b));
        case ftLargeint:
            return Sign(Load<int64_t>(a), Load<int64_t>(b));
        case ftBoolean:
            return Sign(*static_cast<const unsigned char*>(a),
                        *static_cast<const unsigned char*>(b));
        case ftFloat:
        case ftCurrency:
            return Sign(Load<double>(a), Load<double>(b));
        case ftBCD:
            return Sign(memtable::BcdToCurrency(static_cast<const unsigned char*>(a)),
                        memtable::BcdToCurrency(static_cast<const unsigned char*>(b)));
        case ftDate:
        case ftTime:
        case ftDateTime: {
            const bool zeroA = StoredIsZero(a, type);
            const bool zeroB = StoredIsZero(b, type);
            if (zeroA || zeroB) {
                return zeroA && zeroB ? 0 : (zeroA ? -1 : 1);
            }
            return Sign(StoredToDateTime(a, type), StoredToDateTime(b, type));
        }
        default:
            return 0;
    }
}

namespace {

// Big-endian bytes: their byte order is the number's order.
void AppendOrdered(std::string& key, uint64_t value) {
    for (int shift = 56; shift >= 0; shift -= 8) {
        key.push_back(static_cast<char>(value >> shift));
    }
}

uint64_t OrderedSigned(int64_t value) {
    return static_cast<uint64_t>(value) ^ (uint64_t{1} << 63);
}

uint64_t OrderedDouble(double value) {
    if (std::isnan(value)) {
        return ~uint64_t{0};
    }
    if (value == 0) {
        value = 0;  // -0
    }
    const auto bits = std::bit_cast<uint64_t>(value);
    return (bits >> 63) != 0 ? ~bits : bits | (uint64_t{1} << 63);
}

}  // namespace

bool TdxMemData::ValueSortKey(const void* value, TFieldType type, std::string& key) {
    key.clear();
    switch (type) {
        case ftSmallint:
            AppendOrdered(key, OrderedSigned(Load<int16_t>(value)));
            return true;
        case ftWord:
            AppendOrdered(key, Load<uint16_t>(value));
            return true;
        case ftInteger:
        case ftAutoInc:
            AppendOrdered(key, OrderedSigned(Load<int32_t>(value)));
            return true;
        case ftLargeint:
            AppendOrdered(key, OrderedSigned(Load<int64_t>(value)));
            return true;
        case ftBoolean:
            AppendOrdered(key, *static_cast<const unsigned char*>(value));
            return true;
        case ftFloat:
        case ftCurrency:
            AppendOrdered(key, OrderedDouble(Load<double>(value)));
            return true;
        case ftBCD:
            AppendOrdered(
                key,
                OrderedSigned(memtable::BcdToCurrency(static_cast<const unsigned char*>(value))));
            return true;
        case ftDate:
        case ftTime:
        case ftDateTime:
            // A zero value orders before every other.
            if (StoredIsZero(value, type)) {
                key.push_back('\0');
            } else {
                key.push_back('\1');
                AppendOrdered(key, OrderedDouble(StoredToDateTime(value, type)));
            }
            return true;
        default:
            return false;
    }
}

}  // namespace spisotek
