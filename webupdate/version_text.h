// Version texts: up to four decimal numbers (major, minor, release, build)
// separated by "." or "," ("," wins when both occur), each held in 16 bits,
// packed as a pair high = major:minor, low = release:build like the file
// version of a Windows version resource.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace spisotek::webupdate {

struct VersionPair {
    std::int32_t high = -1;
    std::int32_t low = -1;
};

// A pair with either half -1 was not read; such a version is never newer.
inline bool IsValidVersion(const VersionPair& version) {
    return version.high != -1 && version.low != -1;
}

VersionPair ParseVersion(std::string_view text);

// "major.minor.release.build" in decimal.
std::string VersionToText(const VersionPair& version);

// True when `a` is newer than `b`: high halves compared as signed 32-bit
// values, then low halves the same way.
bool VersionGreater(const VersionPair& a, const VersionPair& b);

}  // namespace spisotek::webupdate
