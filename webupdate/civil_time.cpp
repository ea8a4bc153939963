#include "webupdate/civil_time.h"

#include <sys/stat.h>

#include <ctime>
#include <vector>

namespace spisotek::webupdate {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Reads a field of one to four decimal digits, blanks around it allowed.
std::optional<int> ReadNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    if (text.empty() || text.size() > 4) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

std::size_t DigitCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) {
        count += (c >= '0' && c <= '9') ? 1 : 0;
    }
    return count;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t cut = text.find(separator, start);
        if (cut == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, cut - start));
        start = cut + 1;
    }
}

// Order of day, month and year in a date format, from the first letter of
// each: "dd/mm/yyyy" gives D M Y, "yyyy-mm-dd" Y M D. Day, month, year when
// the format names none of them.
std::string DateOrder(std::string_view format) {
    std::string order;
    for (char c : format) {
        const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        if ((upper == 'D' || upper == 'M' || upper == 'Y') &&
            order.find(upper) == std::string::npos) {
            order += upper;
        }
    }
    if (order.size() != 3) {
        return "DMY";
    }
    return order;
}

std::string TwoDigits(int value) {
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

}  // namespace

std::int64_t DaysFromCivil(int year, int month, int day) {
    // Howard Hinnant's days_from_civil.
    const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

CivilTime MakeCivilTime(const CivilFields& f) {
    return CivilTime{DaysFromCivil(f.year, f.month, f.day) * kSecondsPerDay + f.hour * 3600 +
                     f.minute * 60 + f.second};
}

CivilFields SplitCivilTime(CivilTime time) {
    std::int64_t days = time.seconds / kSecondsPerDay;
    std::int64_t rest = time.seconds % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    // Howard Hinnant's civil_from_days.
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    CivilFields f;
    f.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    f.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    f.year = static_cast<int>(yoe + era * 400 + (f.month <= 2 ? 1 : 0));
    f.hour = static_cast<int>(rest / 3600);
    f.minute = static_cast<int>(rest % 3600 / 60);
    f.second = static_cast<int>(rest % 60);
    return f;
}

CivilTime FallbackDate() {
    return MakeCivilTime(CivilFields{1980, 1, 1, 0, 0, 0});
}

std::optional<CivilTime> ParseDateText(std::string_view text, std::string_view format,
                                       char separator, CivilTime today) {
    const std::vector<std::string_view> parts = Split(text, separator);
    if (parts.size() != 2 && parts.size() != 3) {
        return std::nullopt;
    }
    std::string order = DateOrder(format);
    int day = 0;
    int month = 0;
    const int currentYear = SplitCivilTime(today).year;
    int year = currentYear;
    if (parts.size() == 2) {
        order.erase(order.find('Y'), 1);
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto value = ReadNumber(parts[i]);
        if (!value) {
            return std::nullopt;
        }
        switch (order[i]) {
            case 'D':
                day = *value;
                break;
            case 'M':
                month = *value;
                break;
            default:
                year = *value;
                if (DigitCount(parts[i]) <= 2) {
                    year += currentYear / 100 * 100;
                }
                break;
        }
    }
    if (!IsValidDate(year, month, day)) {
        return std::nullopt;
    }
    return MakeCivilTime(CivilFields{year, month, day, 0, 0, 0});
}

std::optional<std::int64_t> ParseTimeText(std::string_view text, std::string_view /*format*/,
                                          char separator) {
    const std::vector<std::string_view> parts = Split(text, separator);
    if (parts.size() != 2 && parts.size() != 3) {
        return std::nullopt;
    }
    const auto hour = ReadNumber(parts[0]);
    const auto minute = ReadNumber(parts[1]);
    const auto second = parts.size() == 3 ? ReadNumber(parts[2]) : std::optional<int>(0);
    if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    return std::int64_t{*hour} * 3600 + *minute * 60 + *second;
}

std::string FormatCivilTime(CivilTime time, std::string_view pattern, char dateSeparator,
                            char timeSeparator) {
    const CivilFields f = SplitCivilTime(time);
    std::string out;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        std::size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c) {
            ++run;
        }
        switch (lower) {
            case 'd':
                out += run >= 2 ? TwoDigits(f.day) : std::to_string(f.day);
                break;
            case 'm':
                out += run >= 2 ? TwoDigits(f.month) : std::to_string(f.month);
                break;
            case 'y':
                out += run >= 3 ? std::to_string(f.year) : TwoDigits(f.year % 100);
                break;
            case 'h':
                out += run >= 2 ? TwoDigits(f.hour) : std::to_string(f.hour);
                break;
            case 'n':
                out += run >= 2 ? TwoDigits(f.minute) : std::to_string(f.minute);
                break;
            case 's':
                out += run >= 2 ? TwoDigits(f.second) : std::to_string(f.second);
                break;
            case '/':
                out.append(run, dateSeparator);
                break;
            case ':':
                out.append(run, timeSeparator);
                break;
            default:
                out.append(run, c);
                break;
        }
        i += run;
    }
    return out;
}

CivilTime CivilFromSystemTime(std::int64_t unixSeconds) {
    const std::time_t t = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) {
        return CivilTime{unixSeconds};
    }
    return MakeCivilTime(CivilFields{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                     local.tm_hour, local.tm_min, local.tm_sec});
}

std::optional<CivilTime> FileLastWriteTime(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return CivilFromSystemTime(static_cast<std::int64_t>(info.st_mtime));
}

}  // namespace spisotek::webupdate
