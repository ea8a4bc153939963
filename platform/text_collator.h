// Locale text comparison of Windows-1250 text.
//
// Texts are compared as the user's locale orders them: ICU collation in the
// locale named by LC_ALL, LC_COLLATE or LANG (first one set), Polish when none
// names a locale ("C", "POSIX" or unset). Case-insensitive comparison is
// secondary strength (case ignored, accents significant); case-sensitive is
// tertiary. Results are reduced to their sign.
//
// Equal() has a fast path: bytes whose collation is one plain element (not
// an expansion, not ignorable, not a later part of a contraction) are
// compared through a per-byte class table built from the collator itself, so
// it gives exactly the collator's answer; any other byte sends the pair
// through the collator.
//
// Thread safety: a constructed collator is immutable and may be shared.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct UCollator;

namespace spisotek::platform {

class TextCollator {
  public:
    // locale: an ICU/POSIX locale name ("pl_PL.UTF-8", "de", "C"); "" or
    // "C"/"POSIX" mean Polish. Throws std::runtime_error when ICU has no
    // collator at all for it.
    explicit TextCollator(std::string_view locale);
    ~TextCollator();
    TextCollator(const TextCollator&) = delete;
    TextCollator& operator=(const TextCollator&) = delete;

    // The collator of the user's locale, created on first use.
    static const TextCollator& User();
    // The locale name User() picks from the environment.
    static std::string LocaleFromEnvironment();

    // -1, 0 or 1.
    int Compare(std::string_view a, std::string_view b, bool caseInsensitive) const;
    int CompareUtf16(std::u16string_view a, std::u16string_view b, bool caseInsensitive) const;
    // Compare(a, b, caseInsensitive) == 0, usually without the collator.
    bool Equal(std::string_view a, std::string_view b, bool caseInsensitive) const;
    // A byte string whose memcmp order is Compare's order (for sorted structures).
    std::string SortKey(std::string_view text, bool caseInsensitive) const;

    const std::string& Locale() const { return locale_; }
    // Whether Equal() decides texts made of this byte without the collator.
    bool HasFastPath(unsigned char byte, bool caseInsensitive) const;

  private:
    struct Strength;
    const Strength& For(bool caseInsensitive) const;

    std::string locale_;
    std::unique_ptr<Strength> secondary_;
    std::unique_ptr<Strength> tertiary_;
};

}  // namespace spisotek::platform
