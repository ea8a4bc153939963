#include <gtest/gtest.h>

#include "support/ftp_test_server.h"
#include "transfer_test_support.h"
#include "webupdate/transfer/file_transfer.h"

namespace spisotek::webupdate::transfer::test {
namespace {

class FtpDownloadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = scratch_.Sub("root");
        updates_ = scratch_.Sub("root/softupdate");
        target_ = scratch_.Sub("target");
        settings_.transport = Transport::kFtp;
        settings_.tempDirectory = scratch_.Sub("temp");
        std::string whyNot;
        if (!server_.Start(root_, "jan", "tajne", whyNot)) {
            GTEST_SKIP() << "FTP server cannot start: " << whyNot;
        }
    }

    std::unique_ptr<Connection> Connect(const std::string& user, const std::string& password) {
        return Connection::ConnectFtp(settings_, "127.0.0.1", server_.Port(), {user, password});
    }

    ScratchDir scratch_;
    std::string root_, updates_, target_;
    TransferSettings settings_;
    Credentials credentials_;
    RecordingHost host_;
    spisotek::testing::FtpTestServer server_;
};

TEST_F(FtpDownloadTest, FetchesFromTheDirectoryInPassiveAndActiveMode) {
    const std::string data = Pattern(20000, 7);
    WriteFile(updates_ + "baza.dat", data);
    for (bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        settings_.ftpPassive = passive;
        ::unlink((target_ + "baza.dat").c_str());
        host_ = RecordingHost{};
        auto connection = Connect("jan", "tajne");
        ASSERT_NE(connection, nullptr);
        FileTransfer transfer(settings_, credentials_, host_);
        // The address counts only by its last component.
        ASSERT_TRUE(transfer.DownloadFile(connection.get(), "somewhere\\baza.dat", target_, false,
                                          "softupdate"));
        EXPECT_TRUE(connection->FtpDirectoryEntered());
        EXPECT_EQ(ReadFile(target_ + "baza.dat"), data);
        ASSERT_FALSE(host_.progress.empty());
        EXPECT_EQ(host_.progress.back().pos, 20000);
        EXPECT_EQ(host_.progress.back().size, 20000);  // the size the server reported
        EXPECT_EQ(host_.Codes(), std::vector<int>{915});
        EXPECT_TRUE(TempFilesIn(settings_.tempDirectory).empty());

        // A second transfer reuses the logged-in connection.
        WriteFile(updates_ + "second.txt", "two");
        ASSERT_TRUE(
            transfer.DownloadFile(connection.get(), "second.txt", target_, false, "softupdate"));
        EXPECT_EQ(ReadFile(target_ + "second.txt"), "two");
    }
}

TEST_F(FtpDownloadTest, AnonymousLoginWhenPasswordIsMissing) {
    WriteFile(root_ + "top.txt", "anonymous can read");
    auto connection = Connect("jan", "");
    ASSERT_NE(connection, nullptr);
    FileTransfer transfer(settings_, credentials_, host_);
    ASSERT_TRUE(transfer.DownloadFile(connection.get(), "top.txt", target_, false));
    EXPECT_EQ(ReadFile(target_ + "top.txt"), "anonymous can read");
}

TEST_F(FtpDownloadTest, WrongLoginOrNoServerGivesNoConnection) {
    EXPECT_EQ(Connect("jan", "zle"), nullptr);
    EXPECT_EQ(Connection::ConnectFtp(settings_, "", 21, {}), nullptr);
}

TEST_F(FtpDownloadTest, MissingFileReports917AndKeepsTarget) {
    WriteFile(target_ + "none.dat", "old");
    auto connection = Connect("jan", "tajne");
    ASSERT_NE(connection, nullptr);
    FileTransfer transfer(settings_, credentials_, host_);
    EXPECT_FALSE(transfer.DownloadFile(connection.get(), "none.dat", target_, false, "softupdate"));
    ASSERT_EQ(host_.Codes(), (std::vector<int>{915, 917}));
    EXPECT_EQ(host_.statuses[1].text, "none.dat");
    EXPECT_EQ(ReadFile(target_ + "none.dat"), "old");

    // An HTTP session is no FTP connection.
    auto session = Connection::OpenSession();
    EXPECT_FALSE(transfer.DownloadFile(session.get(), "none.dat", target_, false));
    EXPECT_EQ(host_.Codes().back(), 917);
}

TEST_F(FtpDownloadTest, EmptyRemoteFileFailsAndKeepsTarget) {
    WriteFile(updates_ + "empty.dat", "");
    WriteFile(target_ + "empty.dat", "old");
    auto connection = Connect("jan", "tajne");
    ASSERT_NE(connection, nullptr);
    FileTransfer transfer(settings_, credentials_, host_);
    EXPECT_FALSE(
        transfer.DownloadFile(connection.get(), "empty.dat", target_, false, "softupdate"));
    EXPECT_EQ(ReadFile(target_ + "empty.dat"), "old");
    EXPECT_TRUE(TempFilesIn(settings_.tempDirectory).empty());
}

}  // namespace
}  // namespace spisotek::webupdate::transfer::test
