#include "app/process_starter.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstdlib>

#include "app_test_support.h"

namespace spisotek::app::testing {
namespace {

// Runs the test in a given current folder and PATH, restoring both after.
class ScopedFolderAndPath {
  public:
    ScopedFolderAndPath(const std::string& folder, const std::string& path)
        : oldFolder_(QDir::currentPath()), oldPath_(qgetenv("PATH")) {
        EXPECT_TRUE(QDir::setCurrent(QString::fromStdString(folder)));
        qputenv("PATH", QByteArray::fromStdString(path));
    }
    ~ScopedFolderAndPath() {
        QDir::setCurrent(oldFolder_);
        qputenv("PATH", oldPath_);
    }

  private:
    QString oldFolder_;
    QByteArray oldPath_;
};

void WriteScript(const ProgramFolder& folder, const std::string& name, const std::string& marker,
                 bool executable) {
    folder.Write(name, "#!/bin/sh\necho started > '" + marker + "'\n");
    QFile::setPermissions(QString::fromStdString(folder.Path() + name),
                          executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                     : QFile::ReadOwner | QFile::WriteOwner);
}

int Reap(pid_t pid) {
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ProcessStarterTest, StartsTheUpdaterFromTheCurrentFolder) {
    ProgramFolder folder;
    ProgramFolder marker;
    WriteScript(folder, "Aktualizacja.exe", marker.Path() + "ran", true);
    ScopedFolderAndPath scope(folder.Path(), "/nonexistent");
    SpawnProcessStarter starter;
    EXPECT_GT(starter.ShellOpen("Aktualizacja.exe"), 32);
    ASSERT_GT(starter.LastChild(), 0);
    EXPECT_EQ(Reap(starter.LastChild()), 0);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(marker.Path() + "ran")));
}

TEST(ProcessStarterTest, FindsTheUpdaterOnPath) {
    ProgramFolder bin;
    ProgramFolder cwd;
    ProgramFolder marker;
    WriteScript(bin, "Aktualizacja.exe", marker.Path() + "ran", true);
    ScopedFolderAndPath scope(cwd.Path(), "/nonexistent:" + bin.Path());
    SpawnProcessStarter starter;
    EXPECT_GT(starter.ShellOpen("Aktualizacja.exe"), 32);
    EXPECT_EQ(Reap(starter.LastChild()), 0);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(marker.Path() + "ran")));
}

TEST(ProcessStarterTest, AMissingOrNonExecutableUpdaterIsNotStarted) {
    ProgramFolder folder;
    ProgramFolder marker;
    ScopedFolderAndPath scope(folder.Path(), folder.Path());
    SpawnProcessStarter starter;
    EXPECT_LE(starter.ShellOpen("Aktualizacja.exe"), 32);
    WriteScript(folder, "Aktualizacja.exe", marker.Path() + "ran", false);
    EXPECT_LE(starter.ShellOpen("Aktualizacja.exe"), 32);
    folder.MakeDirectory("Folder.exe");
    EXPECT_LE(starter.ShellOpen("Folder.exe"), 32);
    EXPECT_EQ(starter.LastChild(), -1);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(marker.Path() + "ran")));
}

TEST(ProcessStarterTest, AFileThatCannotBeExecutedCountsAsNotStarted) {
    ProgramFolder folder;
    // Executable bit but no interpreter line and no binary format.
    folder.Write("Aktualizacja.exe", std::string("\x7f\x45\x4c\x46garbage", 11));
    QFile::setPermissions(QString::fromStdString(folder.Path() + "Aktualizacja.exe"),
                          QFile::ReadOwner | QFile::ExeOwner);
    ScopedFolderAndPath scope(folder.Path(), "/nonexistent");
    SpawnProcessStarter starter;
    EXPECT_LE(starter.ShellOpen("Aktualizacja.exe"), 32);
}

TEST(ProcessStarterTest, TheWindowStartsTheRealUpdaterAndCloses) {
    ProgramFolder folder;
    ProgramFolder marker;
    WriteScript(folder, "Aktualizacja.exe", marker.Path() + "ran", true);
    ScopedFolderAndPath scope(folder.Path(), "/nonexistent");
    FakeDialogs dialogs;
    dialogs.answer = true;
    SpawnProcessStarter starter;
    TMainForm form(dialogs, starter, folder.Path());
    form.show();
    form.RzButton2->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    ASSERT_GT(starter.LastChild(), 0);
    EXPECT_EQ(Reap(starter.LastChild()), 0);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(marker.Path() + "ran")));
}

}  // namespace
}  // namespace spisotek::app::testing
