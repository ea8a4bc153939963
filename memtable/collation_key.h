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

class TCollationKeyMaker {
  public:
    // The maker for the user's collator (platform::TextCollator::User()),
    // built on first use; nullptr when its weights cannot stand in for it.
    static const TCollationKeyMaker* ForUser(bool caseInsensitive);

    // Whether Make() serves this text (every byte context-free).
    bool Serves(std::string_view text) const {
        for (const char ch : text) {
            if (!safe_[static_cast<unsigned char>(ch)]) {
                return false;
            }
        }
        for (const std::string& sequence : sequences_) {
            if (text.find(sequence) != std::string_view::npos) {
                return false;
            }
        }
        return true;
    }
    // Replaces key with the text's key; the text must be served.
    void Make(std::string_view text, std::string& key) const;

    // Built for a locale name as TextCollator resolves it; public for tests.
    TCollationKeyMaker(const std::string& locale, bool caseInsensitive);
    bool Valid() const { return valid_; }

  private:
    struct Weights {
        std::vector<uint16_t> primary;
        std::vector<uint8_t> secondary;
        std::vector<uint8_t> tertiary;
    };
    bool SelfCheck(void* collator) const;

    bool caseInsensitive_;
    bool valid_ = false;
    bool narrowPrimaries_ = false;  // primary weights are ranks of one byte
    std::array<bool, 256> safe_{};
    // Byte sequences a contraction weighs as a whole ("l" + middle dot).
    std::vector<std::string> sequences_;
    std::array<Weights, 256> weights_{};
};

}  // namespace spisotek::memtable
