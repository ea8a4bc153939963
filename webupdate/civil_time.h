// Local wall-clock date and time as the update decisions compare them.
//
// Control-file dates, the local file's last-write time and the log clock are
// all local time, so they are held as a wall-clock reading without any time
// zone: seconds counted from 1 January 1970 00:00:00 as a calendar shows it.
// Comparing two readings is exact (no floating point), which matters where a
// file's last-write time must be "not earlier" than a published date.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace spisotek::webupdate {

struct CivilTime {
    std::int64_t seconds = 0;  // wall-clock seconds since 1970-01-01 00:00:00

    auto operator<=>(const CivilTime&) const = default;
};

struct CivilFields {
    int year = 1980;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Day count of a proleptic Gregorian date relative to 1970-01-01.
std::int64_t DaysFromCivil(int year, int month, int day);
bool IsValidDate(int year, int month, int day);

// REQUIRES: the fields form a valid date and time.
CivilTime MakeCivilTime(const CivilFields& fields);
CivilFields SplitCivilTime(CivilTime time);

// 1 January 1980 00:00, the stand-in for a date that cannot be read.
CivilTime FallbackDate();

// Reads a date under a format such as "dd/mm/yyyy": the order of day, month
// and year follows the format, the fields are separated by `separator`. Two
// fields take the year of `today`; a two-digit year lies in today's century.
// Nothing on any malformed or impossible date (31/02/2026, ab/cd/efgh).
std::optional<CivilTime> ParseDateText(std::string_view text, std::string_view format,
                                       char separator, CivilTime today);

// Reads a time of day (hours, minutes, optional seconds, separated by
// `separator`) and gives the seconds it adds to a date; nothing when it does
// not read. `format` is accepted for symmetry with dates: the order of hours,
// minutes and seconds is fixed.
std::optional<std::int64_t> ParseTimeText(std::string_view text, std::string_view format,
                                          char separator);

// Writes a date or date and time with a pattern of d, dd, m, mm, yy, yyyy,
// h, hh, n, nn, s, ss, "/" (the date separator) and ":" (the time separator);
// any other character is copied.
std::string FormatCivilTime(CivilTime time, std::string_view pattern, char dateSeparator,
                            char timeSeparator);

// Last-write time of a file as local wall-clock time; nothing when the file
// does not exist or is not a regular file.
std::optional<CivilTime> FileLastWriteTime(const std::string& path);

// Converts a system time (seconds since the epoch, UTC) to local wall-clock time.
CivilTime CivilFromSystemTime(std::int64_t unixSeconds);

}  // namespace spisotek::webupdate
