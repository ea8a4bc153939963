#include "webupdate/version_text.h"

#include "webupdate/profile_file.h"

namespace spisotek::webupdate {

namespace {

struct PartValue {
    std::int32_t value = 0;
    bool reads = false;  // the whole part is an integer
};

// A part that is not wholly an integer still counts with the value of its
// leading digits (after blanks and a sign): "2a" gives 2, "x" gives 0.
PartValue ReadPart(std::string_view part) {
    if (const auto whole = ParseProfileInteger(part)) {
        return {*whole, true};
    }
    std::size_t i = 0;
    while (i < part.size() && (part[i] == ' ' || part[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < part.size() && (part[i] == '+' || part[i] == '-')) {
        negative = part[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < part.size() && part[i] >= '0' && part[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(part[i] - '0');
    }
    if (negative) {
        value = 0u - value;
    }
    return {static_cast<std::int32_t>(value), false};
}

std::int32_t Pack(std::int32_t upper, std::int32_t lower) {
    const std::uint32_t bits = ((static_cast<std::uint32_t>(upper) & 0xFFFFu) << 16) |
                               (static_cast<std::uint32_t>(lower) & 0xFFFFu);
    return static_cast<std::int32_t>(bits);
}

}  // namespace

VersionPair ParseVersion(std::string_view text) {
    VersionPair version;
    char separator = 0;
    if (text.find(',') != std::string_view::npos) {
        separator = ',';
    } else if (text.find('.') != std::string_view::npos) {
        separator = '.';
    }
    if (separator == 0) {
        if (const auto whole = ParseProfileInteger(text)) {
            version.high = Pack(*whole, 0);
            version.low = 0;
        }
        return version;
    }

    std::string_view rest = text;
    std::size_t cut = rest.find(separator);
    const PartValue major = ReadPart(rest.substr(0, cut));
    rest.remove_prefix(cut + 1);
    cut = rest.find(separator);
    if (cut == std::string_view::npos || !major.reads) {
        version.high = Pack(major.value, ReadPart(rest).value);
        version.low = 0;
        return version;
    }

    const PartValue minor = ReadPart(rest.substr(0, cut));
    version.high = Pack(major.value, minor.value);
    rest.remove_prefix(cut + 1);
    cut = rest.find(separator);
    if (cut == std::string_view::npos || !minor.reads) {
        version.low = Pack(ReadPart(rest).value, 0);
        return version;
    }

    const PartValue release = ReadPart(rest.substr(0, cut));
    rest.remove_prefix(cut + 1);
    if (const auto build = ParseProfileInteger(rest)) {
        version.low = Pack(release.value, *build);
    }
    return version;
}

std::string VersionToText(const VersionPair& version) {
    const auto high = static_cast<std::uint32_t>(version.high);
    const auto low = static_cast<std::uint32_t>(version.low);
    return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFFu) + "." +
           std::to_string(low >> 16) + "." + std::to_string(low & 0xFFFFu);
}

bool VersionGreater(const VersionPair& a, const VersionPair& b) {
    if (a.high != b.high) {
        return a.high > b.high;
    }
    return a.low > b.low;
}

}  // namespace spisotek::webupdate
