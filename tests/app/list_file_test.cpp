#include "app/list_file.h"

#include <gtest/gtest.h>

#include "app_test_support.h"

namespace spisotek::app::testing {
namespace {

TEST(ListFileTest, SplitsLinesAsTheListControlsRead) {
    const struct {
        std::string bytes;
        std::vector<std::string> items;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"\n", {""}},
        {"\r\r\n", {"", ""}},
        {"\n\r", {"", ""}},
        {" a \t\r\n", {" a \t"}},
        {std::string("a\r\nb\0c\r\nd", 10), {"a", "b"}},
        {std::string("\0a", 2), {}},
        {"\xa3\xf3\x64\x9f\r\n", {"\xa3\xf3\x64\x9f"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(SplitListLines(c.bytes), c.items);
    }
}

TEST(ListFileTest, LoadFailsForAMissingFileOrAFolder) {
    ProgramFolder folder;
    EXPECT_THROW(LoadListFile(folder.Path() + "missing.dat"), ListFileError);
    folder.MakeDirectory("folder.dat");
    EXPECT_THROW(LoadListFile(folder.Path() + "folder.dat"), ListFileError);
    folder.Write("list.dat", "one\r\ntwo\r\n");
    EXPECT_EQ(LoadListFile(folder.Path() + "list.dat"), (std::vector<std::string>{"one", "two"}));
}

}  // namespace
}  // namespace spisotek::app::testing
