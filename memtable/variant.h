// TVariant: a typed value as the dataset hands it over (key values of Locate,
// results of Lookup, field values).
//
// Null by default. Text is 8-bit Windows-1250 bytes; wide text is UTF-16.
// Currency is fixed-point with 4 decimals (the value times 10000); a
// date-time is days since 30 December 1899 plus the fraction of the day.
// Conversions (AsString, AsInteger, ...) raise EVariantError when the value
// cannot become the type asked for, EConvertError when text does not parse.
// Value semantics; not thread-safe beyond that.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace spisotek {

class TVariant {
  public:
    enum class Type {
        kNull,
        kString,
        kWideString,
        kInteger,
        kInt64,
        kBoolean,
        kDouble,
        kCurrency,
        kDateTime,
        kArray
    };

    struct Currency {
        int64_t scaled = 0;  // value * 10000
    };
    struct DateTime {
        double value = 0;
    };

    TVariant() = default;
    TVariant(std::string text) : value_(std::move(text)) {}
    TVariant(const char* text) : value_(std::string(text)) {}
    TVariant(std::string_view text) : value_(std::string(text)) {}
    TVariant(std::u16string text) : value_(std::move(text)) {}
    TVariant(int value) : value_(static_cast<int32_t>(value)) {}
    TVariant(int64_t value) : value_(value) {}
    TVariant(long long value) : value_(static_cast<int64_t>(value)) {}
    TVariant(bool value) : value_(value) {}
    TVariant(double value) : value_(value) {}
    TVariant(Currency value) : value_(value) {}
    TVariant(DateTime value) : value_(value) {}

    static TVariant Null() { return TVariant(); }
    static TVariant Array(std::vector<TVariant> items);
    static TVariant FromCurrency(int64_t scaled) { return TVariant(Currency{scaled}); }
    static TVariant FromDateTime(double value) { return TVariant(DateTime{value}); }

    Type VarType() const { return static_cast<Type>(value_.index()); }
    bool IsNull() const { return VarType() == Type::kNull; }
    bool IsArray() const { return VarType() == Type::kArray; }

    // Array access; an index outside the array raises EVariantError.
    int ArrayLength() const;
    const TVariant& operator[](int index) const;

    // Conversions. Null converts to "", 0, false; a non-numeric text to a
    // number raises EConvertError; an array to anything but itself raises
    // EVariantError.
    std::string AsString() const;
    std::u16string AsWideString() const;
    int32_t AsInteger() const;
    int64_t AsInt64() const;
    bool AsBoolean() const;
    double AsDouble() const;
    int64_t AsCurrency() const;  // scaled by 10000
    double AsDateTime() const;

    bool operator==(const TVariant& other) const { return value_ == other.value_; }

  private:
    struct Null_ {
        bool operator==(const Null_&) const { return true; }
    };
    friend bool operator==(const Currency& a, const Currency& b) { return a.scaled == b.scaled; }
    friend bool operator==(const DateTime& a, const DateTime& b) { return a.value == b.value; }

    std::variant<Null_, std::string, std::u16string, int32_t, int64_t, bool, double, Currency,
                 DateTime, std::vector<TVariant>>
        value_;
};

}  // namespace spisotek
