#include "webupdate/profile_file.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <limits>

namespace spisotek::webupdate {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Section and key names are ASCII in practice; folding only ASCII letters keeps
// Windows-1250 bytes of other names intact and still distinct.
std::string FoldName(std::string_view name) {
    std::string folded(Trim(name));
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return folded;
}

std::string CleanValue(std::string_view raw) {
    std::string_view value = Trim(raw);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    if (value.size() > kMaxProfileValue) {
        value = value.substr(0, kMaxProfileValue);
    }
    return std::string(value);
}

int DigitValue(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9') {
        v = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        v = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        v = c - 'A' + 10;
    }
    return v < base ? v : -1;
}

}  // namespace

std::optional<std::int32_t> ParseProfileInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) {
        return std::nullopt;
    }
    // Decimal must fit a signed 32-bit value; hexadecimal may use all 32 bits
    // (FFFFFFFF is -1), as checksums are written.
    const std::uint64_t limit =
        base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i], base);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > limit) {
            return std::nullopt;
        }
    }
    std::uint32_t bits = static_cast<std::uint32_t>(value);
    if (negative) {
        bits = 0u - bits;
    }
    return static_cast<std::int32_t>(bits);
}

std::optional<ProfileFile> ProfileFile::Load(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return FromText(text);
}

ProfileFile ProfileFile::FromText(std::string_view text) {
    ProfileFile profile;
    Entries* current = nullptr;  // null before the first section and in repeats
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            std::string_view name = line.substr(1);
            const std::size_t close = name.rfind(']');
            if (close != std::string_view::npos) {
                name = name.substr(0, close);
            }
            const auto [it, inserted] = profile.sections_.try_emplace(FoldName(name));
            current = inserted ? &it->second : nullptr;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos) {
            continue;
        }
        current->try_emplace(FoldName(line.substr(0, equals)), CleanValue(line.substr(equals + 1)));
    }
    return profile;
}

bool ProfileFile::HasSection(std::string_view section) const {
    return sections_.find(FoldName(section)) != sections_.end();
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    const auto s = sections_.find(FoldName(section));
    if (s == sections_.end()) {
        return std::string(defaultValue);
    }
    const auto k = s->second.find(FoldName(key));
    if (k == s->second.end()) {
        return std::string(defaultValue);
    }
    return k->second;
}

std::int32_t ProfileFile::ReadInteger(std::string_view section, std::string_view key,
                                      std::int32_t defaultValue) const {
    const std::string text = ReadString(section, key);
    if (text.empty()) {
        return defaultValue;
    }
    return ParseProfileInteger(text).value_or(defaultValue);
}

bool ProfileFile::ReadFlag(std::string_view section, std::string_view key) const {
    return ReadInteger(section, key, 0) == 1;
}

std::string ToSlashes(std::string path) {
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path;
}

}  // namespace spisotek::webupdate
