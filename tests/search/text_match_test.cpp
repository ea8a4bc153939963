#include "search/text_match.h"

#include <gtest/gtest.h>

namespace spisotek::search {
namespace {

TEST(TextMatchTest, TrimRemovesBytesUpTo32OnBothEnds) {
    EXPECT_EQ(TrimControls(" \t\x01KOW\x1f \r\n"), "KOW");
    EXPECT_EQ(TrimControls("   "), "");
    EXPECT_EQ(TrimControls(""), "");
    EXPECT_EQ(TrimControls("A B"), "A B");
    EXPECT_EQ(TrimControls("\xa0X\xa0"), "\xa0X\xa0");  // no-break space is not trimmed
}

TEST(TextMatchTest, FoldingTouchesOnlyAsciiLetters) {
    // "kraków" in Windows-1250: the o with acute stays lower case.
    EXPECT_EQ(FoldAscii("krak\xf3w-1"), "KRAK\xf3W-1");
    EXPECT_EQ(FoldAscii("\xb9\xea\x9c"), "\xb9\xea\x9c");
    EXPECT_EQ(FoldAscii("az{`@AZ"), "AZ{`@AZ");
}

struct MatchCase {
    const char* haystack;
    const char* needle;  // already folded
    bool starts;
    bool contains;
};

class TextMatchCaseTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(TextMatchCaseTest, PrefixAndContainment) {
    const MatchCase& c = GetParam();
    EXPECT_EQ(StartsWithFolded(c.haystack, c.needle), c.starts);
    EXPECT_EQ(ContainsFolded(c.haystack, c.needle), c.contains);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextMatchCaseTest,
    ::testing::Values(MatchCase{"Kowalski", "KOW", true, true},
                      MatchCase{"Makowalski", "KOW", false, true},
                      MatchCase{"KOW", "KOW", true, true}, MatchCase{"KO", "KOW", false, false},
                      MatchCase{"anything", "", false, false}, MatchCase{"", "", false, false},
                      MatchCase{"KRAK\xd3W", "KRAK\xf3W", false, false},  // Ó vs ó
                      MatchCase{"Krak\xf3w", "KRAK\xf3W", true, true},
                      MatchCase{"abcabd", "ABD", false, true},
                      MatchCase{" KOW", "KOW", false, true}));

}  // namespace
}  // namespace spisotek::search
