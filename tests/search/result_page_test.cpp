#include <gtest/gtest.h>

#include "search/html_page.h"
#include "search/search_test_support.h"
#include "search/search_view.h"

namespace spisotek::search {
namespace {

using testing::Cp;
using testing::Document;

const std::string kHead = Document({
    R"(<HTML>)",
    R"(<HEAD>)",
    R"(<TITLE></TITLE>)",
    R"(<meta http-equiv="Content-Language" content="pl">)",
    R"(<meta http-equiv="Content-Type" content="text/html; charset=windows-1250">)",
    R"(</HEAD>)",
    R"(<body>)",
    R"(<table border="0" cellspacing="2" width="100%" bgcolor="#E8EEF3">)",
});
const std::string kFoot = Document({R"(</table>)", R"(</body>)", R"(</html>)"});

TEST(ResultPageTest, WaitPageIsTheTenLinesWithCrLf) {
    const std::string expected =
        "<HTML>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n"
        "<meta http-equiv=\"Content-Language\" content=\"pl\">\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1250\">\r\n"
        "</HEAD>\r\n<body>\r\n"
        "<p><b><font color=\"#D76613\">Czekaj. Szukam...</font></b></p>\r\n"
        "</body>\r\n</html>\r\n";
    const HtmlPage page = BuildWaitPage();
    EXPECT_EQ(page.Text(), expected);
    EXPECT_EQ(page.LineCount(), 10u);
}

TEST(ResultPageTest, ShowWaitPageLoadsThenShows) {
    testing::RecordingView view;
    ShowWaitPage(view);
    ASSERT_EQ(view.Kinds(), (std::vector<std::string>{"load", "show"}));
    EXPECT_EQ(view.events[0].text, BuildWaitPage().Text());
}

TEST(ResultPageTest, HeadAndFootOfAnEmptyResultsPage) {
    HtmlPage page;
    AppendHead(page);
    AppendFoot(page);
    EXPECT_EQ(page.Text(), kHead + kFoot);
    EXPECT_EQ(page.LineCount(), 11u);
}

struct BlockCase {
    const char* name;
    bool marked;
    std::string expected;
};

class EntryBlockTest : public ::testing::TestWithParam<BlockCase> {};

TEST_P(EntryBlockTest, FifteenLinesByteForByte) {
    HtmlPage page;
    AppendEntryBlock(page, Cp("ŻÓŁW"), Cp("Łucja"), Cp("DŁUGA 5 M. 3"), "(12) 345 67 89",
                     Cp("Kraków"), GetParam().marked);
    EXPECT_EQ(page.Text(), GetParam().expected);
    EXPECT_EQ(page.LineCount(), 15u);
    EXPECT_EQ(page.Lines().size(), 15u);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, EntryBlockTest,
    ::testing::Values(
        BlockCase{
            "plain", false,
            Document({
                R"(<tr align="left" bgcolor="#E8EEF3">)",
                R"(<td colspan="2"><strong>)",
                R"(ŻÓŁW&nbsp;Łucja</strong></td>)",
                R"(</tr>)",
                R"(<tr bgcolor="#F7F8FE">)",
                R"(<td align="left">)",
                R"(DŁUGA 5 M. 3</td>)",
                R"(<td align="left" bgcolor="#F7F8FE">)",
                R"(<p align="right"><b><span>(12) 345 67 89&nbsp;&nbsp;&nbsp;&nbsp;&nbsp; </span></b></td>)",
                R"(</tr>)",
                R"(<tr bgcolor="#F7F8FE">)",
                R"(<td width="62%" align="left" style="border-bottom-style: solid; border-bottom-width: 1px">)",
                R"(<b><font color="#D76613">Kraków</font></b></td>)",
                R"(<td width="38%" align="left" bgcolor="#F7F8FE" style="border-bottom-style: solid; border-bottom-width: 1px">&nbsp;</td>)",
                R"(</tr>)",
            })},
        BlockCase{
            "marked", true,
            Document({
                R"(<tr align="left" bgcolor="#E8EEF3">)",
                R"(<td colspan="2"><strong>)",
                R"(ŻÓŁW&nbsp;Łucja</strong></td>)",
                R"(</tr>)",
                R"(<tr bgcolor="#F7F8FE">)",
                R"(<td align="left">)",
                R"(DŁUGA 5 M. 3</td>)",
                R"(<td align="left" bgcolor="#F7F8FE">)",
                R"(<p align="right"><b><span>(12) 345 67 89&nbsp;&nbsp;&nbsp;&nbsp;&nbsp; </span></b></td>)",
                R"(</tr>)",
                R"(<tr bgcolor="#F7F8FE">)",
                R"(<td width="62%" align="left" class="news_tresc" style="border-bottom-style: solid; border-bottom-width: 1px">)",
                R"(<b><font color="#D76613">Kraków</font></b></td>)",
                R"(<td width="38%" align="left" bgcolor="#F7F8FE" class="news_tresc" style="border-bottom-style: solid; border-bottom-width: 1px">&nbsp;</td>)",
                R"(</tr>)",
            })}),
    [](const ::testing::TestParamInfo<BlockCase>& info) { return std::string(info.param.name); });

TEST(ResultPageTest, FieldValuesGoInUnescapedAndUntrimmed) {
    HtmlPage page;
    AppendEntryBlock(page, " <b>A&B ", "", "", "", "\t", false);
    const std::vector<std::string> lines = page.Lines();
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[2], " <b>A&B &nbsp;</strong></td>");
    EXPECT_EQ(lines[6], "</td>");
    EXPECT_EQ(lines[8],
              "<p align=\"right\"><b><span>&nbsp;&nbsp;&nbsp;&nbsp;&nbsp; </span></b></td>");
    EXPECT_EQ(lines[12], "<b><font color=\"#D76613\">\t</font></b></td>");
}

struct AddressCase {
    const char* ulica;
    const char* nrDomu;
    const char* nrLokalu;
    const char* expected;
};

class CompanyAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(CompanyAddressTest, SlashOnlyBeforeARealFlatNumber) {
    const AddressCase& c = GetParam();
    EXPECT_EQ(CompanyAddressText(Cp(c.ulica), c.nrDomu, c.nrLokalu), Cp(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompanyAddressTest,
    ::testing::Values(AddressCase{"Długa", "5", "3", "Długa&nbsp;5/3"},
                      AddressCase{"Długa", "5", "", "Długa&nbsp;5"},
                      AddressCase{"Długa", "5", "  ", "Długa&nbsp;5  "},
                      AddressCase{"Długa", "5", "\x01\x1f", "Długa&nbsp;5\x01\x1f"},
                      AddressCase{"Długa", "5", " 3 ", "Długa&nbsp;5/ 3 "},
                      AddressCase{"", "", "", "&nbsp;"},
                      AddressCase{"ul. Polna", "7a", "12", "ul. Polna&nbsp;7a/12"}));

TEST(ResultPageTest, ResultsPageIsHeadBlocksFoot) {
    HtmlPage page;
    AppendHead(page);
    AppendEntryBlock(page, "A", "B", "C", "D", "E", false);
    AppendEntryBlock(page, "F", "G", "H", "I", "J", true);
    AppendFoot(page);
    HtmlPage first;
    AppendEntryBlock(first, "A", "B", "C", "D", "E", false);
    HtmlPage second;
    AppendEntryBlock(second, "F", "G", "H", "I", "J", true);
    EXPECT_EQ(page.Text(), kHead + first.Text() + second.Text() + kFoot);
    EXPECT_EQ(page.LineCount(), 8u + 30u + 3u);
}

}  // namespace
}  // namespace spisotek::search
