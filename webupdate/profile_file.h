// Reader of profile (INI) files: the update control file and the updater
// helper's instruction files.
//
// The rules are those the update server's files are written for:
// - "[name]" starts a section; "key=value" lines are entries; lines whose
//   first non-blank character is ";" are comments; other lines are ignored.
// - Section and key names are trimmed and compared without regard to case.
// - A value is the text after the first "=", trimmed of blanks, with one pair
//   of enclosing double or single quotes removed, and cut to 2047 characters.
// - The first occurrence of a section, and of a key inside it, wins; entries
//   of a repeated section are looked up in the first one only.
// - Integer values are decimal with an optional sign, or hexadecimal after
//   "$" or "0x", within 32 bits; anything else gives the caller's default.
// - Flags are integers where only 1 means yes.
// Bytes are taken as they stand (Windows-1250); nothing is converted.
//
// A ProfileFile is an immutable snapshot of the text it was built from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace spisotek::webupdate {

inline constexpr std::size_t kMaxProfileValue = 2047;

// Reads a whole text as a 32-bit integer the way profile integers are
// written. Nothing when the text is not wholly such an integer.
std::optional<std::int32_t> ParseProfileInteger(std::string_view text);

class ProfileFile {
  public:
    ProfileFile() = default;

    // Builds from the file's bytes; nothing when the file cannot be read.
    static std::optional<ProfileFile> Load(const std::string& path);
    static ProfileFile FromText(std::string_view text);

    bool HasSection(std::string_view section) const;
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue = {}) const;
    std::int32_t ReadInteger(std::string_view section, std::string_view key,
                             std::int32_t defaultValue) const;
    // True only for the integer value 1.
    bool ReadFlag(std::string_view section, std::string_view key) const;

  private:
    using Entries = std::unordered_map<std::string, std::string>;
    std::unordered_map<std::string, Entries> sections_;  // keys folded to upper case
};

// Reads `\` in a Windows path as `/`.
std::string ToSlashes(std::string path);

}  // namespace spisotek::webupdate
