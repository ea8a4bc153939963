#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>

#include "support/http_test_server.h"
#include "transfer_test_support.h"
#include "webupdate/transfer/expand.h"
#include "webupdate/transfer/file_transfer.h"

namespace spisotek::webupdate::transfer::test {
namespace {

// The mscompress tool writes broken data for inputs of a few bytes, so texts are longer.
const std::string kSzddText = "from szdd: Lorem ipsum dolor sit amet, lorem ipsum dolor sit amet.";

class CopyAndExpandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        source_ = scratch_.Sub("source");
        target_ = scratch_.Sub("target");
        settings_.transport = Transport::kFile;
        settings_.tempDirectory = scratch_.Sub("temp");
    }

    // "name" compressed with the mscompress tool in the source folder: returns the .._ path.
    std::string Compressed(const std::string& name, const std::string& data) {
        WriteFile(source_ + name, data);
        EXPECT_TRUE(RunIn(source_, "mscompress '" + name + "'"));
        ::unlink((source_ + name).c_str());
        return source_ + name + "_";
    }

    // A cabinet made with gcab from files laid out under a work folder.
    std::string Cabinet(const std::string& cabName,
                        const std::vector<std::pair<std::string, std::string>>& files,
                        const std::string& touchDate = "2009-06-19 14:03:22") {
        std::string work = scratch_.Sub("cabwork-" + cabName);
        std::string list;
        for (const auto& [name, data] : files) {
            std::string path = work + name;
            EXPECT_TRUE(RunIn(work, "mkdir -p \"$(dirname '" + name + "')\""));
            WriteFile(path, data);
            EXPECT_TRUE(RunIn(work, "touch -d '" + touchDate + "' '" + name + "'"));
            list += " '" + name + "'";
        }
        EXPECT_TRUE(RunIn(work, "gcab -c -z '" + source_ + cabName + "'" + list));
        return source_ + cabName;
    }

    static std::time_t LocalTime(int y, int mo, int d, int h, int mi, int s) {
        std::tm t{};
        t.tm_year = y - 1900;
        t.tm_mon = mo - 1;
        t.tm_mday = d;
        t.tm_hour = h;
        t.tm_min = mi;
        t.tm_sec = s;
        t.tm_isdst = -1;
        return std::mktime(&t);
    }

    static std::time_t ModTime(const std::string& path) {
        struct stat info {};
        ::stat(path.c_str(), &info);
        return info.st_mtime;
    }

    ScratchDir scratch_;
    std::string source_, target_;
    TransferSettings settings_;
    Credentials credentials_;
    RecordingHost host_;
};

TEST_F(CopyAndExpandTest, CopyReportsProgressPerBlockAndReplacesTarget) {
    const std::string data = Pattern(40000);
    WriteFile(source_ + "baza.dat", data);
    WriteFile(target_ + "baza.dat", "old");
    FileTransfer transfer(settings_, credentials_, host_);
    ASSERT_TRUE(transfer.DownloadFile(nullptr, source_ + "baza.dat", target_, false));
    EXPECT_EQ(ReadFile(target_ + "baza.dat"), data);
    EXPECT_EQ(host_.Codes(), std::vector<int>{915});
    // 16384-byte blocks: 16384, 32768, 40000, then the final empty read.
    ASSERT_EQ(host_.progress.size(), 4u);
    EXPECT_EQ(host_.progress[0].pos, 16384);
    EXPECT_EQ(host_.progress[1].pos, 32768);
    EXPECT_EQ(host_.progress[2].pos, 40000);
    EXPECT_EQ(host_.progress[0].fileName, source_ + "baza.dat");
    EXPECT_EQ(host_.progress[0].size, 40000);
    EXPECT_EQ(host_.downloaded, std::vector<std::string>{target_ + "baza.dat"});
    EXPECT_EQ(transfer.Aborted(), false);
    EXPECT_TRUE(TempFilesIn(settings_.tempDirectory).empty());
}

TEST_F(CopyAndExpandTest, CopyFailuresReportAndKeepTarget) {
    WriteFile(source_ + "a.dat", "new");
    WriteFile(target_ + "a.dat", "old");
    FileTransfer transfer(settings_, credentials_, host_);

    EXPECT_FALSE(transfer.CopyLocalFile(source_ + "a.dat", source_ + "a.dat"));
    EXPECT_FALSE(transfer.CopyLocalFile(source_ + "none.dat", target_ + "a.dat"));
    ASSERT_EQ(host_.Codes(), (std::vector<int>{912, 913}));
    EXPECT_EQ(host_.statuses[0].statusCode, 10);
    EXPECT_EQ(host_.statuses[0].errCode, 3);
    EXPECT_EQ(host_.statuses[1].text, source_ + "none.dat");
    EXPECT_EQ(host_.statuses[1].statusCode, 2);
    EXPECT_EQ(host_.statuses[1].errCode, 1);

    // A folder is no file; a pipe has no length (and must not block the copy).
    ASSERT_EQ(::mkfifo((source_ + "pipe").c_str(), 0666), 0);
    EXPECT_FALSE(transfer.CopyLocalFile(source_, target_ + "a.dat"));
    EXPECT_FALSE(transfer.CopyLocalFile(source_ + "pipe", target_ + "a.dat"));
    ASSERT_EQ(host_.Codes(), (std::vector<int>{912, 913, 913, 914}));
    EXPECT_EQ(host_.statuses[3].statusCode, 10);
    EXPECT_EQ(host_.statuses[3].errCode, 2);
    host_.statuses.resize(2);

    // No temp file possible: fails without a report.
    settings_.tempDirectory = scratch_ / "missing";
    EXPECT_FALSE(transfer.CopyLocalFile(source_ + "a.dat", target_ + "a.dat"));
    EXPECT_EQ(host_.statuses.size(), 2u);

    // A target that is a folder: the rename fails and is logged; nothing is left behind.
    settings_.tempDirectory = scratch_.Sub("temp");
    std::string folder = scratch_.Sub("target/a.dir");
    WriteFile(folder + "inside", "x");
    EXPECT_FALSE(transfer.CopyLocalFile(source_ + "a.dat", target_ + "a.dir"));
    ASSERT_EQ(host_.logLines.size(), 1u);
    EXPECT_EQ(host_.logLines[0].rfind("Unable to rename file ", 0), 0u);
    EXPECT_EQ(ReadFile(folder + "inside"), "x");
    EXPECT_TRUE(TempFilesIn(settings_.tempDirectory).empty());
    EXPECT_EQ(ReadFile(target_ + "a.dat"), "old");
}

TEST_F(CopyAndExpandTest, SourceNamedInAnotherCaseIsFound) {
    WriteFile(source_ + "Baza.DAT", "found");
    FileTransfer transfer(settings_, credentials_, host_);
    ASSERT_TRUE(transfer.DownloadFile(nullptr, source_ + "baza.dat", target_, false));
    EXPECT_EQ(ReadFile(target_ + "baza.dat"), "found");

    // Two candidates: neither is guessed.
    WriteFile(source_ + "BAZA.dat", "other");
    EXPECT_FALSE(transfer.DownloadFile(nullptr, source_ + "baza.Dat", target_, false));
    EXPECT_EQ(host_.Codes().back(), 913);
}

TEST_F(CopyAndExpandTest, CancelledCopyKeepsTarget) {
    WriteFile(source_ + "big.dat", Pattern(100000));
    WriteFile(target_ + "big.dat", "old");
    host_.cancelAfterChecks = 1;
    FileTransfer transfer(settings_, credentials_, host_);
    EXPECT_FALSE(transfer.CopyLocalFile(source_ + "big.dat", target_ + "big.dat"));
    EXPECT_EQ(transfer.Aborted(), true);
    EXPECT_EQ(host_.cancelChecks, 2);
    EXPECT_EQ(ReadFile(target_ + "big.dat"), "old");
    EXPECT_TRUE(TempFilesIn(settings_.tempDirectory).empty());
}

TEST_F(CopyAndExpandTest, SzddFileExpandsUnderItsStoredName) {
    const std::string data = Pattern(30000, 3) + std::string(5000, ' ') + "koniec";
    std::string packed = Compressed("upd.exe", data);
    ASSERT_TRUE(Exists(packed));
    EXPECT_EQ(ExpandCompressedFile(packed), ExpandResult::kExpanded);
    EXPECT_EQ(ReadFile(source_ + "upd.exe"), data);
    EXPECT_FALSE(Exists(packed));

    // The stored last character restores the name: "upd.ex_" with 'e' gives "upd.exe".
    std::string bytes = ReadFile(Compressed("x.bin", "payload payload payload"));
    bytes[9] = 'n';
    WriteFile(source_ + "other.bi_", bytes);
    EXPECT_EQ(ExpandCompressedFile(source_ + "other.bi_"), ExpandResult::kExpanded);
    EXPECT_EQ(ReadFile(source_ + "other.bin"), "payload payload payload");
}

TEST_F(CopyAndExpandTest, DamagedOrForeignFilesAreNeverDestroyed) {
    const std::string good = ReadFile(Compressed("d.txt", Pattern(20000, 5)));
    ASSERT_GT(good.size(), 100u);
    std::string huge = good;
    huge[10] = huge[11] = huge[12] = huge[13] = '\xff';  // claims 4 GB
    struct Case {
        const char* name;
        std::string bytes;
        ExpandResult expected;
    };
    const std::vector<Case> cases = {
        {"plain text", "just a text file, not compressed", ExpandResult::kNotCompressed},
        {"empty", "", ExpandResult::kNotCompressed},
        {"truncated data", good.substr(0, good.size() / 2), ExpandResult::kCorrupt},
        {"header only", good.substr(0, 14), ExpandResult::kCorrupt},
        {"cut header", good.substr(0, 11), ExpandResult::kCorrupt},
        {"claims a huge size", huge, ExpandResult::kCorrupt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(source_ + "d.txt_", c.bytes);
        WriteFile(source_ + "d.txt", "existing expanded file");
        EXPECT_EQ(ExpandCompressedFile(source_ + "d.txt_"), c.expected);
        EXPECT_EQ(ReadFile(source_ + "d.txt_"), c.bytes);
        EXPECT_EQ(ReadFile(source_ + "d.txt"), "existing expanded file");
        EXPECT_TRUE(TempFilesIn(source_).empty());
    }
    // A name without "_" expands onto itself only through a complete replacement.
    WriteFile(source_ + "same.dat", "not compressed at all");
    EXPECT_EQ(ExpandCompressedFile(source_ + "same.dat"), ExpandResult::kNotCompressed);
    EXPECT_EQ(ReadFile(source_ + "same.dat"), "not compressed at all");
    WriteFile(source_ + "same.dat", good);
    EXPECT_EQ(ExpandCompressedFile(source_ + "same.dat"), ExpandResult::kExpanded);
    EXPECT_EQ(ReadFile(source_ + "same.dat"), Pattern(20000, 5));
}

TEST_F(CopyAndExpandTest, CabinetExtractsFoldersWithStoredTimes) {
    std::string cab = Cabinet("pack.cab", {{"baza.dat", Pattern(7000)},
                                           {"lists/firmy.dat", "firma\r\n"},
                                           {"lists/deep/more.txt", "more"}});
    std::string out = scratch_.Sub("out");
    WriteFile(out + "baza.dat", "old");
    ASSERT_EQ(ExtractCabinet(cab, out), 0);
    EXPECT_EQ(ReadFile(out + "baza.dat"), Pattern(7000));
    EXPECT_EQ(ReadFile(out + "lists/firmy.dat"), "firma\r\n");
    EXPECT_EQ(ReadFile(out + "lists/deep/more.txt"), "more");
    // Cabinets store local time at two-second resolution.
    EXPECT_EQ(ModTime(out + "lists/firmy.dat"), LocalTime(2009, 6, 19, 14, 3, 22));
    EXPECT_TRUE(TempFilesIn(out).empty());
    EXPECT_TRUE(Exists(cab));
}

TEST_F(CopyAndExpandTest, HostileOrDamagedCabinetsChangeNothing) {
    std::string good = ReadFile(Cabinet("good.cab", {{"aa/x.txt", "escaped?"}, {"Zy.txt", "y"}}));
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string bytes = good;
        auto pos = bytes.find(from);
        EXPECT_NE(pos, std::string::npos);
        bytes.replace(pos, from.size(), to);
        return bytes;
    };
    std::string hugeLength = good;
    // The first file record starts after the 36-byte header and one 8-byte folder record.
    hugeLength[44] = hugeLength[45] = hugeLength[46] = '\xff';
    hugeLength[47] = '\x7f';
    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"parent folder", replaced("aa\\x.txt", "..\\x.txt")},
        {"absolute path", replaced("Zy.txt", "\\y.txt")},
        {"truncated", good.substr(0, good.size() - 10)},
        {"claims a huge size", hugeLength},
        {"not a cabinet", "MSCF but not really a cabinet"},
        {"empty", ""},
    };
    std::string out = scratch_.Sub("out");
    std::string outside = scratch_.Path() + "/x.txt";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(source_ + "bad.cab", c.bytes);
        WriteFile(out + "y.txt", "existing");
        EXPECT_EQ(ExtractCabinet(source_ + "bad.cab", out), -1);
        EXPECT_FALSE(Exists(outside));
        EXPECT_FALSE(Exists("/y.txt"));
        EXPECT_EQ(ReadFile(out + "y.txt"), "existing");
        EXPECT_TRUE(TempFilesIn(out).empty());
    }
    EXPECT_EQ(ExtractCabinet(source_ + "missing.cab", out), -1);
}

TEST_F(CopyAndExpandTest, CompressedCopyExpandsOrExtracts) {
    // fileUpdate: a ".CAB" anywhere in the upper-cased target path means a cabinet.
    std::string cab = Cabinet("data.cab", {{"inner.txt", "from cabinet"}});
    std::string packed = Compressed("list.dat", kSzddText);
    FileTransfer transfer(settings_, credentials_, host_);
    ASSERT_TRUE(transfer.DownloadFile(nullptr, cab, target_, true));
    EXPECT_EQ(ReadFile(target_ + "inner.txt"), "from cabinet");
    EXPECT_FALSE(Exists(target_ + "data.cab"));
    EXPECT_EQ(host_.Codes(), (std::vector<int>{915, 965}));
    EXPECT_EQ(host_.statuses[1].text, target_ + "data.cab");

    ASSERT_TRUE(transfer.DownloadFile(nullptr, packed, target_, true));
    EXPECT_EQ(ReadFile(target_ + "list.dat"), kSzddText);
    EXPECT_FALSE(Exists(target_ + "list.dat_"));

    settings_.keepIntermediateFiles = true;
    ASSERT_TRUE(transfer.DownloadFile(nullptr, cab, target_, true));
    EXPECT_TRUE(Exists(target_ + "data.cab"));

    // Marked compressed but plain: stored as it is.
    WriteFile(source_ + "plain.txt", "plain text");
    ASSERT_TRUE(transfer.DownloadFile(nullptr, source_ + "plain.txt", target_, true));
    EXPECT_EQ(ReadFile(target_ + "plain.txt"), "plain text");
}

TEST_F(CopyAndExpandTest, CompressedHttpDownloadsExpandAfterStoring) {
    std::string cab = Cabinet("Pack.Cab", {{"sub/inner.txt", "inside"}});
    std::string packed = Compressed("list.dat", kSzddText + " over http");
    spisotek::testing::HttpTestServer server(source_.substr(0, source_.size() - 1));
    ASSERT_TRUE(server.Start());
    auto session = Connection::OpenSession();
    settings_.transport = Transport::kHttp;
    FileTransfer transfer(settings_, credentials_, host_);

    ASSERT_TRUE(transfer.DownloadFile(session.get(), server.Url("/Pack.Cab"), target_, true));
    EXPECT_EQ(ReadFile(target_ + "sub/inner.txt"), "inside");
    EXPECT_FALSE(Exists(target_ + "Pack.Cab"));
    ASSERT_TRUE(transfer.DownloadFile(session.get(), server.Url("/list.dat_"), target_, true));
    EXPECT_EQ(ReadFile(target_ + "list.dat"), kSzddText + " over http");
    EXPECT_EQ(host_.downloaded,
              (std::vector<std::string>{target_ + "Pack.Cab", target_ + "list.dat_"}));
}

}  // namespace
}  // namespace spisotek::webupdate::transfer::test
