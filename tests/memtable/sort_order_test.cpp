#include "memtable/sort_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "memtable/collation_key.h"
#include "platform/cp1250.h"
#include "platform/text_collator.h"

namespace spisotek::memtable {
namespace {

const platform::TextCollator& Collator() {
    return platform::TextCollator::User();
}

// Where a list's collation keys come from.
enum class Keys { kNone, kCollator, kWeights };

// Texts with RecIds (1, 2, ... unless given), compared as the table compares
// ftString values.
class TextValues : public TSortValues {
  public:
    TextValues(std::vector<std::string> texts, bool caseInsensitive, Keys keys,
               std::vector<int32_t> recIds = {})
        : texts_(std::move(texts)), recIds_(std::move(recIds)), ci_(caseInsensitive), keys_(keys) {
        if (keys_ == Keys::kWeights) {
            maker_ = TCollationKeyMaker::ForUser(ci_);
        }
    }
    int Count() const override { return static_cast<int>(texts_.size()); }
    int CompareAt(int a, int b) const override { return Collator().Compare(Text(a), Text(b), ci_); }
    int32_t RecIdAt(int position) const override {
        return recIds_.empty() ? position + 1 : recIds_[static_cast<size_t>(position)];
    }
    bool SortKeyAt(int position, std::string& key) const override {
        switch (keys_) {
            case Keys::kNone:
                return false;
            case Keys::kCollator:
                key = Collator().SortKey(Text(position), ci_);
                return true;
            case Keys::kWeights:
                maker_->Make(Text(position), key);
                return true;
        }
        return false;
    }
    bool SortKeyHeads(const TSortKeyHeadSink& put) const override {
        if (keys_ != Keys::kWeights) {
            return TSortValues::SortKeyHeads(put);
        }
        for (int i = 0; i < Count(); ++i) {
            if (!maker_->Serves(Text(i))) {
                return false;
            }
        }
        // Each position twice, the first time with a wrong head: the last counts.
        for (int i = Count() - 1; i >= 0; --i) {
            put(i, TSortKeyHead{~uint64_t{0}, static_cast<uint32_t>(i)});
        }
        TSortKeyHead head;
        for (int i = 0; i < Count(); ++i) {
            maker_->MakeHead(Text(i), head);
            put(i, head);
        }
        return true;
    }
    const std::string& Text(int position) const { return texts_[static_cast<size_t>(position)]; }

  private:
    std::vector<std::string> texts_;
    std::vector<int32_t> recIds_;
    bool ci_;
    Keys keys_;
    const TCollationKeyMaker* maker_ = nullptr;
};

class IntValues : public TSortValues {
  public:
    explicit IntValues(std::vector<int> values) : values_(std::move(values)) {}
    int Count() const override { return static_cast<int>(values_.size()); }
    int CompareAt(int a, int b) const override {
        const int x = values_[static_cast<size_t>(a)];
        const int y = values_[static_cast<size_t>(b)];
        return x < y ? -1 : x > y ? 1 : 0;
    }
    int32_t RecIdAt(int position) const override { return position + 1; }

  private:
    std::vector<int> values_;
};

// Letters of the directory's data, Windows-1250: Polish letters in both
// cases, a few other accented letters, a space, a hyphen, digits.
const std::string kAlphabet =
    "aAbBcCeEkKlLnNoOsSzZ"
    "\xB9\xA5\xE6\xC6\xEA\xCA\xB3\xA3\xF1\xD1\xF3\xD3\x9C\x8C\x9F\x8F\xBF\xAF"
    "\xE9\xC9\xE4\xE8 -1";

std::string RandomWord(std::mt19937& random, int maxLength) {
    std::uniform_int_distribution<int> length(0, maxLength);
    std::uniform_int_distribution<size_t> letter(0, kAlphabet.size() - 1);
    std::string word;
    const int n = length(random);
    for (int i = 0; i < n; ++i) {
        word.push_back(kAlphabet[letter(random)]);
    }
    return word;
}

// The table's text match of a key against a record text (both options).
bool PrefixMatches(const std::string& key, const std::string& text, bool ci) {
    if (key.size() == text.size()) {
        return Collator().Compare(key, text, ci) == 0;
    }
    if (key.size() < text.size() && !key.empty()) {
        return Collator().Compare(key, std::string_view(text).substr(0, key.size()), ci) == 0;
    }
    return false;
}

TEST(SortOrderTest, SortKeysAndComparisonsGiveTheSameOrderWithRecIdTieBreak) {
    std::mt19937 random(7);
    std::vector<std::string> texts;
    for (int i = 0; i < 400; ++i) {
        texts.push_back(RandomWord(random, 4));
    }
    texts.push_back("kowal");
    texts.push_back("KOWAL");
    texts.push_back("kowal");
    for (bool ci : {false, true}) {
        for (bool desc : {false, true}) {
            const TextValues keyed(texts, ci, Keys::kCollator);
            const TextValues plain(texts, ci, Keys::kNone);
            const auto a = SortPermutation(keyed, desc);
            const auto b = SortPermutation(plain, desc);
            EXPECT_EQ(a, b) << "ci " << ci << " desc " << desc;
            for (size_t i = 1; i < a.size(); ++i) {
                const int c = keyed.CompareAt(a[i - 1], a[i]);
                EXPECT_TRUE(desc ? c >= 0 : c <= 0);
                if (c == 0) {
                    // Equal values: RecId ascending in both directions.
                    EXPECT_LT(keyed.RecIdAt(a[i - 1]), keyed.RecIdAt(a[i]));
                }
            }
        }
    }
}

// Lists large enough to be sorted by key heads, with texts that agree far
// beyond a head (long shared beginnings), repeat exactly or in another case,
// are empty, and RecIds in store order or shuffled: both kinds of keys give
// the order of the plain comparison.
TEST(SortOrderTest, LargeListsSortByKeysAsByComparison) {
    std::mt19937 random(20261212);
    const std::vector<std::string> stems = {
        "",
        "KOWALCZYKOWSKA-NOWACKA ",
        "kowalczykowska-nowacka ",
        "ALEJA JANA PAW\xA3"
        "A II ",
        "Aleja Jana Paw\xB3\x61 II ",
        "\xAF\xD3\xA3TOWSKA",
    };
    std::vector<std::string> texts;
    for (int i = 0; i < 6000; ++i) {
        const int kind = static_cast<int>(random() % 4);
        if (kind == 0 && !texts.empty()) {
            texts.push_back(texts[random() % texts.size()]);  // a repeat
        } else if (kind == 1 && !texts.empty()) {
            texts.push_back(platform::ToUpperCp1250(texts[random() % texts.size()]));
        } else {
            texts.push_back(stems[random() % stems.size()] + RandomWord(random, kind == 2 ? 2 : 9));
        }
    }
    std::vector<int32_t> shuffled(texts.size());
    std::iota(shuffled.begin(), shuffled.end(), 1);
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    for (bool ci : {false, true}) {
        for (bool desc : {false, true}) {
            for (bool shuffledIds : {false, true}) {
                const std::vector<int32_t> ids = shuffledIds ? shuffled : std::vector<int32_t>{};
                const TextValues plain(texts, ci, Keys::kNone, ids);
                std::vector<int> expected(texts.size());
                std::iota(expected.begin(), expected.end(), 0);
                std::sort(expected.begin(), expected.end(),
                          [&](int a, int b) { return CompareInOrder(plain, a, b, desc) < 0; });
                for (Keys keys : {Keys::kCollator, Keys::kWeights}) {
                    const TextValues keyed(texts, ci, keys, ids);
                    EXPECT_EQ(SortPermutation(keyed, desc), expected)
                        << "ci " << ci << " desc " << desc << " shuffled " << shuffledIds
                        << " weights " << (keys == Keys::kWeights);
                }
            }
        }
    }
}

TEST(SortOrderTest, SortedSearchFindsFirstEqualOrReportsWhereTheKeyFalls) {
    const std::vector<int> ascending = {1, 3, 3, 5, 7, 7};
    const std::vector<int> descending = {7, 7, 5, 3, 3, 1};
    struct Case {
        int key;
        bool desc;
        bool found;
        int position;
    };
    const Case cases[] = {
        {0, false, false, -1}, {1, false, true, 0},  {3, false, true, 1}, {4, false, false, 3},
        {5, false, true, 3},   {6, false, false, 4}, {7, false, true, 4}, {8, false, false, -1},
        {8, true, false, -1},  {7, true, true, 0},   {3, true, true, 3},  {1, true, true, 5},
        {0, true, false, -1},  {4, true, false, 3},
    };
    for (const Case& c : cases) {
        const auto& list = c.desc ? descending : ascending;
        const auto result = SortedSearch(
            static_cast<int>(list.size()), -1, -1,
            [&](int i) {
                const int v = list[static_cast<size_t>(i)];
                return c.key < v ? -1 : c.key > v ? 1 : 0;
            },
            c.desc);
        EXPECT_EQ(result.found, c.found) << "key " << c.key << " desc " << c.desc;
        EXPECT_EQ(result.position, c.position) << "key " << c.key << " desc " << c.desc;
    }
    EXPECT_FALSE(SortedSearch(
                     0, -1, -1, [](int) { return 0; }, false)
                     .found);
}

TEST(SortOrderTest, SortedSearchStaysWithinItsHints) {
    const std::vector<int> list = {1, 2, 3, 3, 4, 5, 6};
    auto compare = [&](int key) {
        return [&list, key](int i) {
            const int v = list[static_cast<size_t>(i)];
            return key < v ? -1 : key > v ? 1 : 0;
        };
    };
    // 3 lies before the window 4..6.
    EXPECT_FALSE(SortedSearch(7, 4, 6, compare(3), false).found);
    EXPECT_EQ(SortedSearch(7, 4, 6, compare(3), false).position, -1);
    // Within 3..6 the first equal entry is the window's first.
    const auto inside = SortedSearch(7, 3, 6, compare(3), false);
    EXPECT_TRUE(inside.found);
    EXPECT_EQ(inside.position, 3);
    EXPECT_EQ(SortedSearch(7, 0, 2, compare(6), false).position, -1);
}

TEST(SortOrderTest, InsertPositionPlacesByFullOrder) {
    const std::vector<int> list = {1, 3, 5, 7};
    auto place = [&](int value, int lo, int hi) {
        return InsertPosition(lo, hi,
                              [&](int i) { return value < list[static_cast<size_t>(i)] ? -1 : 1; });
    };
    EXPECT_EQ(place(0, 0, 3), 0);
    EXPECT_EQ(place(4, 0, 3), 2);
    EXPECT_EQ(place(9, 0, 3), 4);
    EXPECT_EQ(place(4, 2, 3), 2);
    EXPECT_EQ(place(6, 0, 1), 2);
}

TEST(SortOrderTest, EqualRangeOfIntegers) {
    const IntValues values({5, 1, 3, 3, 9, 3});
    for (bool desc : {false, true}) {
        const auto order = SortPermutation(values, desc);
        auto compare = [&](int key) {
            return [&, key](int i) {
                const int v = std::vector<int>{
                    5, 1, 3, 3, 9, 3}[static_cast<size_t>(order[static_cast<size_t>(i)])];
                return key < v ? -1 : key > v ? 1 : 0;
            };
        };
        const auto [first, last] = EqualRange(6, compare(3), desc);
        EXPECT_EQ(last - first, 3);
        // Equal values keep RecId order: records 3, 4, 6.
        EXPECT_EQ(order[static_cast<size_t>(first)], 2);
        EXPECT_EQ(order[static_cast<size_t>(last - 1)], 5);
        const auto none = EqualRange(6, compare(4), desc);
        EXPECT_EQ(none.first, none.second);
    }
}

// Every text that begins with the key under the collator lies inside the
// block PrefixRange gives, for many generated keys and texts.
TEST(SortOrderTest, PrefixRangeHoldsEveryTextBeginningWithTheKey) {
    std::mt19937 random(20261211);
    std::vector<std::string> texts;
    for (int i = 0; i < 1500; ++i) {
        texts.push_back(RandomWord(random, 5));
    }
    int matchedKeys = 0;
    for (bool ci : {true, false}) {
        for (bool desc : {false, true}) {
            const TextValues values(texts, ci, Keys::kCollator);
            const auto order = SortPermutation(values, desc);
            const int count = static_cast<int>(order.size());
            for (int k = 0; k < 600; ++k) {
                std::string key = RandomWord(random, 3);
                if (k % 3 == 0) {
                    // A real prefix of a stored text, often with its case changed.
                    const std::string& text = texts[random() % texts.size()];
                    key = text.substr(0, random() % (text.size() + 1));
                    if (k % 2 == 0) {
                        key = platform::ToUpperCp1250(key);
                    }
                }
                const std::u16string upper = PrefixUpperBound(platform::Cp1250ToUtf16(key));
                const auto [first, last] = PrefixRange(
                    count,
                    [&](int i) {
                        return Collator().Compare(key, values.Text(order[static_cast<size_t>(i)]),
                                                  ci);
                    },
                    [&](int i) {
                        return Collator().CompareUtf16(
                            upper,
                            platform::Cp1250ToUtf16(values.Text(order[static_cast<size_t>(i)])),
                            ci);
                    },
                    desc);
                for (int i = 0; i < count; ++i) {
                    const std::string& text = values.Text(order[static_cast<size_t>(i)]);
                    if (PrefixMatches(key, text, ci)) {
                        ++matchedKeys;
                        ASSERT_TRUE(i >= first && i < last)
                            << "key '" << platform::Cp1250ToUtf8(key) << "' text '"
                            << platform::Cp1250ToUtf8(text) << "' ci " << ci << " desc " << desc
                            << " at " << i << " range " << first << ".." << last;
                    }
                }
            }
        }
    }
    // The generated keys really do hit texts.
    EXPECT_GT(matchedKeys, 1000);
}

}  // namespace
}  // namespace spisotek::memtable
