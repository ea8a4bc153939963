#include "memtable/field.h"

#include <cstring>
#include <limits>

#include "memtable/dataset.h"
#include "memtable/db_error.h"
#include "memtable/value_text.h"
#include "platform/cp1250.h"

namespace spisotek {
namespace {

template <typename T>
T Load(const unsigned char* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

bool StartsWithNoCase(std::string_view whole, std::string_view part) {
    if (part.size() > whole.size()) {
        return false;
    }
    for (size_t i = 0; i < part.size(); ++i) {
        char a = whole[i];
        char b = part[i];
        if (a >= 'a' && a <= 'z') {
            a = static_cast<char>(a - 'a' + 'A');
        }
        if (b >= 'a' && b <= 'z') {
            b = static_cast<char>(b - 'a' + 'A');
        }
        if (a != b) {
            return false;
        }
    }
    return true;
}

}  // namespace

const char* FieldTypeName(TFieldType type) {
    static const char* const kNames[] = {
        "ftUnknown",    "ftString",     "ftSmallint", "ftInteger",     "ftWord",      "ftBoolean",
        "ftFloat",      "ftCurrency",   "ftBCD",      "ftDate",        "ftTime",      "ftDateTime",
        "ftBytes",      "ftVarBytes",   "ftAutoInc",  "ftBlob",        "ftMemo",      "ftGraphic",
        "ftFmtMemo",    "ftParadoxOle", "ftDBaseOle", "ftTypedBinary", "ftCursor",    "ftFixedChar",
        "ftWideString", "ftLargeint",   "ftADT",      "ftArray",       "ftReference", "ftDataSet",
        "ftOraBlob",    "ftOraClob",    "ftVariant",  "ftInterface",   "ftIDispatch", "ftGuid",
        "ftTimeStamp",  "ftFMTBcd"};
    const auto index = static_cast<size_t>(type);
    return index < std::size(kNames) ? kNames[index] : "ftUnknown";
}

int FieldDataSize(TFieldType type, int size) {
    switch (type) {
        case ftString:
            return size + 1;
        case ftSmallint:
        case ftWord:
        case ftBoolean:
            return 2;
        case ftInteger:
        case ftAutoInc:
        case ftDate:
        case ftTime:
        case ftWideString:
            return 4;
        case ftFloat:
        case ftCurrency:
        case ftDateTime:
        case ftLargeint:
            return 8;
        case ftBCD:
            return memtable::kBcdSize;
        default:
            return 0;
    }
}

bool IsBlobType(TFieldType type) {
    return type >= ftBlob && type <= ftTypedBinary;
}

TField::TField(TDataSet& dataSet, std::string fieldName, TFieldType type, int size, TFieldKind kind)
    : dataSet_(&dataSet),
      fieldName_(std::move(fieldName)),
      dataType_(type),
      size_(size),
      fieldKind_(kind) {
    if (size_ < 0) {
        size_ = 0;
    }
    if (dataType_ == ftString && size_ == 0) {
        size_ = 20;
    }
    if (dataType_ == ftBCD && size_ == 0) {
        size_ = 4;
    }
}

const unsigned char* TField::ValueBytes() const {
    return static_cast<const unsigned char*>(dataSet_->GetFieldData(*this));
}

void TField::SetValueBytes(const void* bytes) {
    dataSet_->SetFieldData(*this, bytes);
}

void TField::ThrowConvert(std::string_view text, const char* kind) const {
    throw EConvertError("'" + std::string(text) + "' is not a valid " + kind +
                        " value for field '" + DisplayName() + "'");
}

void TField::CheckRange(int64_t value, int64_t low, int64_t high) const {
    if (value < low || value > high) {
        throw EDatabaseError(std::to_string(value) + " is not a valid value for field '" +
                             DisplayName() + "'. The allowed range is " + std::to_string(low) +
                             " to " + std::to_string(high));
    }
}

bool TField::IsNull() const {
    return dataSet_->GetFieldData(*this) == nullptr;
}

std::string_view TField::AsStringView() const {
    if (dataType_ == ftString) {
        std::string_view text;
        dataSet_->GetFieldText(*this, text);
        return text;
    }
    textCache_ = AsString();
    return textCache_;
}

std::string TField::AsString() const {
    if (dataType_ == ftString) {
        std::string_view text;
        dataSet_->GetFieldText(*this, text);
        return std::string(text);
    }
    const void* data = dataSet_->GetFieldData(*this);
    if (data == nullptr) {
        return {};
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    switch (dataType_) {
        case ftString: {
            const auto* text = static_cast<const char*>(data);
            return std::string(text, strnlen(text, static_cast<size_t>(size_) + 1));
        }
        case ftWideString:
            return platform::Utf16ToCp1250(*static_cast<const std::u16string*>(data));
        case ftSmallint:
            return std::to_string(Load<int16_t>(bytes));
        case ftWord:
            return std::to_string(Load<uint16_t>(bytes));
        case ftInteger:
        case ftAutoInc:
            return std::to_string(Load<int32_t>(bytes));
        case ftLargeint:
            return std::to_string(Load<int64_t>(bytes));
        case ftBoolean:
            return bytes[0] != 0 ? "True" : "False";
        case ftFloat:
        case ftCurrency:
            return memtable::FormatFloat(Load<double>(bytes));
        case ftBCD:
            return memtable::FormatCurrency(memtable::BcdToCurrency(bytes));
        case ftDate:
            return memtable::FormatDate(AsDateTime());
        case ftTime:
            return memtable::FormatTime(AsDateTime());
        case ftDateTime:
            return memtable::FormatDateTime(AsDateTime());
        default:
            if (IsBlob()) {
                return *static_cast<const std::string*>(data);
            }
            return {};
    }
}

void TField::SetAsString(std::string_view text) {
    switch (dataType_) {
        case ftString: {
            // The stored form is zero-terminated: at most Size() characters.
            const size_t length = std::min(text.size(), static_cast<size_t>(size_));
            char small[256];
            std::string large;
            char* buffer = small;
            if (length + 1 > sizeof small) {
                large.resize(length + 1);
                buffer = large.data();
            }
            std::memcpy(buffer, text.data(), length);
            buffer[length] = '\0';
            SetValueBytes(buffer);
            return;
        }
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
        case ftLargeint: {
            if (text.empty()) {
                Clear();
                return;
            }
            const auto value = memtable::ParseInteger(text);
            if (!value ||
                (dataType_ != ftLargeint && (*value < std::numeric_limits<int32_t>::min() ||
                                             *value > std::numeric_limits<int32_t>::max()))) {
                ThrowConvert(text, "integer");
            }
            SetAsLargeInt(*value);
            return;
        }
        case ftBoolean: {
            if (text.empty()) {
                Clear();
                return;
            }
            if (StartsWithNoCase("False", text)) {
                SetAsBoolean(false);
            } else if (StartsWithNoCase("True", text)) {
                SetAsBoolean(true);
            } else {
                ThrowConvert(text, "boolean");
            }
            return;
        }
        case ftFloat:
        case ftCurrency: {
            if (text.empty()) {
                Clear();
                return;
            }
            const auto value = memtable::ParseFloat(text);
            if (!value) {
                ThrowConvert(text, "floating point");
            }
            SetAsFloat(*value);
            return;
        }
        case ftBCD: {
            if (text.empty()) {
                Clear();
                return;
            }
            const auto value = memtable::ParseCurrency(text);
            if (!value) {
                ThrowConvert(text, "floating point");
            }
            SetAsCurrency(*value);
            return;
        }
        case ftDate:
        case ftTime:
        case ftDateTime: {
            if (text.empty()) {
                Clear();
                return;
            }
            const auto value = memtable::ParseDateTime(text);
            if (!value) {
                const char* kind = dataType_ == ftDate   ? "date"
                                   : dataType_ == ftTime ? "time"
                                                         : "date and time";
                throw EConvertError("'" + std::string(text) + "' is not a valid " + kind);
            }
            SetAsDateTime(*value);
            return;
        }
        case ftWideString:
            SetAsWideString(platform::Cp1250ToUtf16(text));
            return;
        default:
            if (IsBlob()) {
                const std::string value(text);
                SetValueBytes(&value);
                return;
            }
            throw EDatabaseError("Field '" + DisplayName() + "' cannot be modified");
    }
}

int64_t TField::AsLargeInt() const {
    const unsigned char* bytes = ValueBytes();
    if (bytes == nullptr) {
        return 0;
    }
    switch (dataType_) {
        case ftSmallint:
            return Load<int16_t>(bytes);
        case ftWord:
            return Load<uint16_t>(bytes);
        case ftInteger:
        case ftAutoInc:
            return Load<int32_t>(bytes);
        case ftLargeint:
            return Load<int64_t>(bytes);
        default:
            return Value().AsInt64();
    }
}

void TField::SetAsLargeInt(int64_t value) {
    switch (dataType_) {
        case ftSmallint: {
            CheckRange(value, -32768, 32767);
            const auto stored = static_cast<int16_t>(value);
            SetValueBytes(&stored);
            return;
        }
        case ftWord: {
            CheckRange(value, 0, 65535);
            const auto stored = static_cast<uint16_t>(value);
            SetValueBytes(&stored);
            return;
        }
        case ftInteger:
        case ftAutoInc: {
            CheckRange(value, std::numeric_limits<int32_t>::min(),
                       std::numeric_limits<int32_t>::max());
            const auto stored = static_cast<int32_t>(value);
            SetValueBytes(&stored);
            return;
        }
        case ftLargeint:
            SetValueBytes(&value);
            return;
        default:
            SetValue(TVariant(value));
    }
}

int32_t TField::AsInteger() const {
    const int64_t value = AsLargeInt();
    if (value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max()) {
        throw EConvertError("'" + std::to_string(value) + "' is not a valid integer value");
    }
    return static_cast<int32_t>(value);
}

void TField::SetAsInteger(int32_t value) {
    SetAsLargeInt(value);
}

double TField::AsFloat() const {
    const unsigned char* bytes = ValueBytes();
    if (bytes == nullptr) {
        return 0;
    }
    if (dataType_ == ftFloat || dataType_ == ftCurrency) {
        return Load<double>(bytes);
    }
    return Value().AsDouble();
}

void TField::SetAsFloat(double value) {
    switch (dataType_) {
        case ftFloat:
        case ftCurrency:
            SetValueBytes(&value);
            return;
        default:
            SetValue(TVariant(value));
    }
}

bool TField::AsBoolean() const {
    const unsigned char* bytes = ValueBytes();
    if (bytes == nullptr) {
        return false;
    }
    if (dataType_ == ftBoolean) {
        return bytes[0] != 0;
    }
    return Value().AsBoolean();
}

void TField::SetAsBoolean(bool value) {
    if (dataType_ == ftBoolean) {
        const uint16_t stored = value ? 0xFFFF : 0;
        SetValueBytes(&stored);
        return;
    }
    SetValue(TVariant(value));
}

double TField::AsDateTime() const {
    const unsigned char* bytes = ValueBytes();
    if (bytes == nullptr) {
        return 0;
    }
    switch (dataType_) {
        case ftDate:
            return memtable::TimeStampToDateTime({0, Load<int32_t>(bytes)});
        case ftTime:
            return memtable::TimeStampToDateTime({Load<int32_t>(bytes), memtable::kDateDelta});
        case ftDateTime:
            return memtable::TimeStampToDateTime(memtable::MSecsToTimeStamp(Load<double>(bytes)));
        default:
            return Value().AsDateTime();
    }
}

void TField::SetAsDateTime(double value) {
    switch (dataType_) {
        case ftDate: {
            const int32_t stored = memtable::DateTimeToTimeStamp(value).date;
            SetValueBytes(&stored);
            return;
        }
        case ftTime: {
            const int32_t stored = memtable::DateTimeToTimeStamp(value).time;
            SetValueBytes(&stored);
            return;
        }
        case ftDateTime: {
            const double stored = memtable::TimeStampToMSecs(memtable::DateTimeToTimeStamp(value));
            SetValueBytes(&stored);
            return;
        }
        default:
            SetValue(TVariant::FromDateTime(value));
    }
}

int64_t TField::AsCurrency() const {
    const unsigned char* bytes = ValueBytes();
    if (bytes == nullptr) {
        return 0;
    }
    if (dataType_ == ftBCD) {
        return memtable::BcdToCurrency(bytes);
    }
    return Value().AsCurrency();
}

void TField::SetAsCurrency(int64_t scaled) {
    if (dataType_ == ftBCD) {
        unsigned char bcd[memtable::kBcdSize];
        memtable::CurrencyToBcd(scaled, bcd);
        SetValueBytes(bcd);
        return;
    }
    SetValue(TVariant::FromCurrency(scaled));
}

std::u16string TField::AsWideString() const {
    if (dataType_ == ftWideString) {
        const void* data = dataSet_->GetFieldData(*this);
        return data == nullptr ? std::u16string() : *static_cast<const std::u16string*>(data);
    }
    return platform::Cp1250ToUtf16(AsString());
}

void TField::SetAsWideString(std::u16string_view text) {
    if (dataType_ == ftWideString) {
        const std::u16string value(text);
        SetValueBytes(&value);
        return;
    }
    SetAsString(platform::Utf16ToCp1250(text));
}

TVariant TField::Value() const {
    const void* data = dataSet_->GetFieldData(*this);
    if (data == nullptr) {
        return TVariant();
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    switch (dataType_) {
        case ftString:
            return TVariant(AsString());
        case ftWideString:
            return TVariant(*static_cast<const std::u16string*>(data));
        case ftSmallint:
            return TVariant(static_cast<int>(Load<int16_t>(bytes)));
        case ftWord:
            return TVariant(static_cast<int>(Load<uint16_t>(bytes)));
        case ftInteger:
        case ftAutoInc:
            return TVariant(static_cast<int>(Load<int32_t>(bytes)));
        case ftLargeint:
            return TVariant(Load<int64_t>(bytes));
        case ftBoolean:
            return TVariant(bytes[0] != 0);
        case ftFloat:
        case ftCurrency:
            return TVariant(Load<double>(bytes));
        case ftBCD:
            return TVariant::FromCurrency(memtable::BcdToCurrency(bytes));
        case ftDate:
        case ftTime:
        case ftDateTime:
            return TVariant::FromDateTime(AsDateTime());
        default:
            if (IsBlob()) {
                return TVariant(*static_cast<const std::string*>(data));
            }
            return TVariant();
    }
}

void TField::SetValue(const TVariant& value) {
    if (value.IsNull()) {
        Clear();
        return;
    }
    switch (dataType_) {
        case ftString:
            SetAsString(value.AsString());
            return;
        case ftWideString:
            SetAsWideString(value.AsWideString());
            return;
        case ftSmallint:
        case ftWord:
        case ftInteger:
        case ftAutoInc:
        case ftLargeint:
            SetAsLargeInt(value.AsInt64());
            return;
        case ftBoolean:
            SetAsBoolean(value.AsBoolean());
            return;
        case ftFloat:
        case ftCurrency:
            SetAsFloat(value.AsDouble());
            return;
        case ftBCD:
            SetAsCurrency(value.AsCurrency());
            return;
        case ftDate:
        case ftTime:
        case ftDateTime:
            SetAsDateTime(value.AsDateTime());
            return;
        default:
            if (IsBlob()) {
                SetAsString(value.AsString());
                return;
            }
            throw EDatabaseError("Field '" + DisplayName() + "' cannot be modified");
    }
}

TVariant TField::OldValue() const {
    return dataSet_->OldFieldValue(*this);
}

void TField::Clear() {
    SetValueBytes(nullptr);
}

}  // namespace spisotek
