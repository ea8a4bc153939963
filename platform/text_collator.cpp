#include "platform/text_collator.h"

#include <unicode/ucol.h>
#include <unicode/uset.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "platform/cp1250.h"

namespace spisotek::platform {

namespace {

// UTF-16 copy of a Windows-1250 text, on the stack for the short texts that
// make up nearly every comparison.
class Utf16Buffer {
  public:
    explicit Utf16Buffer(std::string_view text) {
        if (text.size() > kInline) {
            heap_.resize(text.size());
            data_ = heap_.data();
        }
        for (size_t i = 0; i < text.size(); ++i) {
            data_[i] = static_cast<UChar>(Cp1250ToUnicode(static_cast<unsigned char>(text[i])));
        }
        size_ = static_cast<int32_t>(text.size());
    }
    const UChar* data() const { return data_; }
    int32_t size() const { return size_; }

  private:
    static constexpr size_t kInline = 256;
    UChar inline_[kInline];
    std::vector<UChar> heap_;
    UChar* data_ = inline_;
    int32_t size_ = 0;
};

int Sign(UCollationResult result) {
    return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
}

}  // namespace

// One collator at one strength, with the byte classes of its fast path:
// byteClass_[b] is 0 when byte b must go through the collator, else a number
// shared exactly by the bytes the collator holds equal at this strength.
struct TextCollator::Strength {
    UCollator* collator = nullptr;
    std::array<uint8_t, 256> byteClass{};

    Strength(const std::string& locale, UCollationStrength strength) {
        UErrorCode status = U_ZERO_ERROR;
        collator = ucol_open(locale.c_str(), &status);
        if (U_FAILURE(status)) {
            throw std::runtime_error("no collator for locale " + locale);
        }
        ucol_setStrength(collator, strength);
        BuildClasses();
    }
    ~Strength() { ucol_close(collator); }

    void BuildClasses() {
        UErrorCode status = U_ZERO_ERROR;
        USet* contractions = uset_openEmpty();
        USet* expansions = uset_openEmpty();
        ucol_getContractionsAndExpansions(collator, contractions, expansions, true, &status);
        // A contraction or prefix rule changes the weights only where its
        // later characters follow the first, so those later characters send
        // a comparison to the collator. Rules needing a character that
        // Windows-1250 cannot express never apply to our texts.
        USet* blocked = uset_openEmpty();
        UChar buffer[64];
        for (int32_t i = 0; i < uset_getItemCount(contractions); ++i) {
            UChar32 start = 0;
            UChar32 end = 0;
            UErrorCode itemStatus = U_ZERO_ERROR;
            const int32_t length =
                uset_getItem(contractions, i, &start, &end, buffer, 64, &itemStatus);
            if (length == 0) {
                uset_addRange(blocked, start, end);
                continue;
            }
            if (U_FAILURE(itemStatus)) {
                continue;
            }
            bool expressible = true;
            for (int32_t k = 0; k < length && expressible; ++k) {
                unsigned char byte = 0;
                expressible = UnicodeToCp1250(buffer[k], byte);
            }
            for (int32_t k = 1; expressible && k < length; ++k) {
                uset_add(blocked, buffer[k]);
            }
        }

        std::vector<std::string> classKeys;
        for (int b = 1; b < 256; ++b) {
            const UChar ch = Cp1250ToUnicode(static_cast<unsigned char>(b));
            if (U_FAILURE(status) || uset_contains(blocked, ch) || uset_contains(expansions, ch)) {
                continue;
            }
            uint8_t key[64];
            const int32_t keyLength = ucol_getSortKey(collator, &ch, 1, key, sizeof key);
            // An ignorable character has no primary weight: its key starts
            // with the level separator.
            if (keyLength <= 1 || keyLength > static_cast<int32_t>(sizeof key) || key[0] <= 1) {
                continue;
            }
            std::string keyText(reinterpret_cast<const char*>(key), static_cast<size_t>(keyLength));
            size_t index = 0;
            while (index < classKeys.size() && classKeys[index] != keyText) {
                ++index;
            }
            if (index == classKeys.size()) {
                classKeys.push_back(keyText);
            }
            byteClass[static_cast<size_t>(b)] = static_cast<uint8_t>(index + 1);
        }
        uset_close(blocked);
        uset_close(expansions);
        uset_close(contractions);
    }

    int Compare(std::string_view a, std::string_view b) const {
        const Utf16Buffer ua(a);
        const Utf16Buffer ub(b);
        return Sign(ucol_strcoll(collator, ua.data(), ua.size(), ub.data(), ub.size()));
    }

    // Equality through the byte classes while both texts stay on plain
    // bytes; the first byte that is not plain hands the pair to the collator.
    bool Equal(std::string_view a, std::string_view b) const {
        const size_t common = a.size() < b.size() ? a.size() : b.size();
        for (size_t i = 0; i < common; ++i) {
            const uint8_t ca = byteClass[static_cast<unsigned char>(a[i])];
            const uint8_t cb = byteClass[static_cast<unsigned char>(b[i])];
            if (ca == 0 || cb == 0) {
                return Compare(a, b) == 0;
            }
            if (ca != cb) {
                // A later character could still fold into a contraction with
                // this one; only plain tails make the difference final.
                return IsPlain(a.substr(i + 1)) && IsPlain(b.substr(i + 1)) ? false
                                                                            : Compare(a, b) == 0;
            }
        }
        const std::string_view rest = a.size() > common ? a.substr(common) : b.substr(common);
        if (!IsPlain(rest)) {
            return Compare(a, b) == 0;
        }
        return rest.empty();
    }

    bool IsPlain(std::string_view text) const {
        for (char c : text) {
            if (byteClass[static_cast<unsigned char>(c)] == 0) {
                return false;
            }
        }
        return true;
    }
};

TextCollator::TextCollator(std::string_view locale) {
    std::string name(locale);
    const size_t cut = name.find_first_of(".@");
    if (cut != std::string::npos) {
        name.erase(cut);
    }
    if (name.empty() || name == "C" || name == "POSIX") {
        name = "pl_PL";
    }
    locale_ = name;
    secondary_ = std::make_unique<Strength>(locale_, UCOL_SECONDARY);
    tertiary_ = std::make_unique<Strength>(locale_, UCOL_TERTIARY);
}

TextCollator::~TextCollator() = default;

std::string TextCollator::LocaleFromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_COLLATE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    return "";
}

const TextCollator& TextCollator::User() {
    static const TextCollator collator(LocaleFromEnvironment());
    return collator;
}

const TextCollator::Strength& TextCollator::For(bool caseInsensitive) const {
    return caseInsensitive ? *secondary_ : *tertiary_;
}

int TextCollator::Compare(std::string_view a, std::string_view b, bool caseInsensitive) const {
    return For(caseInsensitive).Compare(a, b);
}

int TextCollator::CompareUtf16(std::u16string_view a, std::u16string_view b,
                               bool caseInsensitive) const {
    return Sign(
        ucol_strcoll(For(caseInsensitive).collator, reinterpret_cast<const UChar*>(a.data()),
                     static_cast<int32_t>(a.size()), reinterpret_cast<const UChar*>(b.data()),
                     static_cast<int32_t>(b.size())));
}

bool TextCollator::Equal(std::string_view a, std::string_view b, bool caseInsensitive) const {
    return For(caseInsensitive).Equal(a, b);
}

bool TextCollator::HasFastPath(unsigned char byte, bool caseInsensitive) const {
    return For(caseInsensitive).byteClass[byte] != 0;
}

std::string TextCollator::SortKey(std::string_view text, bool caseInsensitive) const {
    const Utf16Buffer u(text);
    const UCollator* collator = For(caseInsensitive).collator;
    std::string key(64 + static_cast<size_t>(u.size()) * 4, '\0');
    int32_t length =
        ucol_getSortKey(collator, u.data(), u.size(), reinterpret_cast<uint8_t*>(key.data()),
                        static_cast<int32_t>(key.size()));
    if (length > static_cast<int32_t>(key.size())) {
        key.resize(static_cast<size_t>(length));
        length =
            ucol_getSortKey(collator, u.data(), u.size(), reinterpret_cast<uint8_t*>(key.data()),
                            static_cast<int32_t>(key.size()));
    }
    // The key's terminating zero is not part of its order.
    key.resize(length > 0 ? static_cast<size_t>(length - 1) : 0);
    return key;
}

}  // namespace spisotek::platform
