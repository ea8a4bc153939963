#include "memtable/collation_key.h"

#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/uset.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <numeric>

#include "platform/cp1250.h"
#include "platform/text_collator.h"

namespace spisotek::memtable {

namespace {

struct CollatorCloser {
    void operator()(UCollator* collator) const { ucol_close(collator); }
};

}  // namespace

TCollationKeyMaker::TCollationKeyMaker(const std::string& locale, bool caseInsensitive)
    : caseInsensitive_(caseInsensitive) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCollator, CollatorCloser> collator(ucol_open(locale.c_str(), &status));
    if (U_FAILURE(status)) {
        return;
    }
    ucol_setStrength(collator.get(), caseInsensitive ? UCOL_SECONDARY : UCOL_TERTIARY);

    // Characters that take part in a contraction get their weights from
    // their neighbours: texts holding them go through the collator.
    classes_.fill(ByteClass::kServed);
    USet* contractions = uset_openEmpty();
    ucol_getContractionsAndExpansions(collator.get(), contractions, nullptr, true, &status);
    if (U_FAILURE(status)) {
        uset_close(contractions);
        for (const std::string& sequence : sequences_) {
            auto& kind = classes_[static_cast<unsigned char>(sequence.front())];
            if (kind == ByteClass::kServed) {
                kind = ByteClass::kStartsSequence;
            }
        }
        return;
    }
    // A contraction needing a character Windows-1250 cannot express never
    // applies to our texts.
    auto byteOf = [](UChar32 ch, unsigned char& byte) {
        return ch >= 0 && ch <= 0xFFFF &&
               platform::UnicodeToCp1250(static_cast<char32_t>(ch), byte);
    };
    UChar buffer[64];
    for (int32_t i = 0; i < uset_getItemCount(contractions); ++i) {
        UChar32 start = 0;
        UChar32 end = 0;
        UErrorCode itemStatus = U_ZERO_ERROR;
        const int32_t length = uset_getItem(contractions, i, &start, &end, buffer, 64, &itemStatus);
        if (U_FAILURE(itemStatus) || length > 64) {
            return;  // cannot tell which bytes it involves
        }
        unsigned char byte = 0;
        if (length == 0) {
            for (UChar32 ch = start; ch <= end && ch <= 0xFFFF; ++ch) {
                if (byteOf(ch, byte)) {
                    classes_[byte] = ByteClass::kUnserved;
                }
            }
            continue;
        }
        std::vector<unsigned char> bytes;
        bool expressible = true;
        for (int32_t k = 0; k < length && expressible; ++k) {
            expressible = byteOf(buffer[k], byte);
            bytes.push_back(byte);
        }
        if (expressible) {
            // Texts holding the sequence go through the collator.
            sequences_.emplace_back(bytes.begin(), bytes.end());
        }
    }
    uset_close(contractions);
    for (const std::string& sequence : sequences_) {
        auto& kind = classes_[static_cast<unsigned char>(sequence.front())];
        if (kind == ByteClass::kServed) {
            kind = ByteClass::kStartsSequence;
        }
    }

    // The collation elements of each byte on its own.
    for (int b = 0; b < 256; ++b) {
        if (classes_[b] == ByteClass::kUnserved) {
            continue;
        }
        const UChar ch = platform::Cp1250ToUnicode(static_cast<unsigned char>(b));
        UErrorCode elementStatus = U_ZERO_ERROR;
        UCollationElements* elements = ucol_openElements(collator.get(), &ch, 1, &elementStatus);
        if (U_FAILURE(elementStatus)) {
            classes_[b] = ByteClass::kUnserved;
            continue;
        }
        Weights& weights = weights_[static_cast<size_t>(b)];
        bool fits = true;
        auto add = [&fits](auto& list, uint8_t& count, auto weight) {
            if (count == kMaxWeights) {
                fits = false;
            } else {
                list[count++] = weight;
            }
        };
        for (;;) {
            const int32_t element = ucol_next(elements, &elementStatus);
            if (element == UCOL_NULLORDER || U_FAILURE(elementStatus)) {
                break;
            }
            const auto ce = static_cast<uint32_t>(element);
            const auto primary = static_cast<uint16_t>(ce >> 16);
            const auto secondary = static_cast<uint8_t>((ce >> 8) & 0xFF);
            // Case bits and the continuation mark are no tertiary weight.
            const auto tertiary = static_cast<uint8_t>(ce & 0x3F);
            if (primary != 0) {
                add(weights.primary, weights.primaryCount, primary);
            }
            if (secondary != 0) {
                add(weights.secondary, weights.secondaryCount, secondary);
            }
            if (tertiary != 0) {
                add(weights.tertiary, weights.tertiaryCount, tertiary);
            }
        }
        ucol_closeElements(elements);
        if (U_FAILURE(elementStatus) || !fits) {
            classes_[b] = ByteClass::kUnserved;
        }
    }
    // Primary weights that occur get ranks in their order, one byte each
    // when there are few enough, so a key's first bytes cover more letters.
    std::vector<uint16_t> primaries;
    for (const Weights& weights : weights_) {
        primaries.insert(primaries.end(), weights.primary.begin(),
                         weights.primary.begin() + weights.primaryCount);
    }
    std::sort(primaries.begin(), primaries.end());
    primaries.erase(std::unique(primaries.begin(), primaries.end()), primaries.end());
    narrowPrimaries_ = primaries.size() < 255;
    if (narrowPrimaries_) {
        for (Weights& weights : weights_) {
            for (int k = 0; k < weights.primaryCount; ++k) {
                uint16_t& weight = weights.primary[static_cast<size_t>(k)];
                weight = static_cast<uint16_t>(
                    std::lower_bound(primaries.begin(), primaries.end(), weight) -
                    primaries.begin() + 1);
            }
        }
    }
    valid_ = SelfCheck(collator.get());
    // Nearly every letter has one weight per level: heads of texts made of
    // such letters need no loops over weights.
    for (size_t b = 0; b < 256; ++b) {
        const Weights& weights = weights_[b];
        const bool simple = narrowPrimaries_ && classes_[b] != ByteClass::kUnserved &&
                            weights.primaryCount == 1 && weights.secondaryCount == 1 &&
                            (caseInsensitive_ || weights.tertiaryCount == 1);
        flags_[b] |= simple ? 0 : kNotSimple;
        flags_[b] |= classes_[b] == ByteClass::kStartsSequence ? kBeginsSequence : 0;
        Single& single = singles_[b];
        single.primary = static_cast<uint8_t>(weights.primary[0]);
        single.secondary = weights.secondary[0];
        single.tertiary = weights.tertiary[0];
    }
    for (const std::string& sequence : sequences_) {
        for (size_t i = 1; i < sequence.size(); ++i) {
            flags_[static_cast<unsigned char>(sequence[i])] |= kInSequence;
        }
    }
}

bool TCollationKeyMaker::StartsSequence(std::string_view text) const {
    for (const std::string& sequence : sequences_) {
        if (text.starts_with(sequence)) {
            return true;
        }
    }
    return false;
}

template <typename Sink>
void TCollationKeyMaker::Emit(std::string_view text, Sink&& sink) const {
    auto put = [&sink](unsigned value) { return sink(static_cast<unsigned char>(value)); };
    for (const char ch : text) {
        const Weights& weights = weights_[static_cast<unsigned char>(ch)];
        for (int k = 0; k < weights.primaryCount; ++k) {
            const uint16_t weight = weights.primary[static_cast<size_t>(k)];
            if ((!narrowPrimaries_ && !put(weight >> 8u)) || !put(weight & 0xFFu)) {
                return;
            }
        }
    }
    if (!put(0) || (!narrowPrimaries_ && !put(0))) {
        return;
    }
    for (const char ch : text) {
        const Weights& weights = weights_[static_cast<unsigned char>(ch)];
        for (int k = 0; k < weights.secondaryCount; ++k) {
            if (!put(weights.secondary[static_cast<size_t>(k)])) {
                return;
            }
        }
    }
    if (caseInsensitive_ || !put(0)) {
        return;
    }
    for (const char ch : text) {
        const Weights& weights = weights_[static_cast<unsigned char>(ch)];
        for (int k = 0; k < weights.tertiaryCount; ++k) {
            if (!put(weights.tertiary[static_cast<size_t>(k)])) {
                return;
            }
        }
    }
}

void TCollationKeyMaker::Make(std::string_view text, std::string& key) const {
    key.clear();
    Emit(text, [&key](unsigned char byte) {
        key.push_back(static_cast<char>(byte));
        return true;
    });
}

namespace {

// The head of a key's first kSortKeyHeadSize bytes.
TSortKeyHead HeadOfBytes(const unsigned char* bytes) {
    uint64_t high = 0;
    uint32_t low = 0;
    std::memcpy(&high, bytes, sizeof high);
    std::memcpy(&low, bytes + sizeof high, sizeof low);
    if constexpr (std::endian::native == std::endian::little) {
        high = __builtin_bswap64(high);
        low = __builtin_bswap32(low);
    }
    return {high, low};
}

}  // namespace

TSortKeyHead SortKeyHeadOf(std::string_view key) {
    unsigned char bytes[kSortKeyHeadSize] = {};
    std::memcpy(bytes, key.data(), std::min(key.size(), kSortKeyHeadSize));
    return HeadOfBytes(bytes);
}

bool TCollationKeyMaker::MakeSimpleHead(std::string_view text, TSortKeyHead& head) const {
    // One pass without early exits; a contraction's sequence needs both its
    // first byte and a later one, which is rare.
    unsigned flags = 0;
    for (const char ch : text) {
        flags |= flags_[static_cast<unsigned char>(ch)];
    }
    if ((flags & kNotSimple) != 0 ||
        ((flags & kBeginsSequence) != 0 && (flags & kInSequence) != 0 && !Serves(text))) {
        return false;
    }
    // Each level is one byte per letter: primaries, 0, secondaries[, 0,
    // tertiaries], cut at the head's end.
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t length = text.size();
    unsigned char out[kSortKeyHeadSize + 1] = {};
    const size_t primaries = std::min(length, kSortKeyHeadSize);
    for (size_t i = 0; i < primaries; ++i) {
        out[i] = singles_[bytes[i]].primary;
    }
    size_t filled = primaries + 1;  // the level's end: the zero already there
    for (size_t i = 0; filled < kSortKeyHeadSize && i < length; ++i) {
        out[filled++] = singles_[bytes[i]].secondary;
    }
    if (!caseInsensitive_) {
        ++filled;
        for (size_t i = 0; filled < kSortKeyHeadSize && i < length; ++i) {
            out[filled++] = singles_[bytes[i]].tertiary;
        }
    }
    head = HeadOfBytes(out);
    return true;
}

bool TCollationKeyMaker::MakeHead(std::string_view text, TSortKeyHead& head) const {
    if (MakeSimpleHead(text, head)) {
        return true;
    }
    if (!Serves(text)) {
        return false;
    }
    unsigned char bytes[kSortKeyHeadSize] = {};
    size_t filled = 0;
    Emit(text, [&bytes, &filled](unsigned char byte) {
        bytes[filled++] = byte;
        return filled < kSortKeyHeadSize;
    });
    head = HeadOfBytes(bytes);
    return true;
}

bool TCollationKeyMaker::SelfCheck(void* collatorHandle) const {
    auto* collator = static_cast<UCollator*>(collatorHandle);
    // Every served text of one and two bytes, ordered by key: each
    // neighbouring pair must compare as the collator compares it.
    std::vector<std::string> texts;
    texts.emplace_back();
    for (int a = 0; a < 256; ++a) {
        if (classes_[a] == ByteClass::kUnserved) {
            continue;
        }
        texts.emplace_back(1, static_cast<char>(a));
        for (int b = 0; b < 256; ++b) {
            std::string pair{static_cast<char>(a), static_cast<char>(b)};
            if (Serves(pair)) {
                texts.push_back(std::move(pair));
            }
        }
    }
    std::vector<std::string> keys(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        Make(texts[i], keys[i]);
    }
    std::vector<size_t> order(texts.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
    for (size_t i = 1; i < order.size(); ++i) {
        const std::u16string a = platform::Cp1250ToUtf16(texts[order[i - 1]]);
        const std::u16string b = platform::Cp1250ToUtf16(texts[order[i]]);
        const UCollationResult expected = ucol_strcoll(
            collator, reinterpret_cast<const UChar*>(a.data()), static_cast<int32_t>(a.size()),
            reinterpret_cast<const UChar*>(b.data()), static_cast<int32_t>(b.size()));
        const int c = keys[order[i - 1]].compare(keys[order[i]]);
        const bool agrees = c == 0 ? expected == UCOL_EQUAL : expected == UCOL_LESS;
        if (!agrees) {
            return false;
        }
    }
    return true;
}

namespace {

// Each strength's maker is built (and checked) only once it is asked for.
template <bool kCaseInsensitive>
const TCollationKeyMaker* UserMaker() {
    static const TCollationKeyMaker maker(platform::TextCollator::User().Locale(),
                                          kCaseInsensitive);
    return maker.Valid() ? &maker : nullptr;
}

}  // namespace

const TCollationKeyMaker* TCollationKeyMaker::ForUser(bool caseInsensitive) {
    return caseInsensitive ? UserMaker<true>() : UserMaker<false>();
}

}  // namespace spisotek::memtable
