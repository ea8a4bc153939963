#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "webupdate/file_checks.h"
#include "webupdate/test_support.h"
#include "webupdate/web_update.h"

namespace spisotek {
namespace {

using webupdate::testing::At;
using webupdate::testing::FixedClock;
using webupdate::testing::TempDir;
using webupdate::testing::WorkingFolder;
using webupdate::testing::WriteFile;

// A file whose last-write time is the given local wall-clock time.
void WriteFileAt(const std::string& path, const std::string& bytes, int year, int month, int day,
                 int hour = 12) {
    WriteFile(path, bytes);
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    utimbuf times{when, when};
    ::utime(path.c_str(), &times);
}

struct Report {
    std::string message;
    int statusCode;
};

// Engine over a control file in a temp folder, which is also the working
// folder. Reports are collected.
class DecisionsTest : public ::testing::Test {
  protected:
    DecisionsTest() : folder_(dir_.Path()) {
        engine_.SetClock(&clock_);
        engine_.OnStatus = [this](TWebUpdate&, const std::string& message, int statusCode, int) {
            reports_.push_back({message, statusCode});
        };
    }

    void Control(const std::string& text) {
        WriteFile(dir_.File("spisotek.inf"), text);
        engine_.SetControlFileCopy(dir_.File("spisotek.inf"));
    }

    std::vector<std::string> Messages() const {
        std::vector<std::string> messages;
        for (const Report& report : reports_) {
            messages.push_back(report.message);
        }
        return messages;
    }

    std::vector<std::string> KeptUrls() const {
        std::vector<std::string> urls;
        for (int i = 0; i < engine_.FileList().Count(); ++i) {
            urls.push_back(engine_.FileList().Items(i).URL());
        }
        return urls;
    }

    TempDir dir_;
    WorkingFolder folder_;
    FixedClock clock_{At(2026, 12, 11, 10, 0, 0)};
    TWebUpdate engine_;
    std::vector<Report> reports_;
};

TEST_F(DecisionsTest, CreatedDefaults) {
    EXPECT_EQ(engine_.Agent(), "TWebUpdate");
    EXPECT_EQ(engine_.DateFormat(), "dd/mm/yyyy");
    EXPECT_EQ(engine_.DateSeparator(), '/');
    EXPECT_EQ(engine_.TimeFormat(), "hh:nn");
    EXPECT_EQ(engine_.TimeSeparator(), ':');
    EXPECT_EQ(engine_.Signature(), "WebUpdate");
    EXPECT_FALSE(engine_.SignatureCheck());
    EXPECT_EQ(engine_.TempDirectory(), ".");
    EXPECT_EQ(engine_.Port(), 21);
    EXPECT_EQ(engine_.UpdateType(), ftpUpdate);
    EXPECT_EQ(engine_.UpdateConnect(), wucNoConnect);
    EXPECT_EQ(engine_.UpdateUpdate(), wuuPromptOnce);
    EXPECT_EQ(engine_.Authenticate(), waNever);
    EXPECT_EQ(engine_.VersionCheck(), vcUpdateOnly);
    EXPECT_EQ(TWebUpdate::LogFileName(), "WUPDATE.LOG");
    EXPECT_FALSE(engine_.LastURLEntry().Save());
    EXPECT_EQ(engine_.LastURLEntry().RegRoot(), lurLOCALUSER);
    EXPECT_FALSE(engine_.PostUpdateInfo().Enabled());
    EXPECT_EQ(engine_.Utility(), nullptr);
    engine_.SetVersion("2.0");
    EXPECT_EQ(engine_.Version(), "1.7.0.1");
}

struct VersionDecision {
    const char* name;
    const char* control;
    int result;
    const char* newText;    // NewVersionText afterwards
    const char* localText;  // LocalVersionText afterwards; "@" stands for the working folder
};

TEST_F(DecisionsTest, CheckVersionDecisions) {
    // baza.dat: 5 bytes "12345", byte sum -1 + 255 = 254; last written 2020-05-01.
    WriteFileAt(dir_.File("baza.dat"), "12345", 2020, 5, 1);
    const std::string app = dir_.Path() + "/.";
    const VersionDecision cases[] = {
        {"empty file", "", 7, "", ""},
        {"descr only", "[update]\ndescr=Nowa baza\n", 7, "", ""},
        {"unconditional", "[update]\nunconditional=yes\n", 8, "", ""},
        {"newer date, local file older",
         "[update]\ndate=19/06/2021\nlocalversion={APP}\\baza.dat\n", 6, "", "@/baza.dat"},
        {"older date", "[update]\ndate=19/06/2019\nlocalversion={APP}\\baza.dat\n", 7, "",
         "@/baza.dat"},
        {"same day, later time", "[update]\ndate=01/05/2020\ntime=13:00\nlocalversion=baza.dat\n",
         6, "", "baza.dat"},
        {"same day, earlier time", "[update]\ndate=01/05/2020\ntime=11:00\nlocalversion=baza.dat\n",
         7, "", "baza.dat"},
        {"date of a missing file", "[update]\ndate=02/01/1980\nlocalversion=missing.dat\n", 6, "",
         "missing.dat"},
        {"impossible date is 1980", "[update]\ndate=31/02/2026\nlocalversion=missing.dat\n", 7, "",
         "missing.dat"},
        {"garbage date is 1980", "[update]\ndate=ab/cd/efgh\n", 7, "", ""},
        {"old date, then unconditional",
         "[update]\ndate=19/06/2019\nlocalversion=baza.dat\nunconditional=1\n", 8, "", "baza.dat"},
        {"old date, then size test",
         "[update]\ndate=19/06/2019\nlocalversion=baza.dat\nnewsize=6\nnewversion=2.0\n", 9, "2.0",
         "baza.dat"},
        {"size differs", "[update]\nnewsize=6\nlocalversion=baza.dat\n", 9, "", "baza.dat"},
        {"size equal", "[update]\nnewsize=5\nlocalversion=baza.dat\n", 7, "", "baza.dat"},
        {"size of a missing file", "[update]\nnewsize=5\nlocalversion=missing.dat\n", 7, "",
         "missing.dat"},
        {"size malformed", "[update]\nnewsize=five\nlocalversion=baza.dat\n", 7, "", "baza.dat"},
        {"checksum equal", "[update]\nnewchecksum=254\nlocalversion=baza.dat\n", 7, "", "baza.dat"},
        {"checksum in hex equal", "[update]\nnewchecksum=$FE\nlocalversion=baza.dat\n", 7, "",
         "baza.dat"},
        {"checksum differs", "[update]\nnewchecksum=255\nlocalversion=baza.dat\n", 10, "",
         "baza.dat"},
        {"checksum of a missing file", "[update]\nnewchecksum=5\nlocalversion=missing.dat\n", 10,
         "", "missing.dat"},
        {"checksum wins over size", "[update]\nnewchecksum=254\nnewsize=9\nlocalversion=baza.dat\n",
         7, "", "baza.dat"},
        {"version of a file without one", "[update]\nnewversion=1.2\nlocalversion=baza.dat\n", 7,
         "1.2", "baza.dat"},
        {"version without local file", "[update]\nnewversion=1.2\n", 7, "1.2", ""},
        {"everything malformed",
         "[update]\nnewversion=,,x\nnewsize=x\nnewchecksum=0xZZ\ndate=99/99/9999\ntime=x\n", 7,
         ",,x", ""},
    };
    for (const VersionDecision& c : cases) {
        Control(c.control);
        EXPECT_EQ(engine_.CheckVersion(), c.result) << c.name;
        EXPECT_EQ(engine_.NewVersionText(), c.newText) << c.name;
        std::string local = c.localText;
        if (!local.empty() && local[0] == '@') {
            local = app + local.substr(1);
        }
        EXPECT_EQ(engine_.LocalVersionText(), local) << c.name;
    }
}

TEST_F(DecisionsTest, DateBasedUpdateReportsTheNewDate) {
    WriteFileAt(dir_.File("baza.dat"), "x", 2020, 5, 1);
    Control("[update]\ndescr=Baza 2021\ndate=19/06/2021\ntime=14:03\nlocalversion=baza.dat\n");
    EXPECT_EQ(engine_.CheckVersion(), 6);
    EXPECT_EQ(engine_.UpdateDescription(), "Baza 2021");
    EXPECT_EQ(engine_.NewDateTime(), At(2021, 6, 19, 14, 3));
    EXPECT_EQ(engine_.LocalDateTime(), webupdate::FileLastWriteTime(dir_.File("baza.dat")));
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Date based update found",
                                                    "New version found : 19/06/2021"}));
}

TEST_F(DecisionsTest, DateFollowsTheFormatProperties) {
    engine_.SetDateFormat("yyyy-mm-dd");
    engine_.SetDateSeparator('-');
    engine_.SetTimeSeparator('.');
    Control("[update]\ndate=2021-06-19\ntime=14.03\nlocalversion=missing.dat\n");
    EXPECT_EQ(engine_.CheckVersion(), 6);
    EXPECT_EQ(engine_.NewDateTime(), At(2021, 6, 19, 14, 3));
    EXPECT_EQ(engine_.LocalDateTime(), webupdate::FallbackDate());
}

TEST_F(DecisionsTest, VersionTestRewritesBothTexts) {
    // A local executable carrying version 1.0.0.0.
    std::string elf(64, '\0');
    elf.replace(0, 4,
                "\x7f"
                "ELF");
    const unsigned char block[] = {0xBD, 0x04, 0xEF, 0xFE, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0};
    elf.replace(32, 16, reinterpret_cast<const char*>(block), 16);
    WriteFile(dir_.File("spisotek"), elf);

    Control("[update]\nnewversion=1,2\nlocalversion=spisotek\n");
    EXPECT_EQ(engine_.CheckVersion(), 11);
    EXPECT_EQ(engine_.NewVersionText(), "1.2.0.0");
    EXPECT_EQ(engine_.LocalVersionText(), "1.0.0.0");
    EXPECT_EQ(Messages().back(), "New version found : 1.2.0.0");

    // "," separates: the major part "1.2" counts as 1, so this is 1.3.0.0.
    Control("[update]\nnewversion=1.2,3\nlocalversion=spisotek\n");
    EXPECT_EQ(engine_.CheckVersion(), 11);
    EXPECT_EQ(engine_.NewVersionText(), "1.3.0.0");

    // A date older than the local file does not stop the version test.
    Control("[update]\ndate=01/01/2019\nnewversion=1.1\nlocalversion=spisotek\n");
    EXPECT_EQ(engine_.CheckVersion(), 11);

    Control("[update]\nnewversion=1.0\nlocalversion=spisotek\n");
    EXPECT_EQ(engine_.CheckVersion(), 7);
    EXPECT_EQ(engine_.NewVersionText(), "1.0.0.0");
    EXPECT_EQ(Messages().back(), "No new version found");

    Control("[update]\nnewversion=1.2.3.4.5\nlocalversion=spisotek\n");
    EXPECT_EQ(engine_.CheckVersion(), 7);
    EXPECT_EQ(engine_.NewVersionText(), "1.2.3.4.5");

    engine_.SetVersionCheck(vcAlways);
    Control("[update]\nnewversion=1.2\nlocalversion=missing\n");
    EXPECT_EQ(engine_.CheckVersion(), 11);
    EXPECT_EQ(engine_.LocalVersionText(), "65535.65535.65535.65535");
}

TEST_F(DecisionsTest, CustomValidationHasTheLastWord) {
    Control("[update]\nunconditional=1\n[custom]\nvalidatemsg=msg\nvalidateparam=param\n");
    bool offered = false;
    engine_.OnCustomValidate = [&](TWebUpdate&, const std::string& msg, const std::string& param,
                                   bool& allow) {
        EXPECT_EQ(msg, "msg");
        EXPECT_EQ(param, "param");
        offered = allow;
        allow = false;
    };
    EXPECT_EQ(engine_.CheckVersion(), 7);
    EXPECT_TRUE(offered);

    Control("[update]\n");
    engine_.OnCustomValidate = [&](TWebUpdate&, const std::string&, const std::string&,
                                   bool& allow) {
        offered = allow;
        allow = true;
    };
    EXPECT_EQ(engine_.CheckVersion(), 12);
    EXPECT_FALSE(offered);
}

struct ListDecision {
    const char* name;
    const char* control;
    std::vector<std::string> kept;
};

TEST_F(DecisionsTest, FileListDecisions) {
    WriteFileAt(dir_.File("baza.dat"), "12345", 2020, 5, 1);
    const ListDecision cases[] = {
        {"count missing", "[file1]\nurl=http://h/a.dat\n", {}},
        {"count zero", "[files]\ncount=0\n[file1]\nurl=http://h/a.dat\n", {}},
        {"count malformed", "[files]\ncount=two\n[file1]\nurl=http://h/a.dat\n", {}},
        {"sections beyond count ignored",
         "[files]\ncount=1\n[file1]\nurl=http://h/a.dat\n[file2]\nurl=http://h/b.dat\n",
         {"http://h/a.dat"}},
        {"undescribed entries are always kept",
         "[files]\ncount=2\n[file1]\nurl=http://h/a.dat\n[FILE2]\nURL=http://h/b.dat\n",
         {"http://h/a.dat", "http://h/b.dat"}},
        {"count of two billion stops at the first missing section",
         "[files]\ncount=2000000000\n[file1]\nurl=http://h/a.dat\n[file3]\nurl=http://h/c.dat\n",
         {"http://h/a.dat"}},
        {"size test",
         "[files]\ncount=2\n[file1]\nurl=http://h/same.dat\nnewsize=5\nlocalversion=baza.dat\n"
         "[file2]\nurl=http://h/other.dat\nnewsize=6\nlocalversion=baza.dat\n",
         {"http://h/other.dat"}},
        {"checksum test",
         "[files]\ncount=2\n[file1]\nurl=http://h/"
         "same.dat\nnewchecksum=254\nlocalversion=baza.dat\n"
         "[file2]\nurl=http://h/other.dat\nnewchecksum=-1\nnewsize=5\nlocalversion=baza.dat\n",
         {}},
        {"date newer than the file",
         "[files]\ncount=1\n[file1]\nurl=http://h/a.dat\ndate=02/05/2020\nlocalversion=baza.dat\n",
         {"http://h/a.dat"}},
        {"date older than the file",
         "[files]\ncount=1\n[file1]\nurl=http://h/a.dat\ndate=30/04/2020\nlocalversion=baza.dat\n",
         {}},
        {"date and version both present: only the date counts",
         "[files]\ncount=1\n[file1]\nurl=http://h/a.dat\ndate=30/04/2020\nnewversion=9.9\n"
         "localversion=baza.dat\n",
         {}},
        {"date for a missing file keeps the entry",
         "[files]\ncount=1\n[file1]\nurl=http://h/a.dat\ndate=30/04/2020\nlocalversion=none.dat\n",
         {"http://h/a.dat"}},
        {"date without localversion falls to the other tests",
         "[files]\ncount=1\n[file1]\nurl=http://h/a.dat\ndate=30/04/2020\nnewsize=5\n",
         {"http://h/a.dat"}},
        {"invalid version never offered",
         "[files]\ncount=1\n[file1]\nurl=http://h/a.dat\nnewversion=1.2.3.4.5\n"
         "localversion=baza.dat\n",
         {}},
    };
    for (const ListDecision& c : cases) {
        Control(c.control);
        engine_.BuildFileList();
        const int result = engine_.CheckFileList();
        EXPECT_EQ(KeptUrls(), c.kept) << c.name;
        EXPECT_EQ(result, c.kept.empty() ? -1 : 0) << c.name;
    }
}

TEST_F(DecisionsTest, BuildFileListReadsEveryKey) {
    Control(
        "[files]\ncount=1\n"
        "[file1]\nurl={APP}\\pliki\\baza.da_\nlocalversion={app}\\baza.dat\nnewversion=1.2\n"
        "newsize=$10\nnewchecksum=0xFFFFFFFF\ncustomversion=c1\ndate=01/02/2003\ntime=04:05\n"
        "descr=\"Baza abonentów\"\ntargetdir={APP}\\dane\ncompressed=yes\nfilesize=1234\n"
        "mandatory=1\nhidden=1\n");
    EXPECT_EQ(engine_.BuildFileList(), 1);
    const TFileDescription& entry = engine_.FileList().Items(0);
    const std::string app = dir_.Path() + "/.";
    EXPECT_EQ(entry.URL(), app + "\\pliki\\baza.da_");
    EXPECT_EQ(entry.LocalVersion(), app + "/baza.dat");
    EXPECT_EQ(entry.NewVersion(), "1.2");
    EXPECT_EQ(entry.NewSize(), 16);
    EXPECT_EQ(entry.NewCheckSum(), -1);
    EXPECT_EQ(entry.NewCustomVer(), "c1");
    EXPECT_EQ(entry.NewDate(), "01/02/2003");
    EXPECT_EQ(entry.NewTime(), "04:05");
    EXPECT_EQ(entry.Description(), "Baza abonentów");
    EXPECT_EQ(entry.TargetDir(), app + "/dane/");
    EXPECT_FALSE(entry.Compressed());
    EXPECT_EQ(entry.FileSize(), 1234);
    EXPECT_TRUE(entry.Mandatory());
    EXPECT_TRUE(entry.Hidden());
    EXPECT_EQ(Messages(), std::vector<std::string>{"Found file update instruction"});
}

TEST_F(DecisionsTest, HostEventsPruneTheList) {
    Control(
        "[files]\ncount=3\n"
        "[file1]\nurl=http://h/a.dat\ndescr=A\ncustomversion=3\n"
        "[file2]\nurl=http://h/b.dat\ndescr=B\ncustomversion=1\n"
        "[file3]\nurl=http://h/c.dat\ndescr=C\n");
    std::vector<std::string> checked;
    engine_.OnFileVersionCheck = [&](TWebUpdate&, const std::string& newVersion,
                                     const std::string& localVersion, bool& isNew) {
        EXPECT_TRUE(isNew);
        EXPECT_EQ(localVersion, "");
        checked.push_back(newVersion);
        isNew = newVersion != "1";
    };
    std::vector<std::string> listed;
    engine_.OnGetFileList = [&](TWebUpdate&, std::vector<std::string>& list) {
        listed = list;
        list[0].clear();
    };
    engine_.BuildFileList();
    EXPECT_EQ(engine_.CheckFileList(), 0);
    EXPECT_EQ(checked, (std::vector<std::string>{"3", "1"}));
    EXPECT_EQ(listed, (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(KeptUrls(), std::vector<std::string>{"http://h/c.dat"});

    engine_.OnGetFileList = [](TWebUpdate&, std::vector<std::string>& list) { list.clear(); };
    engine_.BuildFileList();
    EXPECT_EQ(engine_.CheckFileList(), 0);  // a shortened list removes nothing
    EXPECT_EQ(engine_.FileList().Count(), 2);
}

TEST_F(DecisionsTest, FileListSizes) {
    Control("[files]\ncount=3\n[file1]\nfilesize=100\n[file2]\nfilesize=20\n[file3]\nfilesize=3\n");
    engine_.BuildFileList();
    TFileList& list = engine_.FileList();
    EXPECT_EQ(list.TotalSize(), 123);
    EXPECT_EQ(list.DoneSize(), 0);
    list.SetCurrentIndex(2);
    EXPECT_EQ(list.DoneSize(), 120);
    list.Delete(0);
    EXPECT_EQ(list.TotalSize(), 23);
    EXPECT_THROW(list.Delete(5), std::out_of_range);
}

TEST_F(DecisionsTest, LocalFilesAreFoundWithoutRegardToCase) {
    WriteFileAt(dir_.File("baza.dat"), "12345", 2020, 5, 1);
    Control(
        "[update]\nnewsize=5\nlocalversion={APP}\\BAZA.DAT\n"
        "[files]\ncount=2\n"
        "[file1]\nurl=http://h/a.dat\nnewsize=5\nlocalversion=Baza.Dat\n"
        "[file2]\nurl=http://h/b.dat\ndate=30/04/2020\nlocalversion=BAZA.dat\n");
    EXPECT_EQ(engine_.CheckVersion(), 7);
    engine_.BuildFileList();
    EXPECT_EQ(engine_.CheckFileList(), -1);
}

// The whole road from the published file: fetched by file copy, read, decided.
TEST_F(DecisionsTest, FetchedControlFileLeadsToTheDecisions) {
    std::filesystem::create_directory(dir_.File("server"));
    std::filesystem::create_directory(dir_.File("tmp"));
    const char* previousTmp = std::getenv("TMPDIR");
    const std::string savedTmp = previousTmp != nullptr ? previousTmp : "";
    ::setenv("TMPDIR", dir_.File("tmp").c_str(), 1);
    WriteFile(dir_.File("server/spisotek.inf"),
              "[update]\nsignature=WebUpdate\nunconditional=1\n"
              "[application]\nappupdate=1\nappname={APP}\\spisotek\n"
              "appcomps=main.exe upd.exe\n"
              "[files]\ncount=1\n[file1]\nurl=http://h/in.exe\n");
    engine_.SetUpdateType(fileUpdate);
    engine_.SetURL(dir_.File("server/spisotek.inf"));
    engine_.SetSignatureCheck(true);
    EXPECT_EQ(engine_.StartConnection(), 0);
    EXPECT_EQ(engine_.ReadControlFile(), 0);
    EXPECT_EQ(engine_.CheckVersion(), 8);
    EXPECT_EQ(engine_.BuildFileList(), 1);
    EXPECT_EQ(engine_.CheckFileList(), 0);
    EXPECT_TRUE(engine_.ApplicationUpdate());
    // A substring test: in.exe occurs inside "main.exe".
    struct Case {
        const char* name;
        bool component;
    };
    for (const Case& c : {Case{"in.exe", true}, Case{"MAIN.EXE", true}, Case{"upd.exe", true},
                          Case{"baza.dat", false}, Case{"", false}}) {
        EXPECT_EQ(engine_.IsApplicationComponent(c.name), c.component) << c.name;
    }
    EXPECT_EQ(engine_.StopConnection(), 0);
    if (previousTmp != nullptr) {
        ::setenv("TMPDIR", savedTmp.c_str(), 1);
    } else {
        ::unsetenv("TMPDIR");
    }
}

struct PrefixCase {
    const char* value;
    const char* expected;  // "@" stands for the working folder
};

TEST_F(DecisionsTest, ExpandsPrefixes) {
    const std::string tmp = std::filesystem::temp_directory_path().string();
    const PrefixCase cases[] = {
        {"{APP}\\baza.dat", "@/.\\baza.dat"},
        {"{app}\\x.dll", "@/.\\x.dll"},
        {"{APP}x.dll", "@/.x.dll"},
        {"{PF}\\Spisotek", "/opt/.\\Spisotek"},
        {"{WIN}\\notepad.exe", "{WIN}\\notepad.exe"},
        {"{SYS}\\x.dll", "{SYS}\\x.dll"},
        {"{NOPE}\\x", "{NOPE}\\x"},
        {"{{APP}\\x", "{{APP}\\x"},
        {"{APP}{PF}", "@/./opt/."},
        {"}{APP}}", "}@/.}"},
        {"{APP", "{APP"},
        {"no markers", "no markers"},
        {"", ""},
    };
    for (const PrefixCase& c : cases) {
        std::string expected = c.expected;
        for (std::size_t at = expected.find('@'); at != std::string::npos;
             at = expected.find('@')) {
            expected.replace(at, 1, dir_.Path());
        }
        EXPECT_EQ(engine_.ExpandPrefixes(c.value), expected) << c.value;
    }
    EXPECT_EQ(engine_.ExpandPrefixes("{TMP}"), (tmp.back() == '/' ? tmp : tmp + "/") + ".");
}

TEST_F(DecisionsTest, ConvertPrefixRunsFirst) {
    engine_.OnConvertPrefix = [](TWebUpdate&, std::string& path) { path = "{PF}" + path; };
    EXPECT_EQ(engine_.ExpandPrefixes("\\a"), "/opt/.\\a");
}

TEST_F(DecisionsTest, FolderNamedLikeAMarkerIsNotExpandedAgain) {
    const std::string odd = dir_.File("{APP}");
    std::filesystem::create_directory(odd);
    WorkingFolder inside(odd);
    EXPECT_EQ(engine_.ExpandPrefixes("{APP}\\x"), odd + "/.\\x");
}

}  // namespace
}  // namespace spisotek
