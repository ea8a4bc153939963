#include <gtest/gtest.h>

#include <QSettings>
#include <cstdlib>
#include <deque>

#include "support/ftp_test_server.h"
#include "support/http_test_server.h"
#include "transfer_test_support.h"
#include "webupdate/inout_error.h"
#include "webupdate/transfer/transfer_session.h"
#include "webupdate/web_update.h"

namespace spisotek::webupdate::transfer::test {
namespace {

using spisotek::testing::HttpRoute;
using spisotek::testing::HttpTestServer;

class ScriptedHost : public UpdateHost {
  public:
    void MessageBox(const std::string&, const std::string&) override {}
    bool QuestionBox(const std::string&, const std::string&) override { return false; }
    bool LoginDialog(const std::string& caption, std::string& userName,
                     std::string& password) override {
        captions.push_back(caption);
        if (logins.empty()) {
            return false;
        }
        std::tie(userName, password) = logins.front();
        logins.pop_front();
        return true;
    }
    void ProcessPendingEvents() override { ++eventRounds; }

    std::deque<std::pair<std::string, std::string>> logins;
    std::vector<std::string> captions;
    int eventRounds = 0;
};

class EngineTransferTest : public ::testing::Test {
  protected:
    void SetUp() override {
        served_ = scratch_.Sub("served");
        scratch_.Sub("served/softupdate");
        scratch_.Sub("served/softupdate/spisotek");
        target_ = scratch_.Sub("target");
        systemTemp_ = scratch_.Sub("systemp");
        const char* old = std::getenv("TMPDIR");
        oldTmp_ = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("TMPDIR", systemTemp_.c_str(), 1);
        server_ = std::make_unique<HttpTestServer>(served_.substr(0, served_.size() - 1));
        ASSERT_TRUE(server_->Start());

        engine_.SetUpdateType(httpUpdate);
        engine_.SetTempDirectory(scratch_.Sub("temp"));
        engine_.SetURL(server_->Url("/softupdate/spisotek/spisotek.inf"));
        engine_.SetUpdateHost(&host_);
        engine_.OnStatus = [this](TWebUpdate&, const std::string& text, int statusCode, int) {
            statuses_.push_back(text);
            statusCodes_.push_back(statusCode);
        };
    }
    void TearDown() override {
        engine_.SetUpdateHost(nullptr);
        if (oldTmp_) {
            ::setenv("TMPDIR", oldTmp_->c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
    }

    void Publish(const std::string& name, const std::string& data) {
        WriteFile(served_ + "softupdate/spisotek/" + name, data);
    }

    ScratchDir scratch_;
    std::string served_, target_, systemTemp_;
    std::optional<std::string> oldTmp_;
    std::unique_ptr<HttpTestServer> server_;
    ScriptedHost host_;
    TWebUpdate engine_;
    std::vector<std::string> statuses_;
    std::vector<int> statusCodes_;
};

TEST_F(EngineTransferTest, StartConnectionOnLoopbackOpensASession) {
    EXPECT_EQ(engine_.StartConnection(), 0);
    EXPECT_TRUE(engine_.Connected());
    EXPECT_EQ(statuses_, (std::vector<std::string>{"Checking for Internet connection",
                                                   "Found open Internet connection"}));
    EXPECT_EQ(engine_.StopConnection(), 0);
    EXPECT_FALSE(engine_.Connected());
    EXPECT_EQ(statuses_.back(), "Closed Internet connection");
    // A second stop is harmless.
    EXPECT_EQ(engine_.StopConnection(), 0);
}

TEST_F(EngineTransferTest, NoSessionWithoutNetworkModes) {
    engine_.SetUpdateType(fileUpdate);
    EXPECT_EQ(engine_.StartConnection(), 0);
    EXPECT_TRUE(statuses_.empty());

    engine_.SetUpdateType(httpUpdate);
    engine_.SetUpdateConnect(wucNone);
    EXPECT_EQ(engine_.StartConnection(), 0);
    EXPECT_EQ(statuses_, std::vector<std::string>{"Checking for Internet connection"});
    // Without a session HTTP transfers fail as not found.
    Publish("spisotek.inf", "[update]\n");
    EXPECT_EQ(engine_.ReadControlFile(), 4);
    EXPECT_EQ(statuses_.back(), "Update control file not found");
}

TEST_F(EngineTransferTest, ReadControlFileFetchesAndDecisionsFollow) {
    Publish("baza.dat", Pattern(12000));
    Publish("spisotek.inf",
            "[update]\r\nsignature=WebUpdate\r\ndescr=Nowe dane\r\ndate=19/06/2030\r\n"
            "[application]\r\nappupdate=1\r\nappname=My App.exe\r\nappparam=-x\r\n"
            "appcomps=spisotek baza.dat\r\nsilentrestart=1\r\n"
            "[files]\r\ncount=2\r\n"
            "[file1]\r\nurl=" +
                server_->Url("/softupdate/spisotek/baza.dat") + "\r\ntargetdir=" + target_ +
                "\r\ndescr=Baza\r\n"
                "[file2]\r\nurl=" +
                server_->Url("/softupdate/spisotek/missing.dat") + "\r\ntargetdir=" + target_ +
                "\r\n");
    ASSERT_EQ(engine_.StartConnection(), 0);
    ASSERT_EQ(engine_.ReadControlFile(), 0);
    EXPECT_EQ(engine_.ControlFileCopy(), systemTemp_ + "spisotek.inf");
    EXPECT_TRUE(Exists(systemTemp_ + "spisotek.inf"));
    EXPECT_NE(std::find(statuses_.begin(), statuses_.end(), "Update control file found"),
              statuses_.end());
    EXPECT_TRUE(engine_.ApplicationUpdate());
    EXPECT_EQ(engine_.ApplicationName(), "\"My App.exe\" -x");
    EXPECT_EQ(engine_.ApplicationComponents(), "spisotek baza.dat");
    EXPECT_TRUE(engine_.SilentRestart());

    EXPECT_EQ(engine_.CheckVersion(), 6);
    EXPECT_EQ(engine_.UpdateDescription(), "Nowe dane");
    ASSERT_EQ(engine_.BuildFileList(), 2);
    ASSERT_EQ(engine_.CheckFileList(), 0);
    ASSERT_EQ(engine_.FileList().Count(), 2);

    std::vector<std::string> downloaded;
    engine_.OnFileDownloaded = [&](TWebUpdate&, const std::string& f) { downloaded.push_back(f); };
    std::int64_t lastPos = 0;
    std::int64_t lastSize = 0;
    engine_.OnFileProgress = [&](TWebUpdate&, const std::string&, std::int64_t pos,
                                 std::int64_t size) {
        lastPos = pos;
        lastSize = size;
    };
    const TFileDescription& first = engine_.FileList().Items(0);
    ASSERT_TRUE(engine_.DownloadFile(engine_.ConnectionHandle(), first.URL(), first.TargetDir(),
                                     first.Compressed()));
    EXPECT_EQ(ReadFile(target_ + "baza.dat"), Pattern(12000));
    EXPECT_EQ(downloaded, std::vector<std::string>{target_ + "baza.dat"});
    EXPECT_EQ(lastPos, 12000);
    EXPECT_EQ(lastSize, 12000);
    EXPECT_GT(host_.eventRounds, 0);

    const TFileDescription& second = engine_.FileList().Items(1);
    statuses_.clear();
    EXPECT_FALSE(
        engine_.DownloadFile(engine_.ConnectionHandle(), second.URL(), second.TargetDir(), false));
    EXPECT_EQ(statuses_.back(), "Http status : 404");

    ASSERT_EQ(engine_.StopConnection(), 0);
    EXPECT_FALSE(Exists(systemTemp_ + "spisotek.inf"));
    EXPECT_TRUE(engine_.ControlFileCopy().empty());
    EXPECT_EQ(engine_.ConnectionHandle(), nullptr);
}

TEST_F(EngineTransferTest, ApplicationNameQuotingAndParameterHook) {
    struct Case {
        std::string appname, appparam, hookAppends, expected;
        bool update;
    };
    const std::vector<Case> cases = {
        {"My App.exe", "", "", "My App.exe", true},
        {"My App.exe", "-x", "", "\"My App.exe\" -x", true},
        {"spisotek", "-a -b", "", "spisotek \"-a -b\"", true},
        {"spisotek", "", " --restarted", "spisotek \" --restarted\"", true},
        {"", "-x", "", " -x", false},  // no restart without a name, whatever the text
    };
    ASSERT_EQ(engine_.StartConnection(), 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.appname + "|" + c.appparam);
        Publish("spisotek.inf", "[application]\nappupdate=1\nappname=" + c.appname +
                                    "\nappparam=" + c.appparam + "\n");
        engine_.OnSetAppParams = nullptr;
        if (!c.hookAppends.empty()) {
            engine_.OnSetAppParams = [&](TWebUpdate&, std::string& p) { p += c.hookAppends; };
        }
        ASSERT_EQ(engine_.ReadControlFile(), 0);
        EXPECT_EQ(engine_.ApplicationName(), c.expected);
        EXPECT_EQ(engine_.ApplicationUpdate(), c.update);
    }
}

TEST_F(EngineTransferTest, SignatureMismatchReports927ButReadsTheRest) {
    Publish("spisotek.inf", "[update]\nsignature=Other\n[application]\nappcomps=a.exe\n");
    engine_.SetSignatureCheck(true);
    ASSERT_EQ(engine_.StartConnection(), 0);
    EXPECT_EQ(engine_.ReadControlFile(), 5);
    EXPECT_EQ(statuses_.back(), "Invalid signature in update control file");
    EXPECT_EQ(statusCodes_.back(), 11);
    EXPECT_EQ(engine_.ApplicationComponents(), "a.exe");

    engine_.SetSignature("Other");
    EXPECT_EQ(engine_.ReadControlFile(), 0);
}

TEST_F(EngineTransferTest, MissingControlFileGivesFour) {
    ASSERT_EQ(engine_.StartConnection(), 0);
    EXPECT_EQ(engine_.ReadControlFile(), 4);
    ASSERT_GE(statuses_.size(), 2u);
    EXPECT_EQ(statuses_[statuses_.size() - 2], "Http status : 404");
    EXPECT_EQ(statuses_.back(), "Update control file not found");
    EXPECT_TRUE(engine_.ControlFileCopy().empty());
}

TEST_F(EngineTransferTest, CancelReports964AndSetsAborted) {
    HttpRoute route;
    route.body = Pattern(50000);
    route.chunkSize = 4096;
    route.chunkDelayMs = 10;
    server_->SetRoute("/softupdate/spisotek/big.dat", route);
    ASSERT_EQ(engine_.StartConnection(), 0);
    int asked = 0;
    engine_.OnProgressCancel = [&](TWebUpdate&, bool& cancel) { cancel = ++asked == 2; };
    EXPECT_FALSE(engine_.DownloadFile(
        engine_.ConnectionHandle(), server_->Url("/softupdate/spisotek/big.dat"), target_, false));
    EXPECT_TRUE(engine_.Aborted());
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(statuses_.back(), "");  // 964 carries no text
    EXPECT_FALSE(Exists(target_ + "big.dat"));

    // The next transfer sets Aborted to its own outcome.
    engine_.OnProgressCancel = nullptr;
    Publish("small.dat", "small");
    ASSERT_TRUE(engine_.DownloadFile(engine_.ConnectionHandle(),
                                     server_->Url("/softupdate/spisotek/small.dat"), target_,
                                     false));
    EXPECT_FALSE(engine_.Aborted());
    engine_.SetAborted();
    EXPECT_TRUE(engine_.Aborted());
}

TEST_F(EngineTransferTest, LoginDialogAnswersStayInTheEngine) {
    Publish("secret.dat", "for members");
    server_->RequireBasicAuth("jan", "tajne");
    engine_.SetAuthenticate(waAuto);
    host_.logins = {{"jan", "tajne"}};
    ASSERT_EQ(engine_.StartConnection(), 0);
    ASSERT_TRUE(engine_.DownloadFile(engine_.ConnectionHandle(),
                                     server_->Url("/softupdate/spisotek/secret.dat"), target_,
                                     false));
    EXPECT_EQ(ReadFile(target_ + "secret.dat"), "for members");
    EXPECT_EQ(engine_.UserID(), "jan");
    EXPECT_EQ(engine_.Password(), "tajne");
    EXPECT_EQ(host_.captions,
              std::vector<std::string>{"Connect to 127.0.0.1:" + std::to_string(server_->Port())});

    // Authenticate on its own: cancel reports 956 and keeps the values.
    EXPECT_FALSE(engine_.Authenticate("http://other.host/x"));
    EXPECT_EQ(host_.captions.back(), "Connect to other.host");
    EXPECT_EQ(statuses_.back(), "Authentication cancelled");
    EXPECT_EQ(engine_.UserID(), "jan");
}

TEST_F(EngineTransferTest, FileNameHookSeesTheNameAndRenamesTheTarget) {
    Publish("baza.dat", "data");
    std::string seen;
    engine_.OnFileNameFromURL = [&](TWebUpdate&, const std::string& url, std::string& name) {
        seen = url;
        name = "renamed.dat";
    };
    EXPECT_EQ(engine_.FileNameFromURL("http://h/a/baza.dat"), "renamed.dat");
    EXPECT_EQ(seen, "baza.dat");
    ASSERT_EQ(engine_.StartConnection(), 0);
    ASSERT_TRUE(engine_.DownloadFile(
        engine_.ConnectionHandle(), server_->Url("/softupdate/spisotek/baza.dat"), target_, false));
    EXPECT_EQ(ReadFile(target_ + "renamed.dat"), "data");
}

TEST_F(EngineTransferTest, DownloadTextUsesTheSystemTempFolder) {
    Publish("whatsnew.txt", "Nowe dane\r\nPoprawki\r\n");
    ASSERT_EQ(engine_.StartConnection(), 0);
    auto lines = engine_.DownloadText(server_->Url("/softupdate/spisotek/whatsnew.txt"));
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (std::vector<std::string>{"Nowe dane", "Poprawki"}));
    EXPECT_FALSE(Exists(systemTemp_ + "whatsnew.txt"));
    EXPECT_FALSE(engine_.DownloadText(server_->Url("/softupdate/spisotek/none.txt")));
}

TEST_F(EngineTransferTest, UnusableTempDirectoryRaisesInOutError) {
    Publish("baza.dat", "data");
    engine_.SetTempDirectory(scratch_ / "no-such-folder");
    ASSERT_EQ(engine_.StartConnection(), 0);
    EXPECT_THROW(
        engine_.DownloadFile(engine_.ConnectionHandle(),
                             server_->Url("/softupdate/spisotek/baza.dat"), target_, false),
        InOutError);
}

TEST_F(EngineTransferTest, FileUpdateCopiesTheControlFileAndEntries) {
    std::string source = scratch_.Sub("source");
    WriteFile(source + "spisotek.inf", "[application]\nappcomps=x\n");
    engine_.SetUpdateType(fileUpdate);
    engine_.SetURL(source + "spisotek.inf");
    ASSERT_EQ(engine_.StartConnection(), 0);
    ASSERT_EQ(engine_.ReadControlFile(), 0);
    EXPECT_EQ(engine_.ApplicationComponents(), "x");
    EXPECT_EQ(engine_.ControlFileCopy(), systemTemp_ + "spisotek.inf");
    WriteFile(source + "lista.dat", Pattern(20000));
    ASSERT_TRUE(engine_.DownloadFile(nullptr, source + "lista.dat", target_, false));
    EXPECT_EQ(ReadFile(target_ + "lista.dat"), Pattern(20000));
    EXPECT_TRUE(engine_.CopyLocalFile(source + "lista.dat", target_ + "kopia.dat"));
    EXPECT_EQ(ReadFile(target_ + "kopia.dat"), Pattern(20000));
    ASSERT_EQ(engine_.StopConnection(), 0);
    EXPECT_FALSE(Exists(systemTemp_ + "spisotek.inf"));
    EXPECT_TRUE(Exists(source + "spisotek.inf"));
}

TEST_F(EngineTransferTest, FtpConnectionReadsTheControlFileFromTheDirectory) {
    std::string root = scratch_.Sub("ftproot");
    std::string dir = scratch_.Sub("ftproot/softupdate");
    WriteFile(dir + "spisotek.inf", "[application]\nappcomps=ftp.exe\n");
    spisotek::testing::FtpTestServer ftp;
    std::string whyNot;
    if (!ftp.Start(root, "jan", "tajne", whyNot)) {
        GTEST_SKIP() << "FTP server cannot start: " << whyNot;
    }
    engine_.SetUpdateType(ftpUpdate);
    engine_.SetHost("127.0.0.1");
    engine_.SetPort(ftp.Port());
    engine_.SetUserID("jan");
    engine_.SetPassword("tajne");
    engine_.SetFTPDirectory("softupdate");
    engine_.SetFTPPassive(true);
    engine_.SetURL("spisotek.inf");
    ASSERT_EQ(engine_.StartConnection(), 0);
    ASSERT_EQ(engine_.ConnectFTP(), 0);
    EXPECT_EQ(statuses_.back(), "Connect to host : 127.0.0.1");
    ASSERT_EQ(engine_.ReadControlFile(), 0);
    EXPECT_EQ(engine_.ApplicationComponents(), "ftp.exe");
    statuses_.clear();
    ASSERT_EQ(engine_.StopConnection(), 0);
    EXPECT_EQ(statuses_,
              (std::vector<std::string>{"Closed FTP connection", "Closed Internet connection",
                                        "Closed Internet connection"}));

    engine_.SetPassword("zle");
    ASSERT_EQ(engine_.StartConnection(), 0);
    EXPECT_EQ(engine_.ConnectFTP(), -1);
    EXPECT_EQ(engine_.ReadControlFile(), 4);
}

TEST_F(EngineTransferTest, WindowsPathsReachTheExpansionAndTheCabinet) {
    auto windows = [](std::string path) {
        for (char& c : path) {
            if (c == '/') {
                c = '\\';
            }
        }
        return path;
    };
    std::string work = scratch_.Sub("work");
    WriteFile(work + "lista.txt", Pattern(3000, 9));
    ASSERT_TRUE(RunIn(work, "mscompress lista.txt && gcab -c pack.cab lista.txt"));
    std::string out = scratch_.Sub("out");
    EXPECT_EQ(engine_.ExtractCabinet(windows(work + "pack.cab"), windows(out)), 0);
    EXPECT_EQ(ReadFile(out + "lista.txt"), Pattern(3000, 9));
    EXPECT_EQ(engine_.ExtractCabinet(windows(work + "none.cab"), windows(out)), -1);

    ::unlink((work + "lista.txt").c_str());
    engine_.ExpandCompressedFile(windows(work + "lista.txt_"));
    EXPECT_EQ(ReadFile(work + "lista.txt"), Pattern(3000, 9));
    EXPECT_FALSE(Exists(work + "lista.txt_"));

    // Compressed entries over HTTP: the cabinet is unpacked into the target and removed.
    ASSERT_TRUE(RunIn(work, "cp pack.cab '" + served_ + "softupdate/spisotek/'"));
    ASSERT_EQ(engine_.StartConnection(), 0);
    ASSERT_TRUE(engine_.DownloadFile(engine_.ConnectionHandle(),
                                     server_->Url("/softupdate/spisotek/pack.cab"),
                                     windows(target_), true));
    EXPECT_EQ(ReadFile(target_ + "lista.txt"), Pattern(3000, 9));
    EXPECT_FALSE(Exists(target_ + "pack.cab"));
}

class RegistryMemoryTest : public EngineTransferTest {
  protected:
    void SetUp() override {
        EngineTransferTest::SetUp();
        userScope_ = scratch_.Sub("user-config");
        systemScope_ = scratch_.Sub("system-config");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(userScope_));
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope,
                           QString::fromStdString(systemScope_));
        engine_.LastURLEntry().SetKey("Software\\Kablowka\\Spisotek");
        engine_.LastURLEntry().SetSection("Update");
    }
    std::string userScope_, systemScope_;
};

TEST_F(RegistryMemoryTest, LastUrlIsRememberedOnlyWhenSaving) {
    engine_.WriteLastURL("http://127.0.0.1:1/new.inf");
    EXPECT_EQ(engine_.ReadLastURL(), "");
    EXPECT_EQ(engine_.GetUpdateURL(), engine_.URL());
    // Nothing touched the key yet; reading the date creates it as an empty settings file.
    EXPECT_FALSE(Exists(userScope_ + "Software/Kablowka/Spisotek.conf"));
    engine_.ReadLastUpdateDate();
    EXPECT_TRUE(Exists(userScope_ + "Software/Kablowka/Spisotek.conf"));

    engine_.LastURLEntry().SetSave(true);
    engine_.WriteLastURL("http://127.0.0.1:1/new.inf");
    EXPECT_EQ(engine_.ReadLastURL(), "http://127.0.0.1:1/new.inf");
    EXPECT_EQ(engine_.GetUpdateURL(), "http://127.0.0.1:1/new.inf");

    engine_.LastURLEntry().SetRegRoot(lurLOCALMACHINE);
    EXPECT_EQ(engine_.ReadLastURL(), "");
    engine_.WriteLastURL("http://machine/x.inf");
    EXPECT_TRUE(Exists(systemScope_ + "Software/Kablowka/Spisotek.conf"));
    EXPECT_EQ(engine_.ReadLastURL(), "http://machine/x.inf");
}

TEST_F(RegistryMemoryTest, UpdateDatesRoundTripAndKeepAnEarlierTime) {
    engine_.LastURLEntry().SetSave(true);
    CivilFields fields;
    fields.year = 2024;
    fields.month = 3;
    fields.day = 5;
    fields.hour = 14;
    fields.minute = 30;
    engine_.WriteLastUpdateDate(MakeCivilTime(fields), true);
    EXPECT_EQ(engine_.ReadLastUpdateDate(), MakeCivilTime(fields));
    EXPECT_TRUE(engine_.DateFromRegistry());

    // A date without a time of day leaves the earlier time in place.
    fields.day = 6;
    fields.hour = 0;
    fields.minute = 0;
    engine_.WriteLastUpdateDate(MakeCivilTime(fields), false);
    CivilFields expected = fields;
    expected.hour = 14;
    expected.minute = 30;
    EXPECT_EQ(engine_.ReadLastUpdateDate(), MakeCivilTime(expected));

    // Configured but not saving: read, never written.
    engine_.LastURLEntry().SetSave(false);
    fields.year = 2030;
    engine_.WriteLastUpdateDate(MakeCivilTime(fields), true);
    EXPECT_EQ(engine_.ReadLastUpdateDate(), MakeCivilTime(expected));

    // Not configured: the local file's time, or 1 January 1980.
    engine_.LastURLEntry().SetKey("");
    EXPECT_EQ(engine_.ReadLastUpdateDate(), FallbackDate());
    EXPECT_FALSE(engine_.DateFromRegistry());
}

}  // namespace
}  // namespace spisotek::webupdate::transfer::test
