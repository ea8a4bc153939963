// The synthetic data must load into the directory tables and give the demo
// searches something to find.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "search/directory_search.h"
#include "search/search_test_support.h"
#include "tools/directory_generator.h"

namespace spisotek::search {
namespace {

using testing::Cp;
using testing::RecordingView;
using testing::TempFolder;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find("\r\n"));
}

TEST(GeneratorTest, SameSeedSameBytesOtherSeedOtherBytes) {
    TempFolder a;
    TempFolder b;
    TempFolder c;
    tools::GeneratorOptions options;
    options.subscribers = 500;
    options.companies = 30;
    tools::GenerateDirectory(a.Folder(), options);
    tools::GenerateDirectory(b.Folder(), options);
    options.seed = 2;
    tools::GenerateDirectory(c.Folder(), options);
    for (const char* file :
         {"baza.dat", "baza_firm.dat", "firmy_2.dat", "miejscowosci.dat", "firmy.dat"}) {
        const std::string bytes = ReadAll(a.PathOf(file));
        EXPECT_FALSE(bytes.empty()) << file;
        EXPECT_EQ(bytes, ReadAll(b.PathOf(file))) << file;
    }
    EXPECT_NE(ReadAll(a.PathOf("baza.dat")), ReadAll(c.PathOf("baza.dat")));
}

TEST(GeneratorTest, FilesHaveTheDirectoryColumnsAndLineCounts) {
    TempFolder folder;
    tools::GeneratorOptions options;
    options.subscribers = 1234;
    options.companies = 40;
    tools::GenerateDirectory(folder.Folder(), options);
    const std::string baza = ReadAll(folder.PathOf("baza.dat"));
    EXPECT_EQ(FirstLine(baza), "clientid\timie\tnazwisko\tmiasto\tulica\tnumer_tel");
    std::size_t lines = 0;
    for (std::size_t at = baza.find("\r\n"); at != std::string::npos;
         at = baza.find("\r\n", at + 2)) {
        ++lines;
    }
    EXPECT_EQ(lines, 1235u);
    EXPECT_EQ(FirstLine(ReadAll(folder.PathOf("baza_firm.dat"))),
              "clientid\timie\tnazwisko\tmiasto\tulica\tnumer_tel\tnr_domu\tnr_lokalu");
    EXPECT_EQ(FirstLine(ReadAll(folder.PathOf("firmy_2.dat"))), "firma\tnazwa");
    const std::string localities = ReadAll(folder.PathOf("miejscowosci.dat"));
    EXPECT_NE(localities.find(Cp("Kraków\r\n")), std::string::npos);
    EXPECT_NE(localities.find(Cp("Wrzosogród\r\n")), std::string::npos);
}

TEST(GeneratorTest, DemoSearchesFindEntries) {
    TempFolder folder;
    tools::GeneratorOptions options;
    options.subscribers = 3000;
    options.companies = 120;
    tools::GenerateDirectory(folder.Folder(), options);
    DirectoryTables tables;

    RecordingView nowak;
    const SearchResult subscribers =
        RunSubscriberSearch(tables, folder.Folder(), {"NOWAK", "Kra", ""}, nowak);
    EXPECT_EQ(subscribers.outcome, SearchOutcome::kShown);
    EXPECT_GE(subscribers.acceptedEntries, 5u);

    // The first company of the pick list finds its entries by name.
    const std::string firmy = ReadAll(folder.PathOf("firmy.dat"));
    const std::string firstCompany = FirstLine(firmy);
    RecordingView byName;
    const SearchResult company =
        RunCompanySearch(tables, folder.Folder(), {firstCompany, ""}, byName);
    EXPECT_EQ(company.outcome, SearchOutcome::kShown);
    EXPECT_GE(company.acceptedEntries, 1u);
    ASSERT_FALSE(byName.accepted.empty());
    EXPECT_EQ(byName.accepted[0].substr(0, firstCompany.size()), firstCompany);

    RecordingView byLocality;
    const SearchResult locality =
        RunCompanySearch(tables, folder.Folder(), {"", Cp("Kraków")}, byLocality);
    EXPECT_EQ(locality.outcome, SearchOutcome::kShown);
    EXPECT_GE(locality.acceptedEntries, 3u);
}

}  // namespace
}  // namespace spisotek::search
