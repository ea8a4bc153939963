#include "memtable/value_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "memtable/db_error.h"

namespace spisotek::memtable {
namespace {

constexpr int32_t kUnixDayNumber = 719163;  // day number of 1 January 1970

// Days since 1 January 1970 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp + (mp < 10 ? 3 : -9);
    y += m <= 2;
}

[[noreturn]] void InvalidTimeStamp(int64_t date, int64_t time) {
    throw EConvertError("'" + std::to_string(date) + "." + std::to_string(time) +
                        "' is not a valid timestamp");
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') {
        text.remove_suffix(1);
    }
    return text;
}

bool ParseDigits(std::string_view& text, int maxDigits, int& value) {
    int count = 0;
    value = 0;
    while (!text.empty() && count < maxDigits && text.front() >= '0' && text.front() <= '9') {
        value = value * 10 + (text.front() - '0');
        text.remove_prefix(1);
        ++count;
    }
    return count > 0;
}

}  // namespace

TimeStamp DateTimeToTimeStamp(double dateTime) {
    TimeStamp stamp;
    const double days = std::trunc(dateTime);
    const double fraction = std::fabs(dateTime - days);
    double ms = std::round(fraction * kMSecsPerDay);
    double date = days + kDateDelta;
    if (ms >= kMSecsPerDay) {
        ms -= kMSecsPerDay;
        date += dateTime < 0 ? -1 : 1;
    }
    if (!(date > std::numeric_limits<int32_t>::min() &&
          date < std::numeric_limits<int32_t>::max())) {
        InvalidTimeStamp(0, 0);
    }
    stamp.date = static_cast<int32_t>(date);
    stamp.time = static_cast<int32_t>(ms);
    return stamp;
}

double TimeStampToDateTime(const TimeStamp& stamp) {
    if (stamp.date <= 0 || stamp.time < 0) {
        InvalidTimeStamp(stamp.date, stamp.time);
    }
    const double days = static_cast<double>(stamp.date) - kDateDelta;
    const double fraction = static_cast<double>(stamp.time) / kMSecsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

TimeStamp MSecsToTimeStamp(double msecs) {
    const double date = std::trunc(msecs / kMSecsPerDay);
    if (!(date >= std::numeric_limits<int32_t>::min() &&
          date <= std::numeric_limits<int32_t>::max())) {
        InvalidTimeStamp(0, 0);
    }
    TimeStamp stamp;
    stamp.date = static_cast<int32_t>(date);
    stamp.time = static_cast<int32_t>(msecs - date * kMSecsPerDay);
    return stamp;
}

double TimeStampToMSecs(const TimeStamp& stamp) {
    return static_cast<double>(stamp.date) * kMSecsPerDay + stamp.time;
}

std::string FormatDate(double dateTime) {
    const TimeStamp stamp = DateTimeToTimeStamp(dateTime);
    int64_t y = 0;
    unsigned m = 0;
    unsigned d = 0;
    CivilFromDays(static_cast<int64_t>(stamp.date) - kUnixDayNumber, y, m, d);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u", static_cast<long long>(y), m, d);
    return text;
}

std::string FormatTime(double dateTime) {
    const TimeStamp stamp = DateTimeToTimeStamp(dateTime);
    const int32_t seconds = stamp.time / 1000;
    char text[24];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

std::string FormatDateTime(double dateTime) {
    const TimeStamp stamp = DateTimeToTimeStamp(dateTime);
    if (stamp.time == 0) {
        return FormatDate(dateTime);
    }
    return FormatDate(dateTime) + " " + FormatTime(dateTime);
}

std::optional<double> ParseDateTime(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty()) {
        return std::nullopt;
    }
    double result = 0;
    std::string_view rest = text;
    int a = 0;
    const bool hasDate = text.find('-') != std::string_view::npos;
    if (hasDate) {
        int month = 0;
        int day = 0;
        if (!ParseDigits(rest, 4, a) || rest.empty() || rest.front() != '-') {
            return std::nullopt;
        }
        rest.remove_prefix(1);
        if (!ParseDigits(rest, 2, month) || rest.empty() || rest.front() != '-') {
            return std::nullopt;
        }
        rest.remove_prefix(1);
        if (!ParseDigits(rest, 2, day) || a < 1 || month < 1 || month > 12 || day < 1) {
            return std::nullopt;
        }
        const int64_t days =
            DaysFromCivil(a, static_cast<unsigned>(month), static_cast<unsigned>(day));
        int64_t y = 0;
        unsigned m = 0;
        unsigned d = 0;
        CivilFromDays(days, y, m, d);
        if (m != static_cast<unsigned>(month) || d != static_cast<unsigned>(day)) {
            return std::nullopt;
        }
        result = static_cast<double>(days + kUnixDayNumber - kDateDelta);
        rest = TrimBlanks(rest);
        if (rest.empty()) {
            return result;
        }
    }
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    if (!ParseDigits(rest, 2, hours) || rest.empty() || rest.front() != ':') {
        return std::nullopt;
    }
    rest.remove_prefix(1);
    if (!ParseDigits(rest, 2, minutes)) {
        return std::nullopt;
    }
    if (!rest.empty() && rest.front() == ':') {
        rest.remove_prefix(1);
        if (!ParseDigits(rest, 2, seconds)) {
            return std::nullopt;
        }
    }
    if (!rest.empty() || hours > 23 || minutes > 59 || seconds > 59) {
        return std::nullopt;
    }
    const double fraction = (hours * 3600.0 + minutes * 60.0 + seconds) * 1000.0 / kMSecsPerDay;
    return result >= 0 ? result + fraction : result - fraction;
}

std::optional<int64_t> ParseInteger(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') {
            return std::nullopt;
        }
        const uint64_t digit = static_cast<uint64_t>(ch - '0');
        if (value > (static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1 - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    if (negative) {
        return value == static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1
                   ? std::numeric_limits<int64_t>::min()
                   : -static_cast<int64_t>(value);
    }
    if (value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        return std::nullopt;
    }
    return static_cast<int64_t>(value);
}

std::optional<double> ParseFloat(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty() || text.size() > 64) {
        return std::nullopt;
    }
    std::string copy(text);
    for (char& ch : copy) {
        if (ch == ',') {
            ch = '.';
        }
        const bool allowed = (ch >= '0' && ch <= '9') || ch == '.' || ch == '-' || ch == '+' ||
                             ch == 'e' || ch == 'E';
        if (!allowed) {
            return std::nullopt;
        }
    }
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string FormatFloat(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

std::string FormatCurrency(int64_t scaled) {
    const bool negative = scaled < 0;
    const uint64_t magnitude =
        negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    std::string text = std::to_string(magnitude / 10000);
    uint64_t fraction = magnitude % 10000;
    if (fraction != 0) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04llu", static_cast<unsigned long long>(fraction));
        std::string decimals(digits);
        while (!decimals.empty() && decimals.back() == '0') {
            decimals.pop_back();
        }
        text += "." + decimals;
    }
    return negative ? "-" + text : text;
}

std::optional<int64_t> ParseCurrency(std::string_view text) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    __int128 value = 0;
    int decimals = -1;
    bool anyDigit = false;
    for (char ch : text) {
        if (ch == '.' || ch == ',') {
            if (decimals >= 0) {
                return std::nullopt;
            }
            decimals = 0;
        } else if (ch >= '0' && ch <= '9') {
            anyDigit = true;
            if (decimals >= 4) {
                continue;  // beyond the fourth decimal: cut
            }
            value = value * 10 + (ch - '0');
            if (decimals >= 0) {
                ++decimals;
            }
            if (value > static_cast<__int128>(std::numeric_limits<int64_t>::max())) {
                return std::nullopt;
            }
        } else {
            return std::nullopt;
        }
    }
    if (!anyDigit) {
        return std::nullopt;
    }
    for (int i = decimals < 0 ? 0 : decimals; i < 4; ++i) {
        value *= 10;
    }
    if (value > static_cast<__int128>(std::numeric_limits<int64_t>::max())) {
        return std::nullopt;
    }
    return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
}

std::optional<int64_t> DoubleToCurrency(double value) {
    const double scaled = std::nearbyint(value * 10000.0);
    if (!(scaled >= -9.2233720368547e18 && scaled <= 9.2233720368547e18)) {
        return std::nullopt;
    }
    return static_cast<int64_t>(scaled);
}

void CurrencyToBcd(int64_t scaled, unsigned char* bcd) {
    std::memset(bcd, 0, kBcdSize);
    bcd[0] = 32;
    bcd[1] = static_cast<unsigned char>(4 | (scaled < 0 ? 0x80 : 0));
    uint64_t magnitude =
        scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    for (int digit = 31; digit >= 0 && magnitude != 0; --digit) {
        const unsigned value = static_cast<unsigned>(magnitude % 10);
        magnitude /= 10;
        unsigned char& byte = bcd[2 + digit / 2];
        byte = static_cast<unsigned char>(digit % 2 == 0 ? (byte | (value << 4)) : (byte | value));
    }
}

int64_t BcdToCurrency(const unsigned char* bcd) {
    const int precision = bcd[0] > 64 ? 64 : bcd[0];
    const int places = bcd[1] & 0x3F;
    const bool negative = (bcd[1] & 0x80) != 0;
    __int128 value = 0;
    const __int128 limit = static_cast<__int128>(std::numeric_limits<int64_t>::max());
    for (int digit = 0; digit < precision && digit < 64; ++digit) {
        const unsigned char byte = bcd[2 + digit / 2 < kBcdSize ? 2 + digit / 2 : kBcdSize - 1];
        unsigned nibble = digit % 2 == 0 ? byte >> 4 : byte & 0x0F;
        if (nibble > 9) {
            nibble = 9;
        }
        if (precision - digit <= places - 4) {
            break;  // decimals beyond the fourth are cut
        }
        value = value * 10 + nibble;
        if (value > limit * 10000) {
            throw EConvertError("BCD overflow");
        }
    }
    for (int i = places; i < 4; ++i) {
        value *= 10;
    }
    if (value > limit) {
        throw EConvertError("BCD overflow");
    }
    return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
}

}  // namespace spisotek::memtable
