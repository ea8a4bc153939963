// spisotek-cli check-control: what the update engine decides from a control
// file, without any network.
//
// The file is read as the engine reads its fetched copy, with the settings
// the main window gives the engine, and DIR (default: the current folder)
// as the working folder that {APP} and relative local files resolve against.
// stdout: the CheckVersion result on the first line, then the address of
// every file entry CheckFileList keeps, one per line, in order (UTF-8).
// --verbose: every status report on stderr as its log line would read.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/cli/commands.h"
#include "platform/cp1250.h"
#include "webupdate/main_window_settings.h"
#include "webupdate/profile_file.h"
#include "webupdate/status_messages.h"
#include "webupdate/web_update.h"

namespace spisotek::cli {

namespace {

constexpr int kExitDone = 0;
constexpr int kExitUnreadable = 3;
constexpr int kExitUsage = 64;

struct Options {
    std::string file;
    std::string dir;
    bool verbose = false;
};

// An engine whose status reports also go to stderr, shaped as log lines.
class VerboseEngine : public TWebUpdate {
  public:
    void SetVerbose(bool verbose) { verbose_ = verbose; }

    void ReportStatus(int number, const std::string& text, int statusCode, int errCode) override {
        TWebUpdate::ReportStatus(number, text, statusCode, errCode);
        if (!verbose_) {
            return;
        }
        const std::string line = webupdate::FormatLogLine(
            ClockRef().Now(), ClockRef().DateSeparator(), ClockRef().TimeSeparator(), number,
            webupdate::FormatStatusMessage(number, text), statusCode, errCode);
        std::fprintf(stderr, "%s\n", platform::Cp1250ToUtf8(line).c_str());
    }

  private:
    bool verbose_ = false;
};

void PrintUsage() {
    std::fputs("usage: spisotek-cli check-control FILE [--dir DIR] [--verbose]\n", stderr);
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--dir") {
            if (i + 1 >= argc) {
                return false;
            }
            options.dir = argv[++i];
        } else if (!arg.empty() && arg.front() != '-' && options.file.empty()) {
            options.file = arg;
        } else {
            return false;
        }
    }
    return !options.file.empty();
}

bool IsReadableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), R_OK) == 0;
}

}  // namespace

int RunCheckControlCommand(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        PrintUsage();
        return kExitUsage;
    }
    if (!IsReadableFile(options.file) || !webupdate::ProfileFile::Load(options.file)) {
        std::fprintf(stderr, "spisotek-cli: cannot read the control file %s\n",
                     options.file.c_str());
        return kExitUnreadable;
    }
    std::error_code error;
    const std::string file = std::filesystem::absolute(options.file, error).string();
    if (error) {
        std::fprintf(stderr, "spisotek-cli: cannot read the control file %s\n",
                     options.file.c_str());
        return kExitUnreadable;
    }
    if (!options.dir.empty() && ::chdir(options.dir.c_str()) != 0) {
        std::fprintf(stderr, "spisotek-cli: cannot use the folder %s: %s\n", options.dir.c_str(),
                     std::strerror(errno));
        return kExitUnreadable;
    }

    try {
        VerboseEngine engine;
        webupdate::ApplyMainWindowSettings(engine);
        engine.SetVerbose(options.verbose);
        // The copy is the user's file: the engine only reads it here and never
        // reaches StopConnection, which would delete it.
        engine.SetControlFileCopy(file);

        const int result = engine.CheckVersion();
        engine.BuildFileList();
        engine.CheckFileList();

        std::printf("%d\n", result);
        for (int i = 0; i < engine.FileList().Count(); ++i) {
            std::printf("%s\n", platform::Cp1250ToUtf8(engine.FileList().Items(i).URL()).c_str());
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "spisotek-cli: %s\n", failure.what());
        return kExitUnreadable;
    }
    if (std::fflush(stdout) != 0) {
        return kExitUnreadable;
    }
    return kExitDone;
}

}  // namespace spisotek::cli
