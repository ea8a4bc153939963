#include "webupdate/profile_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "webupdate/test_support.h"

namespace spisotek::webupdate {
namespace {

struct StringCase {
    const char* text;
    const char* section;
    const char* key;
    const char* expected;
};

TEST(ProfileFileTest, ReadsStringsByProfileRules) {
    const StringCase cases[] = {
        {"[update]\ndescr=Nowa baza\n", "update", "descr", "Nowa baza"},
        {"[UPDATE]\nDESCR=x\n", "update", "descr", "x"},
        {"[update]\ndescr=x\n", "UpDaTe", "DeScR", "x"},
        {"  [ update ]  \n  descr  =   a b  \n", "update", "descr", "a b"},
        {"[update]\r\ndescr=crlf\r\n", "update", "descr", "crlf"},
        {"[update]\ndescr=\"quoted value\"\n", "update", "descr", "quoted value"},
        {"[update]\ndescr='single'\n", "update", "descr", "single"},
        {"[update]\ndescr=\"\"inner\"\"\n", "update", "descr", "\"inner\""},
        {"[update]\ndescr=\"unbalanced\n", "update", "descr", "\"unbalanced"},
        {"[update]\ndescr=a=b=c\n", "update", "descr", "a=b=c"},
        {"[update]\n;descr=comment\ndescr=real\n", "update", "descr", "real"},
        {"[update]\n  ; descr=comment\n", "update", "descr", "<default>"},
        {"[update]\ndescr=first\ndescr=second\n", "update", "descr", "first"},
        {"[update]\ndescr=first\n[Update]\ndescr=second\nother=y\n", "update", "descr", "first"},
        {"[update]\ndescr=first\n[Update]\nother=y\n", "update", "other", "<default>"},
        {"descr=before any section\n[update]\n", "update", "descr", "<default>"},
        {"[update]\nnoequals\n", "update", "noequals", "<default>"},
        {"[update]\ndescr=\n", "update", "descr", ""},
        {"[files]\ncount=3\n", "update", "count", "<default>"},
        {"[update]\ndescr=\xb9\xe6\xea\xb3\n", "update", "descr", "\xb9\xe6\xea\xb3"},
        {"[update]\nlocalversion={APP}\\baza.dat\n", "update", "localversion", "{APP}\\baza.dat"},
        {"", "update", "descr", "<default>"},
    };
    for (const StringCase& c : cases) {
        const ProfileFile profile = ProfileFile::FromText(c.text);
        EXPECT_EQ(profile.ReadString(c.section, c.key, "<default>"), c.expected) << c.text;
    }
}

TEST(ProfileFileTest, ValueIsCutTo2047Characters) {
    const std::string longValue(100000, 'v');
    const ProfileFile profile = ProfileFile::FromText("[update]\ndescr=" + longValue + "\n");
    EXPECT_EQ(profile.ReadString("update", "descr"), std::string(2047, 'v'));
}

struct IntegerCase {
    const char* text;
    std::optional<std::int32_t> expected;
};

TEST(ProfileFileTest, ParsesIntegersAsWritten) {
    const IntegerCase cases[] = {
        {"0", 0},
        {"42", 42},
        {"-42", -42},
        {"+7", 7},
        {"  12", 12},
        {"$FF", 255},
        {"$ff", 255},
        {"0x10", 16},
        {"0X10", 16},
        {"$FFFFFFFF", -1},
        {"0x80000000", INT32_MIN},
        {"-$10", -16},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"99999999999", std::nullopt},
        {"$100000000", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"yes", std::nullopt},
        {"12abc", std::nullopt},
        {"1.5", std::nullopt},
        {"$G", std::nullopt},
    };
    for (const IntegerCase& c : cases) {
        EXPECT_EQ(ParseProfileInteger(c.text), c.expected) << c.text;
    }
}

TEST(ProfileFileTest, IntegersAndFlagsFallBackToDefaults) {
    const ProfileFile profile = ProfileFile::FromText(
        "[file1]\nnewsize=abc\nnewchecksum=0x1F\ncompressed=yes\nmandatory=1\nhidden=2\n"
        "filesize=\"12\"\n");
    EXPECT_EQ(profile.ReadInteger("file1", "newsize", 0), 0);
    EXPECT_EQ(profile.ReadInteger("file1", "newchecksum", -1), 31);
    EXPECT_EQ(profile.ReadInteger("file1", "filesize", 0), 12);
    EXPECT_EQ(profile.ReadInteger("file1", "missing", -1), -1);
    EXPECT_FALSE(profile.ReadFlag("file1", "compressed"));
    EXPECT_TRUE(profile.ReadFlag("file1", "mandatory"));
    EXPECT_FALSE(profile.ReadFlag("file1", "hidden"));
    EXPECT_FALSE(profile.ReadFlag("file1", "missing"));
}

TEST(ProfileFileTest, LoadsFilesAndRefusesWhatCannotBeRead) {
    testing::TempDir dir;
    testing::WriteFile(dir.File("spisotek.inf"), "[files]\ncount=2\n");
    const auto profile = ProfileFile::Load(dir.File("spisotek.inf"));
    ASSERT_TRUE(profile.has_value());
    EXPECT_EQ(profile->ReadInteger("files", "count", 0), 2);
    EXPECT_TRUE(profile->HasSection("FILES"));
    EXPECT_FALSE(profile->HasSection("file1"));
    EXPECT_FALSE(ProfileFile::Load(dir.File("missing.inf")).has_value());
    EXPECT_FALSE(ProfileFile::Load(dir.Path()).has_value());
}

TEST(ProfileFileTest, BadInputGivesDefaultsWithoutCrashing) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        binary.push_back(static_cast<char>((i * 37) & 0xFF));
    }
    const std::string texts[] = {
        binary,
        std::string("[upd"),
        std::string("[update]\ndescr=abc\0def\n", 22),
        std::string("[]\n=\n[\n]\n==\n"),
        std::string(10 * 1024 * 1024, '['),
    };
    for (const std::string& text : texts) {
        const ProfileFile profile = ProfileFile::FromText(text);
        EXPECT_EQ(profile.ReadInteger("files", "count", 0), 0);
        EXPECT_EQ(profile.ReadInteger("update", "newchecksum", -1), -1);
    }
}

TEST(ProfileFileTest, TenMegabytesOfSectionsReadInFull) {
    std::string text = "[files]\ncount=2000000000\n";
    int sections = 0;
    while (text.size() < 10 * 1024 * 1024) {
        ++sections;
        text += "[file" + std::to_string(sections) + "]\nurl=http://h/" + std::to_string(sections) +
                "\n";
    }
    const ProfileFile profile = ProfileFile::FromText(text);
    EXPECT_EQ(profile.ReadInteger("files", "count", 0), 2000000000);
    EXPECT_EQ(profile.ReadString("file" + std::to_string(sections), "url"),
              "http://h/" + std::to_string(sections));
    EXPECT_FALSE(profile.HasSection("file" + std::to_string(sections + 1)));
}

TEST(ProfileFileTest, BackslashesReadAsSlashes) {
    EXPECT_EQ(ToSlashes("{APP}\\dane\\baza.dat"), "{APP}/dane/baza.dat");
    EXPECT_EQ(ToSlashes("plain"), "plain");
}

}  // namespace
}  // namespace spisotek::webupdate
