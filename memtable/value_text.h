// Value conversions shared by the typed value, the fields and the table:
// date and time stored forms, the packed decimal of ftBCD, and the text forms
// of numbers and dates. Internal to the memory table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace spisotek::memtable {

inline constexpr int32_t kDateDelta = 693594;  // day number of 30 December 1899
inline constexpr int32_t kMSecsPerDay = 86400000;
inline constexpr int kBcdSize = 34;

struct TimeStamp {
    int32_t time = 0;  // milliseconds since midnight
    int32_t date = 0;  // day number, day 1 = 1 January of year 1
};

// A date-time (days since 30 December 1899) as a time stamp.
TimeStamp DateTimeToTimeStamp(double dateTime);
// Raises EConvertError "'%d.%d' is not a valid timestamp" for a day number
// below 1 or a negative time.
double TimeStampToDateTime(const TimeStamp& stamp);
// The ftDateTime stored double split into a time stamp; raises as above when
// it is too large to split.
TimeStamp MSecsToTimeStamp(double msecs);
double TimeStampToMSecs(const TimeStamp& stamp);

// "yyyy-mm-dd", "hh:nn:ss", "yyyy-mm-dd hh:nn:ss" (time left out at midnight).
std::string FormatDate(double dateTime);
std::string FormatTime(double dateTime);
std::string FormatDateTime(double dateTime);
std::optional<double> ParseDateTime(std::string_view text);

// Decimal integer, optional leading blanks and sign; nullopt when the text is
// not one or does not fit.
std::optional<int64_t> ParseInteger(std::string_view text);
// Floating point with '.' or ',' as the decimal separator.
std::optional<double> ParseFloat(std::string_view text);
// Up to 15 significant digits, no exponent for ordinary magnitudes.
std::string FormatFloat(double value);
// Fixed-point text with up to 4 decimals of a value scaled by 10000.
std::string FormatCurrency(int64_t scaled);
std::optional<int64_t> ParseCurrency(std::string_view text);
// Double to currency, rounding to 4 decimals; nullopt when out of range.
std::optional<int64_t> DoubleToCurrency(double value);

// Packed decimal (precision byte, sign-and-places byte, 32 bytes of digits
// two per byte) of precision 32 with 4 decimal places.
void CurrencyToBcd(int64_t scaled, unsigned char* bcd);
// Raises EConvertError when the value does not fit a currency.
int64_t BcdToCurrency(const unsigned char* bcd);

}  // namespace spisotek::memtable
