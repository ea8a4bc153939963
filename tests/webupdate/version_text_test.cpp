#include "webupdate/version_text.h"

#include <gtest/gtest.h>

namespace spisotek::webupdate {
namespace {

struct VersionCase {
    const char* text;
    bool valid;
    const char* written;  // as four numbers, when valid
};

TEST(VersionTextTest, ParsesVersionTexts) {
    const VersionCase cases[] = {
        {"7", true, "7.0.0.0"},
        {"1.2", true, "1.2.0.0"},
        {"1.2.3", true, "1.2.3.0"},
        {"1.2.3.4", true, "1.2.3.4"},
        {"1,2,3,4", true, "1.2.3.4"},
        {"1.2,3", true, "1.3.0.0"},
        {"2a.5", true, "2.5.0.0"},
        {"x.5", true, "0.5.0.0"},
        {"1.x.3.4", true, "1.0.3.0"},
        {"1.2.3.x", false, ""},
        {"1.2.3.4.5", false, ""},
        {"1.2.3.", false, ""},
        {"", false, ""},
        {"abc", false, ""},
        {"99999999999", false, ""},
        {",,,", true, "0.0.0.0"},
        {"...", true, "0.0.0.0"},
        {"1.", true, "1.0.0.0"},
        {"$A.$B", true, "10.11.0.0"},
        {" 3 . 4", true, "3.4.0.0"},
        {"70000.1", true, "4464.1.0.0"},
        {"1.2.3.65535", true, "1.2.3.65535"},
    };
    for (const VersionCase& c : cases) {
        const VersionPair version = ParseVersion(c.text);
        EXPECT_EQ(IsValidVersion(version), c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(VersionToText(version), c.written) << c.text;
        }
    }
}

TEST(VersionTextTest, PacksLikeAVersionResource) {
    const VersionPair version = ParseVersion("1.2.3.4");
    EXPECT_EQ(version.high, 0x00010002);
    EXPECT_EQ(version.low, 0x00030004);
}

TEST(VersionTextTest, InvalidVersionIsWrittenAllOnes) {
    EXPECT_EQ(VersionToText(VersionPair{}), "65535.65535.65535.65535");
}

struct OrderCase {
    const char* newer;
    const char* older;
};

TEST(VersionTextTest, ComparesHighThenLowAsSignedValues) {
    const OrderCase cases[] = {
        {"1.0.0.1", "1.0.0.0"},
        {"1.1", "1.0.9.9"},
        {"2", "1.65535.65535.65535"},
        {"0.0.0.1", "0.0.0.0"},
    };
    for (const OrderCase& c : cases) {
        EXPECT_TRUE(VersionGreater(ParseVersion(c.newer), ParseVersion(c.older)))
            << c.newer << " > " << c.older;
        EXPECT_FALSE(VersionGreater(ParseVersion(c.older), ParseVersion(c.newer)))
            << c.older << " > " << c.newer;
    }
    EXPECT_FALSE(VersionGreater(ParseVersion("1.2.3.4"), ParseVersion("1,2,3,4")));
    // A local file without a version counts as -1/-1: older than anything
    // below 32768.0.0.0, where the high half turns negative.
    EXPECT_TRUE(VersionGreater(ParseVersion("0.0.0.0"), VersionPair{}));
    EXPECT_TRUE(VersionGreater(ParseVersion("32767.65535.0.0"), VersionPair{}));
    EXPECT_FALSE(VersionGreater(ParseVersion("32768.0.0.0"), VersionPair{}));
}

}  // namespace
}  // namespace spisotek::webupdate
