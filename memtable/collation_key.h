// Collation keys of Windows-1250 text built from per-byte weights.
//
// Sorting a large column through the collator's own sort keys costs a
// conversion and a collator call per text; for texts whose every byte has
// context-free weights (no contraction applies to it) the key can be put
// together from weights read once per byte. The key's byte order is the
// collator's order at the strength asked for: primary weights, then
// secondary, then (case-sensitive) tertiary, each level ended by a
// terminator lower than any weight. Before a maker is used its tables are
// checked against the collator on every text of one and two bytes; a
// collator that disagrees anywhere gets no maker. Thread safety: a built
// maker is immutable.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace spisotek::memtable {

// The first kSortKeyHeadSize bytes of a collation key, zero-padded, as
// numbers that order as the bytes do.
constexpr size_t kSortKeyHeadSize = 12;
struct TSortKeyHead {
    uint64_t high = 0;  // bytes 0 to 7
    uint32_t low = 0;   // bytes 8 to 11
};
TSortKeyHead SortKeyHeadOf(std::string_view key);

class TCollationKeyMaker {
  public:
    // The maker for the user's collator (platform::TextCollator::User()),
    // built on first use; nullptr when its weights cannot stand in for it.
    static const TCollationKeyMaker* ForUser(bool caseInsensitive);

    // Whether Make() serves this text (every byte context-free).
    bool Serves(std::string_view text) const {
        for (size_t i = 0; i < text.size(); ++i) {
            const ByteClass kind = classes_[static_cast<unsigned char>(text[i])];
            if (kind == ByteClass::kUnserved ||
                (kind == ByteClass::kStartsSequence && StartsSequence(text.substr(i)))) {
                return false;
            }
        }
        return true;
    }
    // Replaces key with the text's key; the text must be served.
    void Make(std::string_view text, std::string& key) const;
    // The head of the text's key; false (head unset) when the text is not
    // served.
    bool MakeHead(std::string_view text, TSortKeyHead& head) const;

    // Built for a locale name as TextCollator resolves it; public for tests.
    TCollationKeyMaker(const std::string& locale, bool caseInsensitive);
    bool Valid() const { return valid_; }

  private:
    // More weights than this on one level make a byte unserved.
    static constexpr int kMaxWeights = 4;
    struct Weights {
        uint8_t primaryCount = 0;
        uint8_t secondaryCount = 0;
        uint8_t tertiaryCount = 0;
        std::array<uint16_t, kMaxWeights> primary{};
        std::array<uint8_t, kMaxWeights> secondary{};
        std::array<uint8_t, kMaxWeights> tertiary{};
    };
    enum class ByteClass : uint8_t { kServed, kUnserved, kStartsSequence };
    // The one weight per level of a served byte that has exactly one on
    // each (simple).
    struct Single {
        uint8_t primary = 0;
        uint8_t secondary = 0;
        uint8_t tertiary = 0;
    };

    bool StartsSequence(std::string_view text) const;
    // Hands the key's bytes in order to sink until it returns false.
    template <typename Sink>
    void Emit(std::string_view text, Sink&& sink) const;
    // MakeHead for served texts of simple bytes; false for any other.
    bool MakeSimpleHead(std::string_view text, TSortKeyHead& head) const;
    bool SelfCheck(void* collator) const;

    bool caseInsensitive_;
    bool valid_ = false;
    bool narrowPrimaries_ = false;  // primary weights are ranks of one byte
    std::array<ByteClass, 256> classes_{};
    // Byte sequences a contraction weighs as a whole ("l" + middle dot).
    std::vector<std::string> sequences_;
    std::array<Weights, 256> weights_{};
    std::array<Single, 256> singles_{};
    // Per byte: kNotSimple, kBeginsSequence, kInSequence (any byte of a
    // sequence after its first).
    static constexpr uint8_t kNotSimple = 1;
    static constexpr uint8_t kBeginsSequence = 2;
    static constexpr uint8_t kInSequence = 4;
    std::array<uint8_t, 256> flags_{};
};

}  // namespace spisotek::memtable
