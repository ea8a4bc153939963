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

}  // namespace
}  // namespace spisotek::memtable
