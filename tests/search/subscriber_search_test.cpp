#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memtable/db_error.h"
#include "search/directory_search.h"
#include "search/search_test_support.h"

namespace spisotek::search {
namespace {

using testing::Cp;
using testing::RecordingView;
using testing::TempFolder;

const std::initializer_list<std::string_view> kBaza = {
    "clientid\timie\tnazwisko\tmiasto\tulica\tnumer_tel",
    "1\tJan\tZIELIŃSKI\tModrzyń\tLIPOWA 1\t111",
    "2\tAnna\tKOWALSKI\tKraków\tDŁUGA 5\t222",
    "3\tPiotr\tNOWAK\tWrzosogród\tPOLNA 2\t333",
    "4\tEwa\tKOWALCZYK\tKraków\tKRÓTKA 7\t444",
    "5\tAdam\tMAKOWALSKI\tKraków\tDŁUGA 9\t555",
    "6\tZofia\tKOWAL\tKRAKÓW\tDŁUGA 11\t666",
    "7\tOla\tKOWALSKA\tKraśnik\tDŁUGA 3\t777",
};

// Entry texts as the page shows them: nazwisko|imie|ulica|numer_tel|miasto.
const char* const kEntries[] = {
    "",
    "ZIELIŃSKI|Jan|LIPOWA 1|111|Modrzyń",
    "KOWALSKI|Anna|DŁUGA 5|222|Kraków",
    "NOWAK|Piotr|POLNA 2|333|Wrzosogród",
    "KOWALCZYK|Ewa|KRÓTKA 7|444|Kraków",
    "MAKOWALSKI|Adam|DŁUGA 9|555|Kraków",
    "KOWAL|Zofia|DŁUGA 11|666|KRAKÓW",
    "KOWALSKA|Ola|DŁUGA 3|777|Kraśnik",
};

// The results page the search must load for these entries of kBaza.
std::string ExpectedPage(const std::vector<int>& ids, bool marked) {
    HtmlPage page;
    AppendHead(page);
    for (int id : ids) {
        std::vector<std::string> f;
        std::string entry = Cp(kEntries[id]);
        std::size_t start = 0;
        for (std::size_t bar = entry.find('|'); bar != std::string::npos;
             bar = entry.find('|', start)) {
            f.push_back(entry.substr(start, bar - start));
            start = bar + 1;
        }
        f.push_back(entry.substr(start));
        AppendEntryBlock(page, f[0], f[1], f[2], f[3], f[4], marked);
    }
    AppendFoot(page);
    return page.Text();
}

std::vector<std::string> Accepted(const std::vector<int>& ids) {
    std::vector<std::string> texts;
    for (int id : ids) {
        texts.push_back(Cp(kEntries[id]));
    }
    return texts;
}

struct FoundCase {
    const char* name;
    const char* surname;
    const char* locality;
    const char* street;
    std::vector<int> expected;
    bool marked;
};

class SubscriberFoundTest : public ::testing::TestWithParam<FoundCase> {};

TEST_P(SubscriberFoundTest, LocatesThenScansToTheEnd) {
    const FoundCase& c = GetParam();
    TempFolder folder;
    folder.WriteLines("baza.dat", kBaza);
    DirectoryTables tables;
    RecordingView view;
    const SearchResult result = RunSubscriberSearch(
        tables, folder.Folder(), {Cp(c.surname), Cp(c.locality), Cp(c.street)}, view);

    EXPECT_EQ(result.outcome, SearchOutcome::kShown);
    EXPECT_EQ(result.acceptedEntries, c.expected.size());
    EXPECT_EQ(view.accepted, Accepted(c.expected));
    ASSERT_EQ(view.Kinds(), (std::vector<std::string>{"load", "show", "load"}));
    EXPECT_EQ(view.events[0].text, BuildWaitPage().Text());
    EXPECT_EQ(view.events[2].text, ExpectedPage(c.expected, c.marked));
    EXPECT_FALSE(tables.tBaza.Active());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SubscriberFoundTest,
    ::testing::Values(
        // Prefix of surname and locality, from the located entry on.
        FoundCase{"PrefixOfSurname", "KOW", "Kraków", "", {2, 4}, false},
        FoundCase{"AsciiLowerCaseLocalityFolds", "KOW", "kraków", "", {2, 4}, false},
        FoundCase{"PolishLetterIsNotFoldedInTheScan", "KOWAL", "KRAKÓW", "", {6}, false},
        FoundCase{"ShortLocality", "NOWAK", "Wrzos", "", {3}, false},
        FoundCase{"PolishSurname", "ZIELIŃSKI", "Modrzyń", "", {1}, false},
        FoundCase{"StreetOfSpacesIsNoStreet", "KOW", "Kraków", " \t ", {2, 4}, false},
        // Located with the trimmed text, scanned with the text as typed.
        FoundCase{"UntrimmedSurnameAcceptsNothing", " KOW", "Kraków", "", {}, false},
        FoundCase{"UntrimmedLocalityAcceptsNothing", "KOW", "Kraków ", "", {}, false},
        // Street search: containment of all three texts, marked blocks.
        FoundCase{"StreetSearchContainment", "KOWAL", "Krak", "DŁUGA", {2, 5, 6}, true},
        FoundCase{"StreetSearchTrimmedForLocate", "KOWAL", "Krak", " DŁUGA 5", {}, true},
        FoundCase{"StreetSearchShortLocality", "KOWAL", "K", "DŁUGA", {2, 5, 6, 7}, true}),
    [](const ::testing::TestParamInfo<FoundCase>& info) { return std::string(info.param.name); });

struct NotFoundCase {
    const char* surname;
    const char* locality;
    const char* street;
};

class SubscriberNotFoundTest : public ::testing::TestWithParam<NotFoundCase> {};

TEST_P(SubscriberNotFoundTest, HidesTheViewerAndSaysSo) {
    const NotFoundCase& c = GetParam();
    TempFolder folder;
    folder.WriteLines("baza.dat", kBaza);
    DirectoryTables tables;
    RecordingView view;
    const SearchResult result = RunSubscriberSearch(
        tables, folder.Folder(), {Cp(c.surname), Cp(c.locality), Cp(c.street)}, view);
    EXPECT_EQ(result.outcome, SearchOutcome::kNotFound);
    ASSERT_EQ(view.Kinds(), (std::vector<std::string>{"load", "show", "hide", "message", "load"}));
    EXPECT_EQ(view.events[3].text,
              Cp("Nie znaleziono pozycji spełniających wprowadzone kryteria."));
    EXPECT_EQ(view.events[4].text, ExpectedPage({}, false));
    EXPECT_FALSE(tables.tBaza.Active());
}

INSTANTIATE_TEST_SUITE_P(Cases, SubscriberNotFoundTest,
                         ::testing::Values(NotFoundCase{"XYZ", "Kraków", ""},
                                           NotFoundCase{"KOWALSKI", "Krakówek", ""},
                                           NotFoundCase{"AKOW", "Kraków", ""},
                                           NotFoundCase{"KOW", "Kra", "LIPOWA"},
                                           NotFoundCase{"KOW", "Kraków", "5"}));

TEST(SubscriberSearchTest, MissingSurnameOrLocalityOnlyShowsTheMessage) {
    TempFolder folder;  // no baza.dat: validation must come first
    const NotFoundCase cases[] = {{"", "Kraków", ""},
                                  {" \t", "Kraków", ""},
                                  {"KOW", "", ""},
                                  {"KOW", "   ", "X"},
                                  {"", "", ""}};
    for (const NotFoundCase& c : cases) {
        DirectoryTables tables;
        RecordingView view;
        const SearchResult result = RunSubscriberSearch(
            tables, folder.Folder(), {Cp(c.surname), Cp(c.locality), Cp(c.street)}, view);
        EXPECT_EQ(result.outcome, SearchOutcome::kMissingInput) << c.surname << "/" << c.locality;
        ASSERT_EQ(view.Kinds(), (std::vector<std::string>{"message"}));
        EXPECT_EQ(view.events[0].text, Cp("Nazwisko i miejscowość są polami wymaganymi."));
    }
}

TEST(SubscriberSearchTest, ColumnsInAnotherOrderLoadTheSameEntries) {
    TempFolder folder;
    folder.WriteLines("baza.dat", {
                                      "numer_tel\tulica\tnazwisko\tunknown\timie\tmiasto",
                                      "222\tDŁUGA 5\tKOWALSKI\tzzz\tAnna\tKraków",
                                      "444\tKRÓTKA 7\tKOWALCZYK\t\tEwa\tKraków",
                                  });
    DirectoryTables tables;
    RecordingView view;
    RunSubscriberSearch(tables, folder.Folder(), {"KOW", Cp("Kraków"), ""}, view);
    EXPECT_EQ(view.LastPage(), ExpectedPage({2, 4}, false));
}

TEST(SubscriberSearchTest, LongValuesAreCutToTheFieldSize) {
    TempFolder folder;
    const std::string longSurname(120, 'K');
    const std::string hugeStreet(10 * 1024 * 1024, 'U');  // a 10 MB line
    folder.Write("baza.dat", "clientid\tnazwisko\tmiasto\tulica\r\n7\t" + longSurname + "\tX\t" +
                                 hugeStreet + "\r\n");
    DirectoryTables tables;
    RecordingView view;
    const SearchResult result =
        RunSubscriberSearch(tables, folder.Folder(), {"KKK", "X", ""}, view);
    ASSERT_EQ(result.outcome, SearchOutcome::kShown);
    ASSERT_EQ(view.accepted.size(), 1u);
    EXPECT_EQ(view.accepted[0], std::string(100, 'K') + "||" + std::string(100, 'U') + "||X");
}

TEST(SubscriberSearchTest, ReplacedFileIsUsedByTheNextSearch) {
    TempFolder folder;
    folder.WriteLines("baza.dat", kBaza);
    DirectoryTables tables;
    RecordingView first;
    EXPECT_EQ(RunSubscriberSearch(tables, folder.Folder(), {"NOWAK", "W", ""}, first).outcome,
              SearchOutcome::kShown);
    folder.WriteLines("baza.dat", {"clientid\tnazwisko\tmiasto", "1\tKOWAL\tW"});
    RecordingView second;
    EXPECT_EQ(RunSubscriberSearch(tables, folder.Folder(), {"NOWAK", "W", ""}, second).outcome,
              SearchOutcome::kNotFound);
}

TEST(SubscriberSearchTest, MissingFileThrowsTheOpenErrorAfterTheWaitPage) {
    TempFolder folder;
    DirectoryTables tables;
    RecordingView view;
    try {
        RunSubscriberSearch(tables, folder.Folder(), {"KOW", Cp("Kraków"), ""}, view);
        FAIL() << "no error";
    } catch (const EFOpenError& error) {
        EXPECT_NE(std::string(error.what()).find(folder.PathOf("baza.dat")), std::string::npos)
            << error.what();
    }
    ASSERT_EQ(view.Kinds(), (std::vector<std::string>{"load", "show"}));
    EXPECT_EQ(view.events[0].text, BuildWaitPage().Text());
    EXPECT_FALSE(tables.tBaza.Active());
}

TEST(SubscriberSearchTest, RefusedValueThrowsAndLeavesNoHalfLoadedEntries) {
    TempFolder folder;
    folder.WriteLines("baza.dat", {"clientid\tnazwisko\tmiasto", "1\tKOWAL\tKraków",
                                   "abc\tKOWALSKI\tKraków", "3\tKOWALCZYK\tKraków"});
    DirectoryTables tables;
    RecordingView view;
    try {
        RunSubscriberSearch(tables, folder.Folder(), {"KOW", Cp("Kraków"), ""}, view);
        FAIL() << "no error";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "'abc' is not a valid integer value for field 'clientid'");
    }
    EXPECT_FALSE(tables.tBaza.Active());

    // A data file without any line leaves the table as it was; the entry
    // of the refused load must not come back.
    folder.Write("baza.dat", "");
    RecordingView next;
    EXPECT_EQ(RunSubscriberSearch(tables, folder.Folder(), {"KOW", Cp("Kraków"), ""}, next).outcome,
              SearchOutcome::kNotFound);
}

TEST(SubscriberSearchTest, SurplusValueIsAListError) {
    TempFolder folder;
    folder.Write("baza.dat", "clientid\tnazwisko\r\n1\tA\tB\r\n");
    DirectoryTables tables;
    RecordingView view;
    try {
        RunSubscriberSearch(tables, folder.Folder(), {"A", "B", ""}, view);
        FAIL() << "no error";
    } catch (const EListError& error) {
        EXPECT_STREQ(error.what(), "List index out of bounds (2)");
    }
    EXPECT_FALSE(tables.tBaza.Active());
}

TEST(SubscriberSearchTest, BinaryGarbageFindsNothingAndZeroByteEndsTheText) {
    TempFolder folder;
    std::string garbage;
    unsigned state = 12345;
    for (int i = 0; i < 64 * 1024; ++i) {
        state = state * 1103515245u + 12345u;
        unsigned char byte = static_cast<unsigned char>(state >> 16);
        if (byte == 0 || byte == '\t' || byte == '\r' || byte == '\n') {
            byte = (i % 97 == 0) ? '\n' : 'x';
        }
        garbage.push_back(static_cast<char>(byte));
    }
    folder.Write("baza.dat", garbage);
    DirectoryTables tables;
    RecordingView view;
    EXPECT_EQ(RunSubscriberSearch(tables, folder.Folder(), {"X", "X", ""}, view).outcome,
              SearchOutcome::kNotFound);

    static constexpr char kCutByZero[] = "nazwisko\tmiasto\r\nKOWAL\tX\r\n\0\t\t\t\xff\xfe";
    folder.Write("baza.dat", std::string(kCutByZero, sizeof kCutByZero - 1));
    RecordingView afterZero;
    EXPECT_EQ(
        RunSubscriberSearch(tables, folder.Folder(), {"KOWAL", "X", ""}, afterZero).acceptedEntries,
        1u);
}

}  // namespace
}  // namespace spisotek::search
