#include "memtable/collation_key.h"

#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/uset.h>

#include <algorithm>
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
    safe_.fill(true);
    USet* contractions = uset_openEmpty();
    ucol_getContractionsAndExpansions(collator.get(), contractions, nullptr, true, &status);
    if (U_FAILURE(status)) {
        uset_close(contractions);
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
                    safe_[byte] = false;
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

    // The collation elements of each byte on its own.
    for (int b = 0; b < 256; ++b) {
        if (!safe_[b]) {
            continue;
        }
        const UChar ch = platform::Cp1250ToUnicode(static_cast<unsigned char>(b));
        UErrorCode elementStatus = U_ZERO_ERROR;
        UCollationElements* elements = ucol_openElements(collator.get(), &ch, 1, &elementStatus);
        if (U_FAILURE(elementStatus)) {
            safe_[b] = false;
            continue;
        }
        Weights& weights = weights_[static_cast<size_t>(b)];
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
                weights.primary.push_back(primary);
            }
            if (secondary != 0) {
                weights.secondary.push_back(secondary);
            }
            if (tertiary != 0) {
                weights.tertiary.push_back(tertiary);
            }
        }
        ucol_closeElements(elements);
        if (U_FAILURE(elementStatus)) {
            safe_[b] = false;
        }
    }
    // Primary weights that occur get ranks in their order, one byte each
    // when there are few enough, so a key's first bytes cover more letters.
    std::vector<uint16_t> primaries;
    for (const Weights& weights : weights_) {
        primaries.insert(primaries.end(), weights.primary.begin(), weights.primary.end());
    }
    std::sort(primaries.begin(), primaries.end());
    primaries.erase(std::unique(primaries.begin(), primaries.end()), primaries.end());
    narrowPrimaries_ = primaries.size() < 255;
    if (narrowPrimaries_) {
        for (Weights& weights : weights_) {
            for (uint16_t& weight : weights.primary) {
                weight = static_cast<uint16_t>(
                    std::lower_bound(primaries.begin(), primaries.end(), weight) -
                    primaries.begin() + 1);
            }
        }
    }
    valid_ = SelfCheck(collator.get());
}

void TCollationKeyMaker::Make(std::string_view text, std::string& key) const {
    key.clear();
    for (const char ch : text) {
        for (const uint16_t weight : weights_[static_cast<unsigned char>(ch)].primary) {
            if (!narrowPrimaries_) {
                key.push_back(static_cast<char>(weight >> 8));
            }
            key.push_back(static_cast<char>(weight & 0xFF));
        }
    }
    key.append(narrowPrimaries_ ? 1 : 2, '\0');
    for (const char ch : text) {
        for (const uint8_t weight : weights_[static_cast<unsigned char>(ch)].secondary) {
            key.push_back(static_cast<char>(weight));
        }
    }
    if (caseInsensitive_) {
        return;
    }
    key.push_back('\0');
    for (const char ch : text) {
        for (const uint8_t weight : weights_[static_cast<unsigned char>(ch)].tertiary) {
            key.push_back(static_cast<char>(weight));
        }
    }
}

bool TCollationKeyMaker::SelfCheck(void* collatorHandle) const {
    auto* collator = static_cast<UCollator*>(collatorHandle);
    // Every served text of one and two bytes, ordered by key: each
    // neighbouring pair must compare as the collator compares it.
    std::vector<std::string> texts;
    texts.emplace_back();
    for (int a = 0; a < 256; ++a) {
        if (!safe_[a]) {
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

const TCollationKeyMaker* TCollationKeyMaker::ForUser(bool caseInsensitive) {
    static const TCollationKeyMaker secondary(platform::TextCollator::User().Locale(), true);
    static const TCollationKeyMaker tertiary(platform::TextCollator::User().Locale(), false);
    const TCollationKeyMaker& maker = caseInsensitive ? secondary : tertiary;
    return maker.Valid() ? &maker : nullptr;
}

}  // namespace spisotek::memtable
