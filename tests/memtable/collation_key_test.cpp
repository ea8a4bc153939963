#include "memtable/collation_key.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/text_collator.h"

namespace spisotek::memtable {
namespace {

// Keys from per-byte weights order texts exactly as the collator does, on
// random texts of every served byte.
TEST(CollationKeyTest, KeysOrderAsTheCollatorCompares) {
    const auto& collator = platform::TextCollator::User();
    for (bool ci : {true, false}) {
        const TCollationKeyMaker* maker = TCollationKeyMaker::ForUser(ci);
        ASSERT_NE(maker, nullptr) << "the default collator has a maker, ci " << ci;
        std::string served;
        for (int b = 1; b < 256; ++b) {
            const std::string one(1, static_cast<char>(b));
            if (maker->Serves(one)) {
                served += one;
            }
        }
        // Nearly every byte is served; Polish letters certainly, and "l"
        // except before a middle dot, which the collator contracts with it.
        EXPECT_GT(served.size(), 200u);
        EXPECT_TRUE(
            maker->Serves("\xA3\xF3"
                          "d\x9F \xAF\xF3\xB3w Lis"));
        EXPECT_FALSE(maker->Serves("Col\xB7legi"));
        std::mt19937 random(ci ? 1 : 2);
        std::uniform_int_distribution<int> length(0, 6);
        std::uniform_int_distribution<size_t> pick(0, served.size() - 1);
        auto text = [&] {
            std::string t;
            for (int n = length(random); n > 0; --n) {
                t.push_back(served[pick(random)]);
            }
            return t;
        };
        std::string keyA;
        std::string keyB;
        for (int i = 0; i < 100000; ++i) {
            std::string a = text();
            std::string b = i % 4 == 0 ? a.substr(0, a.size() / 2) + text() : text();
            if (!maker->Serves(a) || !maker->Serves(b)) {
                continue;  // a contraction's sequence: left to the collator
            }
            maker->Make(a, keyA);
            maker->Make(b, keyB);
            const int c = keyA.compare(keyB);
            const int expected = collator.Compare(a, b, ci);
            ASSERT_EQ(c < 0 ? -1 : c > 0 ? 1 : 0, expected) << "ci " << ci << " pair " << i;
        }
    }
}

// A key's head is its first twelve bytes, zero-padded, read big-endian.
TEST(CollationKeyTest, HeadIsTheKeysBeginning) {
    const TSortKeyHead shortHead = SortKeyHeadOf(std::string("\x01\x02", 2));
    EXPECT_EQ(shortHead.high, 0x0102000000000000u);
    EXPECT_EQ(shortHead.low, 0u);
    const TSortKeyHead longHead = SortKeyHeadOf("ABCDEFGHIJKLMN");
    EXPECT_EQ(longHead.high, 0x4142434445464748u);
    EXPECT_EQ(longHead.low, 0x494A4B4Cu);
    // Keys shorter than, as long as and longer than a head; letters with
    // one weight per level and others (the expansion of sharp s).
    for (bool ci : {true, false}) {
        const TCollationKeyMaker* maker = TCollationKeyMaker::ForUser(ci);
        ASSERT_NE(maker, nullptr);
        for (const std::string text : {"", "a", "Lis",
                                       "\xA3\xF3"
                                       "d\x9F",
                                       "abcde", "KOWALCZYKOWSKA",
                                       "Stra\xDF"
                                       "e \xC6ma"}) {
            std::string key;
            maker->Make(text, key);
            TSortKeyHead head{~uint64_t{0}, ~uint32_t{0}};
            ASSERT_TRUE(maker->MakeHead(text, head));
            const TSortKeyHead expected = SortKeyHeadOf(key);
            EXPECT_EQ(head.high, expected.high) << "text " << text << " ci " << ci;
            EXPECT_EQ(head.low, expected.low) << "text " << text << " ci " << ci;
        }
        TSortKeyHead head;
        EXPECT_FALSE(maker->MakeHead("Col\xB7legi", head));
        EXPECT_TRUE(maker->MakeHead("Col legi \xB7", head));
    }
}

}  // namespace
}  // namespace spisotek::memtable
