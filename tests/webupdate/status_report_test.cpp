#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "webupdate/inout_error.h"
#include "webupdate/status_messages.h"
#include "webupdate/test_support.h"
#include "webupdate/web_update.h"

namespace spisotek {
namespace {

using webupdate::testing::At;
using webupdate::testing::FixedClock;
using webupdate::testing::ReadFile;
using webupdate::testing::TempDir;

struct ReportCase {
    int number;
    const char* text;
    int statusCode;
    int errCode;
    const char* line;
};

class StatusReportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TWebUpdate::SetLogFileName(dir_.File("WUPDATE.LOG"));
        engine_.SetClock(&clock_);
    }
    void TearDown() override { TWebUpdate::SetLogFileName("WUPDATE.LOG"); }

    TempDir dir_;
    FixedClock clock_{At(2009, 6, 19, 14, 3, 22)};
    TWebUpdate engine_;
};

TEST_F(StatusReportTest, WritesOneLogLinePerReport) {
    const ReportCase cases[] = {
        {915, "http://127.0.0.1/softupdate/spisotek/spisotek.inf", 3, 0,
         "19/06/2009 14:03:22 : [915] Download : http://127.0.0.1/softupdate/spisotek/"
         "spisotek.inf (Status:3) (Error:0)"},
        {916, "404", 6, 404,
         "19/06/2009 14:03:22 : [916] Http status : 404 (Status:6) (Error:404)"},
        {918, "ignored", 3, 0,
         "19/06/2009 14:03:22 : [918] Checking for Internet connection (Status:3) (Error:0)"},
        {956, "Authentication cancelled", 0, 0,
         "19/06/2009 14:03:22 : [956] Authentication cancelled (Status:0) (Error:0)"},
        {964, "", 0, 0, "19/06/2009 14:03:22 : [964]  (Status:0) (Error:0)"},
        {18, "Exec: patcher.exe a.pat", 3, 0, "19/06/2009 14:03:22 : [18]  (Status:3) (Error:0)"},
        {929, "100% %s %d", 5, 0,
         "19/06/2009 14:03:22 : [929] New version found : 100% %s %d (Status:5) (Error:0)"},
        {950, "Brak pliku", 9, 2,
         "19/06/2009 14:03:22 : [950] Failed to spawn updater process : Brak pliku (Status:9) "
         "(Error:2)"},
    };
    engine_.SetLogging(true);
    std::string expected;
    for (const ReportCase& c : cases) {
        engine_.ReportStatus(c.number, c.text, c.statusCode, c.errCode);
        expected += std::string(c.line) + "\r\n";
    }
    EXPECT_EQ(ReadFile(dir_.File("WUPDATE.LOG")), expected);
}

TEST_F(StatusReportTest, UsesTheSystemsSeparators) {
    FixedClock polish(At(2026, 1, 2, 3, 4, 5), '.', ':');
    engine_.SetClock(&polish);
    engine_.SetLogging(true);
    engine_.ReportStatus(926, "", 3, 0);
    EXPECT_EQ(ReadFile(dir_.File("WUPDATE.LOG")),
              "02.01.2026 03:04:05 : [926] Update control file found (Status:3) (Error:0)\r\n");
}

TEST_F(StatusReportTest, AppendsToAnExistingLog) {
    webupdate::testing::WriteFile(dir_.File("WUPDATE.LOG"), "earlier\r\n");
    engine_.SetLogging(true);
    engine_.ReportStatus(930, "", 4, 0);
    EXPECT_EQ(
        ReadFile(dir_.File("WUPDATE.LOG")),
        "earlier\r\n19/06/2009 14:03:22 : [930] No new version found (Status:4) (Error:0)\r\n");
}

TEST_F(StatusReportTest, RaisesOnStatusWithTheMessageAlone) {
    struct Seen {
        std::string message;
        int statusCode;
        int errCode;
    };
    std::vector<Seen> seen;
    engine_.OnStatus = [&](TWebUpdate& sender, const std::string& message, int statusCode,
                           int errCode) {
        EXPECT_EQ(&sender, &engine_);
        seen.push_back({message, statusCode, errCode});
    };
    engine_.ReportStatus(923, "ftp.example", 3, 0);
    engine_.ReportStatus(927, "", 11, 4);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].message, "Connect to host : ftp.example");
    EXPECT_EQ(seen[1].message, "Invalid signature in update control file");
    EXPECT_EQ(seen[1].statusCode, 11);
    EXPECT_EQ(seen[1].errCode, 4);
    // Logging is off: the handler alone hears the reports.
    EXPECT_FALSE(std::filesystem::exists(dir_.File("WUPDATE.LOG")));
}

TEST_F(StatusReportTest, LoggingOffAndNoHandlerCreatesNoLog) {
    for (int number : {915, 918, 926, 943, 949}) {
        engine_.ReportStatus(number, "x", 3, 0);
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.File("WUPDATE.LOG")));
}

TEST_F(StatusReportTest, DirectLinesAreWrittenEvenWithLoggingOff) {
    engine_.LogUnableToDelete("./WUPD1A2B.TMP");
    engine_.LogUnableToRename("./WUPD1A2B.TMP", "baza.dat");
    EXPECT_EQ(ReadFile(dir_.File("WUPDATE.LOG")),
              "Unable to delete file ./WUPD1A2B.TMP\r\n"
              "Unable to rename file ./WUPD1A2B.TMP to baza.dat\r\n");
}

TEST_F(StatusReportTest, AllEnginesLogIntoTheNameAssignedLast) {
    TWebUpdate other;
    other.SetClock(&clock_);
    engine_.SetLogging(true);
    other.SetLogging(true);
    other.SetLogFileName(dir_.File("first.log"));
    engine_.SetLogFileName(dir_.File("second.log"));
    engine_.ReportStatus(948, "", 3, 0);
    other.ReportStatus(949, "", 3, 0);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("first.log")));
    EXPECT_EQ(ReadFile(dir_.File("second.log")),
              "19/06/2009 14:03:22 : [948] Finished processing update control file (Status:3) "
              "(Error:0)\r\n"
              "19/06/2009 14:03:22 : [949] Closed Internet connection (Status:3) (Error:0)\r\n");
    EXPECT_EQ(other.LogFileName(), dir_.File("second.log"));
}

TEST_F(StatusReportTest, UnwritableLogRaisesAnInputOutputError) {
    TWebUpdate::SetLogFileName(dir_.File("no-such-folder/WUPDATE.LOG"));
    engine_.SetLogging(true);
    bool heard = false;
    engine_.OnStatus = [&](TWebUpdate&, const std::string&, int, int) { heard = true; };
    EXPECT_THROW(engine_.ReportStatus(915, "x", 3, 0), webupdate::InOutError);
    EXPECT_FALSE(heard);
    EXPECT_THROW(engine_.LogUnableToDelete("x"), webupdate::InOutError);
}

TEST(StatusMessagesTest, TableHoldsNumbersTextsAndPrompts) {
    struct Case {
        int number;
        const char* text;
    };
    const Case cases[] = {
        {909, "Download update file : "},
        {910, "Download update files ?"},
        {911, "Shutdown application to update executable files ?"},
        {913, "File not found : %s"},
        {917, "File not found : %s"},
        {943, "Found file update instruction"},
        {962, "Found application component : %s"},
        {18, ""},
        {964, ""},
        {965, ""},
        {924, ""},
        {0, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(webupdate::StatusMessageText(c.number), c.text) << c.number;
    }
    EXPECT_EQ(webupdate::FormatStatusMessage(958, "upd.exe \"a b\""), "Spawn upd.exe \"a b\"");
    EXPECT_EQ(webupdate::FormatStatusMessage(926, "ignored"), "Update control file found");
}

}  // namespace
}  // namespace spisotek
