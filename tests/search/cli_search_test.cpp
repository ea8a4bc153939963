// Runs the built spisotek-cli as a child process against fixture folders.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "search/directory_search.h"
#include "search/search_test_support.h"

namespace spisotek::search {
namespace {

using testing::Cp;
using testing::RecordingView;
using testing::TempFolder;

const std::string kCli = std::string(SPISOTEK_BIN_DIR) + "/spisotek-cli";

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

RunResult RunCli(const TempFolder& scratch, std::vector<std::string> args) {
    const std::string outPath = scratch.PathOf("stdout");
    const std::string errPath = scratch.PathOf("stderr");
    args.insert(args.begin(), kCli);
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) {
            ::_exit(127);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    RunResult result;
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    result.out = ReadAll(outPath);
    result.err = ReadAll(errPath);
    return result;
}

class CliSearchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(kCli)) {
            GTEST_SKIP() << kCli << " is not built (it needs the search and webupdate targets)";
        }
        data_.WriteLines("baza.dat", {
                                         "clientid\timie\tnazwisko\tmiasto\tulica\tnumer_tel",
                                         "1\tJan\tZIELIŃSKI\tModrzyń\tLIPOWA 1\t111",
                                         "2\tAnna\tKOWALSKI\tKraków\tDŁUGA 5\t222",
                                         "3\tEwa\tKOWALCZYK\tKraków\tKRÓTKA 7\t444",
                                     });
        data_.WriteLines("baza_firm.dat",
                         {"clientid\timie\tnazwisko\tmiasto\tulica\tnumer_tel\tnr_domu\tnr_lokalu",
                          "F001\tSekretariat\tApteka Jantar\tModrzyń\tul. Długa\t111\t5\t3"});
        data_.WriteLines("firmy_2.dat", {"firma\tnazwa", "Apteka Jantar\tF001"});
    }

    std::string InProcessPage(const SubscriberInput& input) {
        DirectoryTables tables;
        RecordingView view;
        RunSubscriberSearch(tables, data_.Folder(), input, view);
        return view.LastPage();
    }

    TempFolder data_;
    TempFolder scratch_;
};

TEST_F(CliSearchTest, SubscriberPageIsTheViewersBytes) {
    // Lower-case typing is upper-cased as the surname edit does.
    const RunResult run = RunCli(scratch_, {"subscriber", "--dir", data_.Folder(), "--surname",
                                            "kow", "--locality", "Kraków"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, InProcessPage({"KOW", Cp("Kraków"), ""}));
    EXPECT_NE(run.out.find(Cp("KOWALCZYK&nbsp;Ewa")), std::string::npos);
}

TEST_F(CliSearchTest, PolishLettersAreUpperCasedLikeTheEdit) {
    const RunResult run = RunCli(scratch_, {"subscriber", "--dir", data_.Folder(), "--surname",
                                            "zieliński", "--locality", "Modrzyń", "--text"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "ZIELIŃSKI Jan\tLIPOWA 1\t111\tModrzyń\n");
}

TEST_F(CliSearchTest, StreetSearchGivesMarkedBlocks) {
    const RunResult run = RunCli(scratch_, {"subscriber", "--dir", data_.Folder(), "--surname",
                                            "KOW", "--locality", "Kra", "--street", "długa"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, InProcessPage({"KOW", "Kra", Cp("DŁUGA")}));
    EXPECT_NE(run.out.find("news_tresc"), std::string::npos);
}

TEST_F(CliSearchTest, ExitCodesAndMessages) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string err;
    };
    const std::string dir = data_.Folder();
    const Case cases[] = {
        {{"subscriber", "--dir", dir, "--surname", "XYZ", "--locality", "Kraków"},
         1,
         "Nie znaleziono pozycji spełniających wprowadzone kryteria.\n"},
        {{"subscriber", "--dir", dir, "--locality", "Kraków"},
         2,
         "Nazwisko i miejscowość są polami wymaganymi.\n"},
        {{"subscriber", "--dir", dir, "--surname", "  ", "--locality", "Kraków"},
         2,
         "Nazwisko i miejscowość są polami wymaganymi.\n"},
        {{"company", "--dir", dir, "--company", "Nieznana"},
         1,
         "Nie znaleziono pozycji spełniających wprowadzone kryteria.\n"},
    };
    for (const Case& c : cases) {
        const RunResult run = RunCli(scratch_, c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args[4];
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(CliSearchTest, CompanySearchByNameAndAsText) {
    RunResult run = RunCli(scratch_, {"company", "--dir", data_.Folder(), "--company", "apteka"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(Cp("ul. Długa&nbsp;5/3</td>\r\n")), std::string::npos);
    run = RunCli(scratch_, {"company", "--dir", data_.Folder(), "--locality", "Modrz", "--text"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Apteka Jantar Sekretariat\tul. Długa 5/3\t111\tModrzyń\n");
}

TEST_F(CliSearchTest, LoadFailuresExitThreeWithTheErrorText) {
    TempFolder empty;
    RunResult run = RunCli(scratch_, {"subscriber", "--dir", empty.Folder(), "--surname", "KOW",
                                      "--locality", "Kraków"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find(empty.PathOf("baza.dat")), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");

    empty.WriteLines("baza.dat", {"clientid\tnazwisko\tmiasto", "Łódź\tKOWAL\tKraków"});
    run = RunCli(scratch_, {"subscriber", "--dir", empty.Folder(), "--surname", "KOW", "--locality",
                            "Kraków"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err, "'Łódź' is not a valid integer value for field 'clientid'\n");

    run = RunCli(scratch_, {"company", "--dir", empty.Folder()});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("baza_firm.dat"), std::string::npos) << run.err;
}

TEST_F(CliSearchTest, BadArgumentsAreAUsageError) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"subscriber", "--company", "X"},
          std::vector<std::string>{"company", "--surname", "X"},
          std::vector<std::string>{"subscriber", "--surname"}}) {
        const RunResult run = RunCli(scratch_, args);
        EXPECT_EQ(run.exitCode, 64);
        EXPECT_NE(run.err.find("usage"), std::string::npos);
    }
}

TEST_F(CliSearchTest, DirDefaultsToTheProgramFolder) {
    // The demo data sits beside the executables.
    if (!std::filesystem::exists(std::string(SPISOTEK_BIN_DIR) + "/baza.dat")) {
        GTEST_SKIP() << "no demo data beside " << kCli;
    }
    const RunResult run =
        RunCli(scratch_, {"subscriber", "--surname", "NOWAK", "--locality", "Kra", "--text"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("NOWAK"), std::string::npos);
}

}  // namespace
}  // namespace spisotek::search
