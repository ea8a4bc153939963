// Runs the built spisotek-cli as a child process over control files in a
// temp folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "webupdate/test_support.h"

extern char** environ;

namespace spisotek {
namespace {

using webupdate::testing::ReadFile;
using webupdate::testing::TempDir;
using webupdate::testing::WriteFile;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

const std::string kCli = std::string(SPISOTEK_BIN_DIR) + "/spisotek-cli";

CliRun RunCli(const TempDir& dir, std::vector<std::string> args) {
    args.insert(args.begin(), {kCli, "check-control"});
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const std::string outPath = dir.File("stdout.txt");
    const std::string errPath = dir.File("stderr.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    CliRun run;
    pid_t pid = 0;
    if (posix_spawn(&pid, kCli.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
            run.status = WEXITSTATUS(status);
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    return run;
}

class CheckControlCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(kCli)) {
            GTEST_SKIP() << "spisotek-cli is not built: " << kCli;
        }
        std::filesystem::create_directory(work_.File("app"));
    }

    TempDir work_;
};

TEST_F(CheckControlCommandTest, PrintsTheResultAndTheKeptAddresses) {
    const std::string app = work_.File("app");
    WriteFile(app + "/baza.dat", "12345");
    WriteFile(work_.File("spisotek.inf"),
              "[update]\nsignature=WebUpdate\nunconditional=1\n"
              "[files]\ncount=3\n"
              "[file1]\nurl=http://h/softupdate/spisotek/baza.dat\nnewsize=5\n"
              "localversion={APP}\\baza.dat\n"
              "[file2]\nurl=http://h/softupdate/spisotek/firmy.dat\nnewsize=7\n"
              "localversion={APP}\\firmy.dat\n"
              "[file3]\nurl=http://h/softupdate/spisotek/tlo.jpg\nnewchecksum=1\n"
              "localversion=tlo.jpg\n");
    // firmy.dat is missing: a size test updates only files that exist.
    const CliRun run = RunCli(work_, {work_.File("spisotek.inf"), "--dir", app});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "8\nhttp://h/softupdate/spisotek/tlo.jpg\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(CheckControlCommandTest, VerboseWritesStatusLinesToStderr) {
    WriteFile(work_.File("spisotek.inf"),
              "[update]\nnewsize=6\nlocalversion=baza.dat\n[files]\ncount=1\n"
              "[file1]\nurl=http://h/a.dat\n");
    WriteFile(work_.File("app/baza.dat"), "12345");
    const CliRun run =
        RunCli(work_, {"--verbose", work_.File("spisotek.inf"), "--dir", work_.File("app")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "9\nhttp://h/a.dat\n");
    const std::string lines[] = {
        " : [932] File size based update found (Status:3) (Error:0)\n",
        " : [929] New version found :  (Status:5) (Error:0)\n",
        " : [943] Found file update instruction (Status:3) (Error:0)\n",
    };
    std::size_t at = 0;
    for (const std::string& line : lines) {
        const std::size_t found = run.err.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << "\nin:\n" << run.err;
        at = found + line.size();
    }
    // No log file: the main window's settings keep logging off.
    EXPECT_FALSE(std::filesystem::exists(work_.File("app/WUPDATE.LOG")));
}

TEST_F(CheckControlCommandTest, RelativeLocalFilesResolveAgainstTheFolder) {
    WriteFile(work_.File("spisotek.inf"),
              "[update]\n[files]\ncount=1\n[file1]\nurl=http://h/a.dat\nnewsize=5\n"
              "localversion=baza.dat\n");
    WriteFile(work_.File("app/baza.dat"), "123456");
    CliRun run = RunCli(work_, {work_.File("spisotek.inf"), "--dir", work_.File("app")});
    EXPECT_EQ(run.out, "7\nhttp://h/a.dat\n");
    WriteFile(work_.File("app/baza.dat"), "12345");
    run = RunCli(work_, {work_.File("spisotek.inf"), "--dir", work_.File("app")});
    EXPECT_EQ(run.out, "7\n");
    EXPECT_EQ(run.status, 0);
}

TEST_F(CheckControlCommandTest, BadControlFilesGiveDefaults) {
    std::string binary;
    for (int i = 0; i < 70000; ++i) {
        binary.push_back(static_cast<char>((i * 131) & 0xFF));
    }
    const std::string files[] = {
        "",
        binary,
        "[files]\ncount=2000000000\n[file1]\nurl=http://h/a\n",
        "[update]\nnewversion=" + std::string(100000, '9') + "\nlocalversion=x\n",
        "[upd",
    };
    const char* expected[] = {"7\n", "7\n", "7\nhttp://h/a\n", "7\n", "7\n"};
    for (std::size_t i = 0; i < std::size(files); ++i) {
        WriteFile(work_.File("bad.inf"), files[i]);
        const CliRun run = RunCli(work_, {work_.File("bad.inf"), "--dir", work_.File("app")});
        EXPECT_EQ(run.status, 0) << i << run.err;
        EXPECT_EQ(run.out, expected[i]) << i;
    }
}

TEST_F(CheckControlCommandTest, UnreadableFileExitsWithThree) {
    const CliRun missing = RunCli(work_, {work_.File("missing.inf")});
    EXPECT_EQ(missing.status, 3);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("missing.inf"), std::string::npos) << missing.err;

    const CliRun folder = RunCli(work_, {work_.File("app")});
    EXPECT_EQ(folder.status, 3);

    const CliRun usage = RunCli(work_, {});
    EXPECT_EQ(usage.status, 64);
}

}  // namespace
}  // namespace spisotek
