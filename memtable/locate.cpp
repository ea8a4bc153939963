// Key location: Locate, Lookup and FindRecNoByValue share one search that
// converts the key values to their fields' stored form once and then scans
// the records in visible order.
#include <cstring>

#include "memtable/mem_data.h"
#include "memtable/value_text.h"
#include "platform/cp1250.h"
#include "platform/text_collator.h"

namespace spisotek {

struct TdxMemData::KeyValue {
    const TdxMemField* desc = nullptr;  // none: a blob key, which matches every record
    bool isNull = false;
    std::string text;     // ftString
    std::u16string wide;  // ftWideString
    unsigned char bytes[memtable::kBcdSize] = {};

    const void* Stored() const {
        if (isNull) {
            return nullptr;
        }
        if (desc->dataType == ftString) {
            return text.c_str();
        }
        if (desc->dataType == ftWideString) {
            return &wide;
        }
        return bytes;
    }
};

namespace {

std::string_view TrimName(std::string_view name) {
    while (!name.empty() && static_cast<unsigned char>(name.front()) <= ' ') {
        name.remove_prefix(1);
    }
    while (!name.empty() && static_cast<unsigned char>(name.back()) <= ' ') {
        name.remove_suffix(1);
    }
    return name;
}

template <typename T>
void Store(unsigned char* bytes, T value) {
    std::memcpy(bytes, &value, sizeof value);
}

}  // namespace

std::vector<TField*> TdxMemData::ResolveKeyFields(std::string_view keyFields) const {
    std::vector<TField*> fields;
    size_t position = 0;
    while (position < keyFields.size()) {
        size_t end = position;
        while (end < keyFields.size() && keyFields[end] != ';') {
            ++end;
        }
        fields.push_back(&FieldByName(TrimName(keyFields.substr(position, end - position))));
        position = end < keyFields.size() ? end + 1 : end;
    }
    if (fields.empty()) {
        throw EDatabaseError("Field '" + std::string(keyFields) + "' not found");
    }
    return fields;
}

TdxMemData::KeyValue TdxMemData::ConvertKey(const TdxMemField* desc, const TVariant& value) const {
    KeyValue key;
    key.desc = desc;
    if (desc == nullptr) {
        return key;
    }
    if (value.IsNull()) {
        key.isNull = true;
        return key;
    }
    switch (desc->dataType) {
        case ftString:
            key.text = value.AsString();
            if (key.text.size() > static_cast<size_t>(desc->dataSize)) {
                key.text.resize(static_cast<size_t>(desc->dataSize));
            }
            break;
        case ftWideString: {
            key.wide = value.AsWideString();
            const auto limit = static_cast<size_t>(desc->field->Size() / 2);
            if (key.wide.size() > limit) {
                key.wide.resize(limit);
            }
            break;
        }
        case ftSmallint:
            Store(key.bytes, static_cast<int16_t>(value.AsInteger()));
            break;
        case ftWord:
            Store(key.bytes, static_cast<uint16_t>(value.AsInteger()));
            break;
        case ftInteger:
        case ftAutoInc:
            Store(key.bytes, value.AsInteger());
            break;
        case ftLargeint:
            Store(key.bytes, value.AsInt64());
            break;
        case ftBoolean:
            Store(key.bytes, static_cast<uint16_t>(value.AsBoolean() ? 0xFFFF : 0));
            break;
        case ftFloat:
        case ftCurrency:
            Store(key.bytes, value.AsDouble());
            break;
        case ftBCD:
            memtable::CurrencyToBcd(value.AsCurrency(), key.bytes);
            break;
        case ftDate:
        case ftTime:
        case ftDateTime: {
            const memtable::TimeStamp stamp = memtable::DateTimeToTimeStamp(value.AsDateTime());
            if (desc->dataType == ftDate) {
                Store(key.bytes, stamp.date);
            } else if (desc->dataType == ftTime) {
                Store(key.bytes, stamp.time);
            } else {
                Store(key.bytes, memtable::TimeStampToMSecs(stamp));
            }
            break;
        }
        default:
            break;
    }
    return key;
}

bool TdxMemData::MatchKey(const KeyValue& key, int rawIndex, TLocateOptions options) const {
    const TdxMemField* desc = key.desc;
    if (desc == nullptr) {
        return true;
    }
    const unsigned char* block = memFields_->records[static_cast<size_t>(rawIndex)];
    const bool recordNull = block[desc->offset] == 0;
    if (key.isNull) {
        return recordNull;
    }
    // A null record value takes part with its value bytes (zero when it
    // never held a value).
    const unsigned char* value = block + desc->valueOffset;
    const bool caseInsensitive = options.Contains(loCaseInsensitive);
    const bool partial = options.Contains(loPartialKey);
    if (desc->isText) {
        const std::string_view text = StoredText(block, *desc);
        if (options.Empty()) {
            return CompareValues(key.text.c_str(), text.data(), ftString, false) == 0;
        }
        const size_t k = key.text.size();
        const size_t n = text.size();
        if (n < k) {
            return false;  // the record's text is shorter than the key
        }
        if (n > k && !(partial && k > 0)) {
            return false;
        }
        return platform::TextCollator::User().Equal(key.text, text.substr(0, k), caseInsensitive);
    }
    if (desc->dataType == ftWideString) {
        static const std::u16string kEmpty;
        uint32_t handle = 0;
        std::memcpy(&handle, value, sizeof handle);
        const std::u16string& text = handle == 0 ? kEmpty : widePool_[handle - 1];
        if (options.Empty()) {
            return CompareValues(&key.wide, &text, ftWideString, false) == 0;
        }
        const size_t k = key.wide.size();
        if (k == text.size()) {
            return CompareValues(&key.wide, &text, ftWideString, caseInsensitive) == 0;
        }
        if (k < text.size() && partial) {
            const std::u16string prefix = text.substr(0, k);
            return CompareValues(&key.wide, &prefix, ftWideString, caseInsensitive) == 0;
        }
        return false;
    }
    return CompareValues(key.Stored(), value, desc->dataType, caseInsensitive) == 0;
}

int TdxMemData::SearchRecord(std::string_view keyFields, const TVariant& keyValues,
                             TLocateOptions options) {
    const std::vector<TField*> fields = ResolveKeyFields(keyFields);
    if (RecordCount() == 0) {
        return -1;
    }
    const TField* whole = FindField(keyFields);
    if (whole == nullptr && !keyValues.IsArray()) {
        return -1;
    }
    CheckBrowseMode();

    std::vector<KeyValue> keys;
    keys.reserve(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        const TVariant& value = whole != nullptr ? (keyValues.IsArray() ? keyValues[0] : keyValues)
                                                 : keyValues[static_cast<int>(i)];
        const int bind = FieldBinding(*fields[i]);
        const TdxMemField* desc = fields[i]->IsBlob() || bind < 0
                                      ? nullptr
                                      : &memFields_->items[static_cast<size_t>(bind)];
        keys.push_back(ConvertKey(desc, value));
    }
    // A single key field that keeps the store sorted or has an index is
    // searched by bisection; it finds what the scan would.
    if (whole != nullptr && fields.size() == 1 && fields[0] == whole && keys[0].desc != nullptr &&
        !keys[0].isNull) {
        const KeyValue& key = keys[0];
        int found = -1;
        if (IndexedSearch(
                *whole, key.Stored(), [&](int raw) { return MatchKey(key, raw, options); }, options,
                found)) {
            return found;
        }
    }
    const int count = RecordCount();
    for (int raw = 0; raw < count; ++raw) {
        bool match = true;
        for (const KeyValue& key : keys) {
            if (!MatchKey(key, VisibleToRaw(raw), options)) {
                match = false;
                break;
            }
        }
        if (match) {
            return raw;
        }
    }
    return -1;
}

bool TdxMemData::Locate(std::string_view keyFields, const TVariant& keyValues,
                        TLocateOptions options) {
    const int position = SearchRecord(keyFields, keyValues, options);
    if (position < 0) {
        return false;
    }
    if (position + 1 == RecNo()) {
        Resync();
    } else {
        SetRecNo(position + 1);
    }
    return true;
}

TVariant TdxMemData::Lookup(std::string_view keyFields, const TVariant& keyValues,
                            std::string_view resultField) {
    TField* result = FindField(resultField);
    if (result == nullptr) {
        return TVariant(false);
    }
    const bool isText = result->DataType() == ftString || result->DataType() == ftWideString;
    const int position = SearchRecord(keyFields, keyValues, TLocateOptions{});
    if (position < 0) {
        return isText ? TVariant(std::string()) : TVariant(false);
    }
    if (FieldBinding(*result) < 0) {
        return TVariant();
    }
    // Read the found record through the field without moving the cursor.
    const int saved = cursor_;
    cursor_ = VisibleToRaw(position);
    TVariant value;
    try {
        value = result->Value();
        if (result->IsBlob() && value.IsNull()) {
            value = TVariant(std::string());
        }
    } catch (...) {
        cursor_ = saved;
        throw;
    }
    cursor_ = saved;
    return value;
}

int TdxMemData::FindRecNoByValue(const TVariant& value, std::string_view fieldName) {
    TField* field = FindField(fieldName);
    if (field == nullptr || field->IsBlob() || FieldBinding(*field) < 0) {
        return -1;
    }
    const TdxMemField& desc = memFields_->items[static_cast<size_t>(FieldBinding(*field))];
    // The field itself brings the value into its stored form.
    std::vector<unsigned char> stored;
    std::string text;
    std::u16string wide;
    bool isNull = true;
    DisableControls();
    try {
        Insert();
        field->SetValue(value);
        const void* data = GetFieldData(*field);
        isNull = data == nullptr;
        if (!isNull && desc.isWide) {
            wide = *static_cast<const std::u16string*>(data);
        } else if (!isNull && desc.isText) {
            text = static_cast<const char*>(data);
        } else if (!isNull) {
            const auto* bytes = static_cast<const unsigned char*>(data);
            stored.assign(bytes, bytes + desc.dataSize);
        }
        Cancel();
    } catch (...) {
        Cancel();
        EnableControls();
        throw;
    }
    EnableControls();
    const void* key = nullptr;
    if (!isNull) {
        key = desc.isWide   ? static_cast<const void*>(&wide)
              : desc.isText ? static_cast<const void*>(text.c_str())
                            : static_cast<const void*>(stored.data());
    }
    const bool caseInsensitive = sortOptions_.Contains(soCaseInsensitive);
    static const std::u16string kEmpty;
    const auto& records = memFields_->records;
    for (size_t raw = 0; raw < records.size(); ++raw) {
        const unsigned char* block = records[raw];
        const void* recordValue = nullptr;
        if (block[desc.offset] != 0) {
            if (desc.isText) {
                recordValue = StoredText(block, desc).data();
            } else if (desc.isWide) {
                uint32_t handle = 0;
                std::memcpy(&handle, block + desc.valueOffset, sizeof handle);
                recordValue = handle == 0 ? &kEmpty : &widePool_[handle - 1];
            } else {
                recordValue = block + desc.valueOffset;
            }
        }
        if (CompareValues(key, recordValue, desc.dataType, caseInsensitive) == 0) {
            return static_cast<int>(raw) + 1;
        }
    }
    return -1;
}

}  // namespace spisotek
