#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "support/http_test_server.h"
#include "transfer_test_support.h"
#include "webupdate/transfer/file_transfer.h"
#include "webupdate/transfer/names.h"

namespace spisotek::webupdate::transfer::test {
namespace {

using spisotek::testing::HttpRoute;
using spisotek::testing::HttpTestServer;

class HttpDownloadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(scratch_.Path().empty());
        served_ = scratch_.Sub("served");
        target_ = scratch_.Sub("target");
        settings_.tempDirectory = scratch_.Sub("temp");
        settings_.stallTimeoutSeconds = 2;
        server_ = std::make_unique<HttpTestServer>(served_.substr(0, served_.size() - 1));
        ASSERT_TRUE(server_->Start());
        connection_ = Connection::OpenSession();
        ASSERT_NE(connection_, nullptr);
    }

    bool Download(const std::string& path, bool compressed = false) {
        FileTransfer transfer(settings_, credentials_, host_);
        bool ok = transfer.DownloadFile(connection_.get(), server_->Url(path), target_, compressed);
        aborted_ = transfer.Aborted();
        return ok;
    }

    ScratchDir scratch_;
    std::string served_;
    std::string target_;
    TransferSettings settings_;
    Credentials credentials_;
    RecordingHost host_;
    std::unique_ptr<HttpTestServer> server_;
    std::unique_ptr<Connection> connection_;
    std::optional<bool> aborted_;
};

TEST_F(HttpDownloadTest, StoresServedFileAndReportsEveryBlock) {
    const std::string data = Pattern(10000);
    WriteFile(served_ + "data.bin", data);
    WriteFile(target_ + "data.bin", "old contents");

    ASSERT_TRUE(Download("/data.bin"));

    EXPECT_EQ(ReadFile(target_ + "data.bin"), data);
    ASSERT_FALSE(host_.statuses.empty());
    EXPECT_EQ(host_.statuses[0].code, 915);
    EXPECT_EQ(host_.statuses[0].text, server_->Url("/data.bin"));
    EXPECT_EQ(host_.Codes(), std::vector<int>{915});
    ASSERT_GE(host_.progress.size(), 3u);  // at most 4096 bytes per block
    for (const auto& call : host_.progress) {
        EXPECT_EQ(call.fileName, target_ + "data.bin");
        EXPECT_EQ(call.size, 10000);
        EXPECT_LE(call.pos, 10000);
    }
    EXPECT_EQ(host_.progress.back().pos, 10000);
    EXPECT_EQ(host_.cancelChecks, static_cast<int>(host_.progress.size()));
    EXPECT_GE(host_.eventRounds, static_cast<int>(host_.progress.size()));
    EXPECT_EQ(host_.downloaded, std::vector<std::string>{target_ + "data.bin"});
    EXPECT_EQ(aborted_, false);
    EXPECT_TRUE(TempFilesIn(settings_.tempDirectory).empty());

    auto requests = server_->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].headers["user-agent"], "TWebUpdate");
    EXPECT_EQ(requests[0].headers["pragma"], "no-cache");
    EXPECT_EQ(requests[0].headers["cache-control"], "no-cache");
    EXPECT_EQ(requests[0].headers.count("authorization"), 0u);
}

TEST_F(HttpDownloadTest, AnswerWithoutLengthReportsUnknownSize) {
    HttpRoute route;
    route.body = Pattern(9000);
    route.sendContentLength = false;
    server_->SetRoute("/nolength.txt", route);

    ASSERT_TRUE(Download("/nolength.txt"));
    EXPECT_EQ(ReadFile(target_ + "nolength.txt"), route.body);
    for (const auto& call : host_.progress) {
        EXPECT_EQ(call.size, 0);
    }
}

TEST_F(HttpDownloadTest, SlowAnswerArrivesWholeWhileEventsKeepFlowing) {
    HttpRoute route;
    route.body = Pattern(3000);
    route.chunkSize = 1000;
    route.chunkDelayMs = 1200;  // longer than libcurl's idle call interval
    server_->SetRoute("/slow.bin", route);

    ASSERT_TRUE(Download("/slow.bin"));
    EXPECT_EQ(ReadFile(target_ + "slow.bin"), route.body);
    EXPECT_GE(host_.progress.size(), 3u);
    EXPECT_GT(host_.eventRounds, static_cast<int>(host_.progress.size()));
}

TEST_F(HttpDownloadTest, ErrorStatusFailsWithItsNumberAndStoresNothing) {
    WriteFile(target_ + "missing.bin", "keep me");
    HttpRoute forbidden;
    forbidden.status = 403;
    forbidden.body = "no";
    server_->SetRoute("/forbidden.bin", forbidden);

    for (auto [path, status] : {std::pair{"/missing.bin", 404}, std::pair{"/forbidden.bin", 403}}) {
        host_.statuses.clear();
        ASSERT_FALSE(Download(path)) << path;
        ASSERT_EQ(host_.Codes(), (std::vector<int>{915, 916})) << path;
        EXPECT_EQ(host_.statuses[1].text, std::to_string(status));
        EXPECT_EQ(host_.statuses[1].statusCode, 6);
        EXPECT_EQ(host_.statuses[1].errCode, status);
    }
    EXPECT_EQ(ReadFile(target_ + "missing.bin"), "keep me");
    EXPECT_FALSE(Exists(target_ + "forbidden.bin"));
    EXPECT_TRUE(host_.downloaded.empty());
    EXPECT_TRUE(TempFilesIn(settings_.tempDirectory).empty());
}

// Answers that must fail without touching the existing target or leaving a temp file.
TEST_F(HttpDownloadTest, BrokenAnswersFailAndKeepTheOldFile) {
    struct Case {
        const char* name;
        HttpRoute route;
    };
    std::vector<Case> cases;
    {
        HttpRoute r;
        cases.push_back({"empty body with length", r});
        r.sendContentLength = false;
        cases.push_back({"empty body without length", r});
    }
    {
        HttpRoute r;
        r.body = Pattern(50000);
        r.breakAfter = 20000;
        cases.push_back({"broken off mid-body", r});
    }
    {
        HttpRoute r;
        r.body = Pattern(3000);
        r.claimedLength = 1000000;
        cases.push_back({"length larger than the body", r});
    }
    {
        HttpRoute r;
        r.body = Pattern(5000);
        r.stallAfterBody = true;
        r.claimedLength = 10000;
        cases.push_back({"stalls after some bytes", r});
    }
    {
        HttpRoute r;
        r.body = "late";
        r.delayBeforeHeadersMs = 60000;
        cases.push_back({"never answers", r});
    }
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        server_->SetRoute("/case.bin", c.route);
        WriteFile(target_ + "case.bin", "previous version");
        host_ = RecordingHost{};
        EXPECT_FALSE(Download("/case.bin"));
        EXPECT_EQ(ReadFile(target_ + "case.bin"), "previous version");
        EXPECT_TRUE(TempFilesIn(settings_.tempDirectory).empty());
        EXPECT_TRUE(host_.downloaded.empty());
        EXPECT_TRUE(host_.logLines.empty());
        for (const auto& s : host_.statuses) {
            EXPECT_NE(s.code, 916);
        }
    }
}

TEST_F(HttpDownloadTest, ShorterLengthThanBodyStoresWhatTheLengthSays) {
    HttpRoute route;
    route.body = Pattern(8000);
    route.claimedLength = 5000;
    server_->SetRoute("/short.bin", route);
    ASSERT_TRUE(Download("/short.bin"));
    EXPECT_EQ(ReadFile(target_ + "short.bin"), route.body.substr(0, 5000));
}

TEST_F(HttpDownloadTest, CancelStopsTransferDeletesTempAndKeepsTarget) {
    HttpRoute route;
    route.body = Pattern(40000);
    route.chunkSize = 4096;
    route.chunkDelayMs = 20;
    server_->SetRoute("/big.bin", route);
    WriteFile(target_ + "big.bin", "old");
    host_.cancelAfterChecks = 2;

    EXPECT_FALSE(Download("/big.bin"));
    EXPECT_EQ(aborted_, true);
    EXPECT_EQ(host_.cancelChecks, 3);
    EXPECT_EQ(ReadFile(target_ + "big.bin"), "old");
    EXPECT_TRUE(TempFilesIn(settings_.tempDirectory).empty());
}

TEST_F(HttpDownloadTest, CancelWorksWhileServerIsSilent) {
    HttpRoute route;
    route.body = "x";
    route.delayBeforeHeadersMs = 30000;
    server_->SetRoute("/silent.bin", route);
    settings_.stallTimeoutSeconds = 60;
    host_.cancelAfterChecks = 1;

    EXPECT_FALSE(Download("/silent.bin"));
    EXPECT_EQ(aborted_, true);
    EXPECT_GE(host_.eventRounds, 1);
}

TEST_F(HttpDownloadTest, BasicHeaderIsSentWheneverCredentialsAreKnown) {
    struct Case {
        std::string user, password, expected;
    };
    const std::vector<Case> cases = {
        {"jan", "tajne", "Basic " + Base64Encode("jan:tajne")},
        {"jan", "", "Basic amFuOg=="},
        {"", "haslo", "Basic " + Base64Encode(":haslo")},
    };
    WriteFile(served_ + "f.txt", "content");
    for (const auto& c : cases) {
        credentials_ = {c.user, c.password};
        ASSERT_TRUE(Download("/f.txt"));
        EXPECT_EQ(server_->Requests().back().headers["authorization"], c.expected);
    }
    EXPECT_TRUE(host_.loginCaptions.empty());  // never asked with authentication off
}

TEST_F(HttpDownloadTest, KeepAliveAndAgentFollowTheSettings) {
    WriteFile(served_ + "f.txt", "content");
    settings_.agent = "Spisotek";
    settings_.keepAliveAuthentication = true;
    ASSERT_TRUE(Download("/f.txt"));
    auto request = server_->Requests().back();
    EXPECT_EQ(request.headers["user-agent"], "Spisotek");
    EXPECT_EQ(request.headers["connection"], "Keep-Alive");
}

TEST_F(HttpDownloadTest, UnauthorizedWithoutAutoLoginFailsWithStatus401) {
    WriteFile(served_ + "f.txt", "content");
    server_->RequireBasicAuth("jan", "tajne");
    ASSERT_FALSE(Download("/f.txt"));
    EXPECT_EQ(host_.Codes(), (std::vector<int>{915, 916}));
    EXPECT_EQ(host_.statuses[1].errCode, 401);
    EXPECT_TRUE(host_.loginCaptions.empty());
}

TEST_F(HttpDownloadTest, AutoLoginAsksAfterEvery401UntilAccepted) {
    WriteFile(served_ + "f.txt", "secret content");
    server_->RequireBasicAuth("jan", "tajne");
    settings_.authenticate = Authentication::kAuto;
    host_.logins = {{"jan", "zle"}, {"ktos", "tajne"}, {"jan", "tajne"}};

    ASSERT_TRUE(Download("/f.txt"));
    EXPECT_EQ(ReadFile(target_ + "f.txt"), "secret content");
    const std::string caption = "Connect to 127.0.0.1:" + std::to_string(server_->Port());
    EXPECT_EQ(host_.loginCaptions, std::vector<std::string>(3, caption));
    EXPECT_TRUE(host_.loginFieldsStartedEmpty);
    EXPECT_EQ(credentials_.userId, "jan");
    EXPECT_EQ(credentials_.password, "tajne");
    EXPECT_EQ(server_->Requests().size(), 4u);

    // The accepted values stay for later transfers: no more questions.
    ASSERT_TRUE(Download("/f.txt"));
    EXPECT_EQ(host_.loginCaptions.size(), 3u);
}

TEST_F(HttpDownloadTest, CancelledLoginReports956AndFails) {
    WriteFile(served_ + "f.txt", "x");
    WriteFile(target_ + "f.txt", "old");
    server_->RequireBasicAuth("jan", "tajne");
    settings_.authenticate = Authentication::kAuto;
    host_.logins = {{"jan", "zle"}};

    ASSERT_FALSE(Download("/f.txt"));
    EXPECT_EQ(host_.loginCaptions.size(), 2u);
    ASSERT_EQ(host_.Codes(), (std::vector<int>{915, 956}));
    EXPECT_EQ(host_.statuses[1].text, "Authentication cancelled");
    EXPECT_EQ(ReadFile(target_ + "f.txt"), "old");
}

TEST_F(HttpDownloadTest, AlwaysAuthenticationAsksBeforeTheFirstRequest) {
    WriteFile(served_ + "f.txt", "x");
    settings_.authenticate = Authentication::kAlways;
    host_.logins = {{"ala", "kot"}};
    ASSERT_TRUE(Download("/f.txt"));
    ASSERT_EQ(server_->Requests().size(), 1u);
    EXPECT_EQ(server_->Requests()[0].headers["authorization"], "Basic " + Base64Encode("ala:kot"));

    // Cancelled before any request: nothing is sent at all.
    credentials_ = {};
    EXPECT_FALSE(Download("/f.txt"));
    EXPECT_EQ(server_->Requests().size(), 1u);
    EXPECT_EQ(host_.Codes().back(), 956);
}

TEST_F(HttpDownloadTest, ProxyCredentialsTravelInTheAddress) {
    WriteFile(served_ + "f.txt", "x");
    settings_.proxyUserId = "proxy";
    settings_.proxyPassword = "p@ss:word";
    ASSERT_TRUE(Download("/f.txt"));
    EXPECT_EQ(server_->Requests()[0].headers["authorization"],
              "Basic " + Base64Encode("proxy:p@ss:word"));
    EXPECT_EQ(host_.statuses[0].text, server_->Url("/f.txt"));  // reported as given
}

TEST_F(HttpDownloadTest, RedirectsAreFollowedToABoundedDepth) {
    WriteFile(served_ + "real.bin", "moved here");
    HttpRoute moved;
    moved.status = 302;
    moved.extraHeaders = {{"Location", "/real.bin"}};
    server_->SetRoute("/moved.bin", moved);
    ASSERT_TRUE(Download("/moved.bin"));
    EXPECT_EQ(ReadFile(target_ + "moved.bin"), "moved here");

    HttpRoute loop;
    loop.status = 302;
    loop.extraHeaders = {{"Location", "/loop.bin"}};
    server_->SetRoute("/loop.bin", loop);
    host_.statuses.clear();
    ASSERT_FALSE(Download("/loop.bin"));
    EXPECT_EQ(host_.Codes(), (std::vector<int>{915, 916}));
    EXPECT_LE(server_->Requests().size(), 2u + 11u);

    // A redirect may not leave HTTP: no local file is ever read that way.
    HttpRoute toFile;
    toFile.status = 302;
    toFile.extraHeaders = {{"Location", "file:///etc/hostname"}};
    server_->SetRoute("/tofile.bin", toFile);
    host_.statuses.clear();
    EXPECT_FALSE(Download("/tofile.bin"));
    EXPECT_FALSE(Exists(target_ + "tofile.bin"));
    EXPECT_EQ(host_.Codes(), (std::vector<int>{915, 916}));
}

TEST_F(HttpDownloadTest, UnreachableAddressOrNoSessionReports917) {
    HttpTestServer closed;
    ASSERT_TRUE(closed.Start());
    std::string url = closed.Url("/f.txt");
    closed.Stop();

    FileTransfer transfer(settings_, credentials_, host_);
    EXPECT_FALSE(transfer.DownloadFile(connection_.get(), url, target_, false));
    EXPECT_FALSE(transfer.DownloadFile(nullptr, server_->Url("/f.txt"), target_, false));
    EXPECT_FALSE(transfer.DownloadFile(connection_.get(), "no scheme here", target_, false));
    ASSERT_EQ(host_.Codes(), (std::vector<int>{915, 917, 915, 917, 915, 917}));
    EXPECT_EQ(host_.statuses[1].text, url);
    EXPECT_EQ(host_.statuses[1].statusCode, 2);
    EXPECT_EQ(host_.statuses[1].errCode, 1);
}

TEST_F(HttpDownloadTest, AddressEndingInSlashFailsAtTheRenameAndKeepsTheFolder) {
    HttpRoute index;
    index.body = "index page";
    server_->SetRoute("/dir/", index);
    WriteFile(target_ + "inside.txt", "stays");

    ASSERT_FALSE(Download("/dir/"));
    ASSERT_EQ(host_.logLines.size(), 1u);
    EXPECT_EQ(
        host_.logLines[0].rfind("Unable to rename file " + settings_.tempDirectory + "WUPD", 0), 0u)
        << host_.logLines[0];
    EXPECT_NE(host_.logLines[0].find(".TMP to " + target_), std::string::npos);
    EXPECT_EQ(ReadFile(target_ + "inside.txt"), "stays");
    EXPECT_TRUE(host_.downloaded.empty());
}

TEST_F(HttpDownloadTest, UnusableTempFolderRaisesAnIoErrorAndKeepsTarget) {
    WriteFile(served_ + "f.txt", "new");
    WriteFile(target_ + "f.txt", "old");
    std::vector<std::string> folders = {scratch_ / "does-not-exist"};
    if (::geteuid() != 0) {  // permissions do not stop the superuser
        std::string readOnly = scratch_.Sub("readonly");
        ::chmod(readOnly.c_str(), 0555);
        folders.push_back(readOnly);
    }
    for (const auto& folder : folders) {
        settings_.tempDirectory = folder;
        EXPECT_THROW(Download("/f.txt"), TransferIoError) << folder;
        EXPECT_EQ(ReadFile(target_ + "f.txt"), "old");
    }
}

TEST_F(HttpDownloadTest, DownloadTextReturnsLinesAndRemovesTheFile) {
    WriteFile(served_ + "news.txt", "first line\r\nsecond line\nthird\r\n");
    FileTransfer transfer(settings_, credentials_, host_);
    std::string folder = scratch_.Sub("systemp");
    auto lines = transfer.DownloadText(connection_.get(), server_->Url("/news.txt"), folder);
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ(*lines, (std::vector<std::string>{"first line", "second line", "third"}));
    EXPECT_FALSE(Exists(folder + "news.txt"));

    EXPECT_FALSE(transfer.DownloadText(connection_.get(), server_->Url("/none.txt"), folder));
}

}  // namespace
}  // namespace spisotek::webupdate::transfer::test
