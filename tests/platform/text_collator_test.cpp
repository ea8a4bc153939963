#include "platform/text_collator.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <random>

namespace spisotek::platform {
namespace {

TEST(TextCollator, PolishOrderAndCaseRules) {
    const TextCollator collator("pl_PL");
    struct Case {
        std::string a;
        std::string b;
        bool caseInsensitive;
        int expected;
    };
    const Case cases[] = {
        {"KOWAL", "kowal", true, 0},
        {"KOWAL", "kowal", false, 1},  // upper case after lower at the third level
        {"a", "\xB9", true, -1},       // a < ą
        {"\xB9", "b", true, -1},       // ą < b
        {"l", "\xB3", true, -1},       // l < ł
        {"\xA3\xD3"
         "D\x8F",
         "\xB3\xF3"
         "d\x9F",
         true, 0},  // ŁÓDŹ = łódź
        {"\xA3\xD3"
         "D\x8F",
         "LODZ", true, 1},           // accents still count
        {"z", "\x9F", true, -1},     // z < ź
        {"\x9F", "\xBF", true, -1},  // ź < ż
        {"", "", false, 0},
        {"", "a", true, -1},
        {"ABC", "AB", true, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(collator.Compare(c.a, c.b, c.caseInsensitive), c.expected)
            << c.a << " vs " << c.b << " ci=" << c.caseInsensitive;
        EXPECT_EQ(collator.Compare(c.b, c.a, c.caseInsensitive), -c.expected);
        EXPECT_EQ(collator.Equal(c.a, c.b, c.caseInsensitive), c.expected == 0);
    }
}

TEST(TextCollator, LocaleComesFromTheEnvironmentWithPolishForCAndNone) {
    struct Case {
        const char* lcAll;
        const char* lcCollate;
        const char* lang;
        const char* expected;
    };
    const Case cases[] = {
        {"", "", "", "pl_PL"},
        {"C", "", "de_DE.UTF-8", "pl_PL"},
        {"", "POSIX", "de_DE.UTF-8", "pl_PL"},
        {"", "", "de_DE.UTF-8", "de_DE"},
        {"", "cs_CZ.UTF-8", "de_DE", "cs_CZ"},
        {"en_US.UTF-8@euro", "cs_CZ", "de_DE", "en_US"},
        {"", "", "C.UTF-8", "pl_PL"},
    };
    for (const Case& c : cases) {
        setenv("LC_ALL", c.lcAll, 1);
        setenv("LC_COLLATE", c.lcCollate, 1);
        setenv("LANG", c.lang, 1);
        EXPECT_EQ(TextCollator(TextCollator::LocaleFromEnvironment()).Locale(), c.expected);
    }
    unsetenv("LC_ALL");
    unsetenv("LC_COLLATE");
    unsetenv("LANG");
}

// The fast path must agree with the collator on every pair, in locales with
// and without contractions and expansions, over the whole byte range.
TEST(TextCollator, FastEqualityAgreesWithTheCollator) {
    std::mt19937 random(20261211);
    const std::string common = "aAbBcChHlLsSzZ \xB7\xA5\xB9\xA3\xB3\x8C\x9C\xAF\xBF\xD3\xF3\xDF-";
    for (const char* locale : {"pl_PL", "cs_CZ", "de_DE", "en_US", "sk_SK"}) {
        const TextCollator collator(locale);
        for (int round = 0; round < 20000; ++round) {
            auto randomText = [&](size_t maxLength) {
                std::string text(random() % (maxLength + 1), ' ');
                for (char& c : text) {
                    c = random() % 4 == 0 ? static_cast<char>(1 + random() % 255)
                                          : common[random() % common.size()];
                }
                return text;
            };
            std::string a = randomText(4);
            std::string b = random() % 2 ? randomText(4) : a;
            if (random() % 2 && !b.empty()) {
                // Same text in another case: the pairs the fast path decides most.
                for (char& c : b) {
                    if (random() % 2)
                        c = static_cast<char>(c ^ 0x20);
                }
            }
            for (bool ci : {true, false}) {
                ASSERT_EQ(collator.Equal(a, b, ci), collator.Compare(a, b, ci) == 0)
                    << locale << " ci=" << ci << " '" << a << "' '" << b << "'";
            }
        }
    }
}

// Directory data is letters, digits and a little punctuation: those must not
// pay for the collator in the default locale.
TEST(TextCollator, PolishLettersTakeTheFastPath) {
    const TextCollator collator("pl_PL");
    const std::string plain =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 -.,/"
        "\xA5\xB9\xC6\xE6\xCA\xEA\xA3\xB3\xD1\xF1\xD3\xF3\x8C\x9C\x8F\x9F\xAF\xBF";
    for (char c : plain) {
        for (bool ci : {true, false}) {
            EXPECT_TRUE(collator.HasFastPath(static_cast<unsigned char>(c), ci))
                << "byte " << int(static_cast<unsigned char>(c)) << " ci=" << ci;
        }
    }
    EXPECT_FALSE(collator.HasFastPath(0xAD, true));  // soft hyphen is ignorable
    EXPECT_FALSE(collator.HasFastPath(0xDF, true));  // sharp s expands to "ss"
}

TEST(TextCollator, SortKeysOrderAsTheCollator) {
    const TextCollator collator("pl_PL");
    const std::string words[] = {"",
                                 "a",
                                 "A",
                                 "\xB9",
                                 "\xA5",
                                 "ab",
                                 "b",
                                 "\xB3"
                                 "ad",
                                 "lad",
                                 "Lad",
                                 "\x9F",
                                 "\xBF",
                                 "z",
                                 "ZZ",
                                 "\xA3\xF3"
                                 "d\x9F"};
    for (const auto& a : words) {
        for (const auto& b : words) {
            for (bool ci : {true, false}) {
                const int byKey = collator.SortKey(a, ci).compare(collator.SortKey(b, ci));
                EXPECT_EQ((byKey > 0) - (byKey < 0), collator.Compare(a, b, ci))
                    << a << " " << b << " " << ci;
            }
        }
    }
}

}  // namespace
}  // namespace spisotek::platform
