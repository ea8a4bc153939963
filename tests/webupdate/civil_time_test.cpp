#include "webupdate/civil_time.h"

#include <gtest/gtest.h>

#include <optional>

#include "webupdate/test_support.h"

namespace spisotek::webupdate {
namespace {

using testing::At;

struct DateCase {
    const char* text;
    const char* format;
    char separator;
    std::optional<CivilTime> expected;
};

TEST(CivilTimeTest, ParsesDatesUnderTheFormat) {
    const CivilTime today = At(2026, 12, 11, 10, 0, 0);
    const DateCase cases[] = {
        {"19/06/2009", "dd/mm/yyyy", '/', At(2009, 6, 19)},
        {"1/2/2026", "dd/mm/yyyy", '/', At(2026, 2, 1)},
        {"29/02/2024", "dd/mm/yyyy", '/', At(2024, 2, 29)},
        {" 5 / 3 / 2020 ", "dd/mm/yyyy", '/', At(2020, 3, 5)},
        {"06/19/2009", "mm/dd/yyyy", '/', At(2009, 6, 19)},
        {"2009-06-19", "yyyy-mm-dd", '-', At(2009, 6, 19)},
        {"19.06.2009", "dd.mm.yyyy", '.', At(2009, 6, 19)},
        {"19/06/09", "dd/mm/yyyy", '/', At(2009, 6, 19)},
        {"19/06", "dd/mm/yyyy", '/', At(2026, 6, 19)},
        {"31/02/2026", "dd/mm/yyyy", '/', std::nullopt},
        {"29/02/2025", "dd/mm/yyyy", '/', std::nullopt},
        {"ab/cd/efgh", "dd/mm/yyyy", '/', std::nullopt},
        {"19.06.2009", "dd/mm/yyyy", '/', std::nullopt},
        {"19/13/2009", "dd/mm/yyyy", '/', std::nullopt},
        {"0/1/2009", "dd/mm/yyyy", '/', std::nullopt},
        {"1/1/2009/1", "dd/mm/yyyy", '/', std::nullopt},
        {"", "dd/mm/yyyy", '/', std::nullopt},
        {"//", "dd/mm/yyyy", '/', std::nullopt},
        {"1/1/99999", "dd/mm/yyyy", '/', std::nullopt},
    };
    for (const DateCase& c : cases) {
        EXPECT_EQ(ParseDateText(c.text, c.format, c.separator, today), c.expected) << c.text;
    }
}

struct TimeCase {
    const char* text;
    char separator;
    std::optional<std::int64_t> expected;
};

TEST(CivilTimeTest, ParsesTimesOfDay) {
    const TimeCase cases[] = {
        {"14:03", ':', 14 * 3600 + 3 * 60},
        {"14:03:22", ':', 14 * 3600 + 3 * 60 + 22},
        {"0:0", ':', 0},
        {"23:59:59", ':', 86399},
        {"14.03", '.', 14 * 3600 + 3 * 60},
        {"24:00", ':', std::nullopt},
        {"12:60", ':', std::nullopt},
        {"12", ':', std::nullopt},
        {"ab:cd", ':', std::nullopt},
        {"", ':', std::nullopt},
        {"1:2:3:4", ':', std::nullopt},
    };
    for (const TimeCase& c : cases) {
        EXPECT_EQ(ParseTimeText(c.text, "hh:nn", c.separator), c.expected) << c.text;
    }
}

TEST(CivilTimeTest, FormatsWithSeparators) {
    const CivilTime when = At(2009, 6, 19, 14, 3, 22);
    EXPECT_EQ(FormatCivilTime(when, "dd/mm/yyyy hh:nn:ss", '/', ':'), "19/06/2009 14:03:22");
    EXPECT_EQ(FormatCivilTime(when, "dd/mm/yyyy hh:nn:ss", '.', '-'), "19.06.2009 14-03-22");
    EXPECT_EQ(FormatCivilTime(At(2001, 2, 3, 4, 5, 6), "d/m/yy h:n:s", '/', ':'), "3/2/01 4:5:6");
}

TEST(CivilTimeTest, SplitsWhatItMakes) {
    const CivilFields fields{1980, 1, 1, 0, 0, 0};
    const CivilTime fallback = FallbackDate();
    const CivilFields back = SplitCivilTime(fallback);
    EXPECT_EQ(back.year, fields.year);
    EXPECT_EQ(back.month, 1);
    EXPECT_EQ(back.day, 1);
    const CivilFields leap = SplitCivilTime(At(2024, 2, 29, 23, 59, 58));
    EXPECT_EQ(leap.month, 2);
    EXPECT_EQ(leap.day, 29);
    EXPECT_EQ(leap.second, 58);
    EXPECT_LT(At(2009, 6, 19, 14, 3), At(2009, 6, 19, 14, 4));
}

TEST(CivilTimeTest, ReadsALocalFilesLastWriteTime) {
    testing::TempDir dir;
    testing::WriteFile(dir.File("a.dat"), "x");
    EXPECT_TRUE(FileLastWriteTime(dir.File("a.dat")).has_value());
    EXPECT_FALSE(FileLastWriteTime(dir.File("missing.dat")).has_value());
    EXPECT_FALSE(FileLastWriteTime(dir.Path()).has_value());
}

}  // namespace
}  // namespace spisotek::webupdate
