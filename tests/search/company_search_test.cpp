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

const std::initializer_list<std::string_view> kBazaFirm = {
    "clientid\timie\tnazwisko\tmiasto\tulica\tnumer_tel\tnr_domu\tnr_lokalu",
    "F001\tSekretariat\tApteka \"Jantar\"\tModrzyń\tul. Długa\t111\t5\t3",
    "F002\tCentrala\tPiekarnia Kłos\tKraków\tul. Polna\t222\t7\t",
    "F001\tMagazyn\tApteka \"Jantar\"\tKraków\tul. Lipowa\t333\t9\t  ",
    "X-F001\tFilia\tApteka \"Jantar\"\tWrzosogród\tul. Krótka\t444\t1",
    "ACME\tBiuro\tACME sp. z o.o.\tKraków Płaszów\tul. Wielicka\t555\t2\t1a",
    "f001x\tPunkt\tApteka mała\tTarnów\tul. Rynek\t666\t3\t",
    "\tInformacja\tSklep bez klucza\tBochnia\tul. Wąska\t777\t4\t",
};

const std::initializer_list<std::string_view> kFirmy2 = {
    "firma\tnazwa",
    "Piekarnia Kłos\tF002",
    "Apteka Jantar\tF001",
    "Apteka Centralna\tF009",
};

// nazwisko|imie|address text|numer_tel|miasto as the page shows them.
const char* const kEntries[] = {
    "",
    "Apteka \"Jantar\"|Sekretariat|ul. Długa&nbsp;5/3|111|Modrzyń",
    "Piekarnia Kłos|Centrala|ul. Polna&nbsp;7|222|Kraków",
    "Apteka \"Jantar\"|Magazyn|ul. Lipowa&nbsp;9  |333|Kraków",
    "Apteka \"Jantar\"|Filia|ul. Krótka&nbsp;1|444|Wrzosogród",
    "ACME sp. z o.o.|Biuro|ul. Wielicka&nbsp;2/1a|555|Kraków Płaszów",
    "Apteka mała|Punkt|ul. Rynek&nbsp;3|666|Tarnów",
    "Sklep bez klucza|Informacja|ul. Wąska&nbsp;4|777|Bochnia",
};

std::vector<std::string> Split(const std::string& entry) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t bar = entry.find('|'); bar != std::string::npos;
         bar = entry.find('|', start)) {
        parts.push_back(entry.substr(start, bar - start));
        start = bar + 1;
    }
    parts.push_back(entry.substr(start));
    return parts;
}

std::string ExpectedPage(const std::vector<int>& ids) {
    HtmlPage page;
    AppendHead(page);
    for (int id : ids) {
        const std::vector<std::string> f = Split(Cp(kEntries[id]));
        AppendEntryBlock(page, f[0], f[1], f[2], f[3], f[4], false);
    }
    AppendFoot(page);
    return page.Text();
}

struct CompanyCase {
    const char* name;
    const char* company;
    const char* locality;
    bool located;
    std::vector<int> expected;
};

class CompanySearchTest : public ::testing::TestWithParam<CompanyCase> {};

TEST_P(CompanySearchTest, BranchLocateAndScan) {
    const CompanyCase& c = GetParam();
    TempFolder folder;
    folder.WriteLines("baza_firm.dat", kBazaFirm);
    folder.WriteLines("firmy_2.dat", kFirmy2);
    DirectoryTables tables;
    RecordingView view;
    const SearchResult result =
        RunCompanySearch(tables, folder.Folder(), {Cp(c.company), Cp(c.locality)}, view);

    std::vector<std::string> expectedAccepted;
    for (int id : c.expected) {
        expectedAccepted.push_back(Cp(kEntries[id]));
    }
    EXPECT_EQ(view.accepted, expectedAccepted);
    EXPECT_EQ(result.acceptedEntries, c.expected.size());
    if (c.located) {
        EXPECT_EQ(result.outcome, SearchOutcome::kShown);
        ASSERT_EQ(view.Kinds(), (std::vector<std::string>{"load", "show", "load"}));
    } else {
        EXPECT_EQ(result.outcome, SearchOutcome::kNotFound);
        ASSERT_EQ(view.Kinds(),
                  (std::vector<std::string>{"load", "show", "hide", "message", "load"}));
        EXPECT_EQ(view.events[3].text,
                  Cp("Nie znaleziono pozycji spełniających wprowadzone kryteria."));
    }
    EXPECT_EQ(view.events[0].text, BuildWaitPage().Text());
    EXPECT_EQ(view.LastPage(), ExpectedPage(c.expected));
    EXPECT_FALSE(tables.tBaza_firm.Active());
    EXPECT_FALSE(tables.tFirmy.Active());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompanySearchTest,
    ::testing::Values(
        // Branch A: locality empty; the key is found anywhere in clientid.
        CompanyCase{"ByNamePrefix", "Apteka", "", true, {1, 3, 4, 6}},
        CompanyCase{"ByNameCaseIgnored", "apteka j", "", true, {1, 3, 4, 6}},
        CompanyCase{"ByTrimmedName", "  Piekarnia  ", "", true, {2}},
        CompanyCase{"UnknownNameIsItsOwnKey", "ACME", "", true, {5}},
        CompanyCase{"KeyWithoutEntries", "Apteka Centralna", "", false, {}},
        CompanyCase{"BothEmptyLocatesTheKeylessEntryButAcceptsNone", "", "", true, {}},
        // Branch B: the locality only picks the starting entry.
        CompanyCase{"CompanyInLocality", "Apteka Jantar", "Krak", true, {3, 4, 6}},
        CompanyCase{"CompanyInTrimmedLocality", "Apteka", "  Krak ", true, {3, 4, 6}},
        CompanyCase{"CompanyNotInLocality", "Piekarnia", "Modrzyń", false, {}},
        CompanyCase{"CompanyWithLocalityOfSpaces", "Apteka", "   ", false, {}},
        // Branch C: company empty; locality contained in miasto.
        CompanyCase{"LocalityOnly", "", "Krak", true, {2, 3, 5}},
        CompanyCase{"LocalityOnlyCompanyOfSpaces", "  ", " Krak ", true, {2, 3, 5}},
        CompanyCase{"LocalityOnlyLocatesByPrefix", "", "raków", false, {}},
        CompanyCase{"LocalityOfSpacesOnly", "", "   ", false, {}},
        CompanyCase{"LocalityLowerCaseAscii", "", "wrzos", true, {4}}),
    [](const ::testing::TestParamInfo<CompanyCase>& info) { return std::string(info.param.name); });

TEST(ResolveCompanyKeyTest, NameToKeyOrTheTrimmedNameItself) {
    TempFolder folder;
    folder.WriteLines("firmy_2.dat", kFirmy2);
    DirectoryTables tables;
    tables.tFirmy.LoadDelimitedFile(folder.PathOf("firmy_2.dat"));
    tables.tFirmy.SetActive(true);
    const std::pair<const char*, const char*> cases[] = {
        {"Apteka", "F001"},
        {" Apteka Jantar ", "F001"},
        {"apteka c", "F009"},
        {"Piekarnia Kłos", "F002"},
        {"Nieznana \t", "Nieznana"},
        {"", ""},
        {"Apteka Jantarowa", "Apteka Jantarowa"},
    };
    for (const auto& [name, key] : cases) {
        EXPECT_EQ(ResolveCompanyKey(tables, Cp(name)), Cp(key)) << name;
    }
}

TEST(CompanySearchErrorTest, MissingEntryFileStopsBeforeTheNames) {
    TempFolder folder;
    folder.WriteLines("firmy_2.dat", kFirmy2);
    DirectoryTables tables;
    RecordingView view;
    try {
        RunCompanySearch(tables, folder.Folder(), {"Apteka", ""}, view);
        FAIL() << "no error";
    } catch (const EFOpenError& error) {
        EXPECT_NE(std::string(error.what()).find(folder.PathOf("baza_firm.dat")), std::string::npos)
            << error.what();
    }
    ASSERT_EQ(view.Kinds(), (std::vector<std::string>{"load", "show"}));
    EXPECT_FALSE(tables.tBaza_firm.Active());
    EXPECT_FALSE(tables.tFirmy.Active());
}

TEST(CompanySearchErrorTest, MissingNameFileClosesTheEntriesToo) {
    TempFolder folder;
    folder.WriteLines("baza_firm.dat", kBazaFirm);
    DirectoryTables tables;
    RecordingView view;
    try {
        RunCompanySearch(tables, folder.Folder(), {"Apteka", ""}, view);
        FAIL() << "no error";
    } catch (const EDataError& error) {
        EXPECT_NE(std::string(error.what()).find(folder.PathOf("firmy_2.dat")), std::string::npos)
            << error.what();
    }
    ASSERT_EQ(view.Kinds(), (std::vector<std::string>{"load", "show"}));
    EXPECT_FALSE(tables.tBaza_firm.Active());
    EXPECT_FALSE(tables.tFirmy.Active());
}

TEST(ErrorTextTest, Utf8PassesWindows1250IsDecoded) {
    EXPECT_EQ(ErrorTextToUtf8("Cannot open file \"/tmp/zażółć/baza.dat\"."),
              "Cannot open file \"/tmp/zażółć/baza.dat\".");
    EXPECT_EQ(ErrorTextToUtf8(Cp("'ŁÓDŹ' is not a valid integer value for field 'clientid'")),
              "'ŁÓDŹ' is not a valid integer value for field 'clientid'");
}

}  // namespace
}  // namespace spisotek::search
