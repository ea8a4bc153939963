#include "memtable/variant.h"

#include <cmath>
#include <limits>

#include "memtable/db_error.h"
#include "memtable/value_text.h"
#include "platform/cp1250.h"

namespace spisotek {
namespace {

const char* TypeName(TVariant::Type type) {
    switch (type) {
        case TVariant::Type::kNull:
            return "Null";
        case TVariant::Type::kString:
            return "String";
        case TVariant::Type::kWideString:
            return "OleStr";
        case TVariant::Type::kInteger:
            return "Integer";
        case TVariant::Type::kInt64:
            return "Int64";
        case TVariant::Type::kBoolean:
            return "Boolean";
        case TVariant::Type::kDouble:
            return "Double";
        case TVariant::Type::kCurrency:
            return "Currency";
        case TVariant::Type::kDateTime:
            return "Date";
        case TVariant::Type::kArray:
            return "Array";
    }
    return "Unknown";
}

[[noreturn]] void CannotConvert(TVariant::Type from, const char* to) {
    throw EVariantError(std::string("Could not convert variant of type (") + TypeName(from) +
                        ") into type (" + to + ")");
}

int64_t RoundToInt64(double value, TVariant::Type from, const char* to) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -9.2233720368547758e18 && rounded < 9.2233720368547758e18)) {
        CannotConvert(from, to);
    }
    return static_cast<int64_t>(rounded);
}

}  // namespace

TVariant TVariant::Array(std::vector<TVariant> items) {
    TVariant result;
    result.value_ = std::move(items);
    return result;
}

int TVariant::ArrayLength() const {
    if (!IsArray()) {
        return 0;
    }
    return static_cast<int>(std::get<std::vector<TVariant>>(value_).size());
}

const TVariant& TVariant::operator[](int index) const {
    if (!IsArray() || index < 0 || index >= ArrayLength()) {
        throw EVariantError("Variant or safe array index out of bounds");
    }
    return std::get<std::vector<TVariant>>(value_)[static_cast<size_t>(index)];
}

std::string TVariant::AsString() const {
    switch (VarType()) {
        case Type::kNull:
            return {};
        case Type::kString:
            return std::get<std::string>(value_);
        case Type::kWideString:
            return platform::Utf16ToCp1250(std::get<std::u16string>(value_));
        case Type::kInteger:
            return std::to_string(std::get<int32_t>(value_));
        case Type::kInt64:
            return std::to_string(std::get<int64_t>(value_));
        case Type::kBoolean:
            return std::get<bool>(value_) ? "True" : "False";
        case Type::kDouble:
            return memtable::FormatFloat(std::get<double>(value_));
        case Type::kCurrency:
            return memtable::FormatCurrency(std::get<Currency>(value_).scaled);
        case Type::kDateTime:
            return memtable::FormatDateTime(std::get<DateTime>(value_).value);
        case Type::kArray:
            break;
    }
    CannotConvert(VarType(), "String");
}

std::u16string TVariant::AsWideString() const {
    if (VarType() == Type::kWideString) {
        return std::get<std::u16string>(value_);
    }
    return platform::Cp1250ToUtf16(AsString());
}

int64_t TVariant::AsInt64() const {
    switch (VarType()) {
        case Type::kNull:
            return 0;
        case Type::kString:
        case Type::kWideString: {
            const std::string text = AsString();
            if (const auto value = memtable::ParseInteger(text)) {
                return *value;
            }
            throw EConvertError("'" + text + "' is not a valid integer value");
        }
        case Type::kInteger:
            return std::get<int32_t>(value_);
        case Type::kInt64:
            return std::get<int64_t>(value_);
        case Type::kBoolean:
            return std::get<bool>(value_) ? -1 : 0;
        case Type::kDouble:
            return RoundToInt64(std::get<double>(value_), VarType(), "Int64");
        case Type::kCurrency: {
            const int64_t scaled = std::get<Currency>(value_).scaled;
            return RoundToInt64(static_cast<double>(scaled) / 10000.0, VarType(), "Int64");
        }
        case Type::kDateTime:
            return RoundToInt64(std::get<DateTime>(value_).value, VarType(), "Int64");
        case Type::kArray:
            break;
    }
    CannotConvert(VarType(), "Int64");
}

int32_t TVariant::AsInteger() const {
    const int64_t value = AsInt64();
    if (value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max()) {
        if (VarType() == Type::kString || VarType() == Type::kWideString) {
            throw EConvertError("'" + AsString() + "' is not a valid integer value");
        }
        CannotConvert(VarType(), "Integer");
    }
    return static_cast<int32_t>(value);
}

bool TVariant::AsBoolean() const {
    switch (VarType()) {
        case Type::kNull:
            return false;
        case Type::kBoolean:
            return std::get<bool>(value_);
        case Type::kString:
        case Type::kWideString: {
            std::string text = AsString();
            for (char& ch : text) {
                if (ch >= 'a' && ch <= 'z') {
                    ch = static_cast<char>(ch - 'a' + 'A');
                }
            }
            if (text == "TRUE") {
                return true;
            }
            if (text == "FALSE") {
                return false;
            }
            if (const auto number = memtable::ParseFloat(text)) {
                return *number != 0;
            }
            CannotConvert(VarType(), "Boolean");
        }
        case Type::kArray:
            CannotConvert(VarType(), "Boolean");
        default:
            return AsDouble() != 0;
    }
}

double TVariant::AsDouble() const {
    switch (VarType()) {
        case Type::kNull:
            return 0;
        case Type::kString:
        case Type::kWideString: {
            const std::string text = AsString();
            if (const auto value = memtable::ParseFloat(text)) {
                return *value;
            }
            throw EConvertError("'" + text + "' is not a valid floating point value");
        }
        case Type::kInteger:
            return std::get<int32_t>(value_);
        case Type::kInt64:
            return static_cast<double>(std::get<int64_t>(value_));
        case Type::kBoolean:
            return std::get<bool>(value_) ? -1 : 0;
        case Type::kDouble:
            return std::get<double>(value_);
        case Type::kCurrency:
            return static_cast<double>(std::get<Currency>(value_).scaled) / 10000.0;
        case Type::kDateTime:
            return std::get<DateTime>(value_).value;
        case Type::kArray:
            break;
    }
    CannotConvert(VarType(), "Double");
}

int64_t TVariant::AsCurrency() const {
    switch (VarType()) {
        case Type::kCurrency:
            return std::get<Currency>(value_).scaled;
        case Type::kString:
        case Type::kWideString: {
            const std::string text = AsString();
            if (const auto value = memtable::ParseCurrency(text)) {
                return *value;
            }
            throw EConvertError("'" + text + "' is not a valid floating point value");
        }
        case Type::kInteger:
        case Type::kInt64: {
            const int64_t value = AsInt64();
            if (value > std::numeric_limits<int64_t>::max() / 10000 ||
                value < std::numeric_limits<int64_t>::min() / 10000) {
                CannotConvert(VarType(), "Currency");
            }
            return value * 10000;
        }
        case Type::kArray:
            CannotConvert(VarType(), "Currency");
        default:
            if (const auto value = memtable::DoubleToCurrency(AsDouble())) {
                return *value;
            }
            CannotConvert(VarType(), "Currency");
    }
}

double TVariant::AsDateTime() const {
    switch (VarType()) {
        case Type::kString:
        case Type::kWideString: {
            const std::string text = AsString();
            if (const auto value = memtable::ParseDateTime(text)) {
                return *value;
            }
            throw EConvertError("'" + text + "' is not a valid date and time");
        }
        case Type::kArray:
            CannotConvert(VarType(), "Date");
        default:
            return AsDouble();
    }
}

}  // namespace spisotek
