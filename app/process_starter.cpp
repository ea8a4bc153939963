#include "app/process_starter.h"

#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <vector>

extern char** environ;

namespace spisotek::app {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string FindExecutable(const std::string& program) {
    if (program.empty()) {
        return {};
    }
    if (program.find('/') != std::string::npos) {
        return IsExecutableFile(program) ? program : std::string();
    }
    // The current folder first: the updater is shipped beside the program,
    // which is where the program is normally started from.
    std::string local = "./" + program;
    if (IsExecutableFile(local)) {
        return local;
    }
    const char* path = std::getenv("PATH");
    if (path == nullptr) {
        return {};
    }
    std::string_view rest(path);
    while (true) {
        size_t colon = rest.find(':');
        std::string_view dir = rest.substr(0, colon);
        if (!dir.empty()) {
            std::string candidate = std::string(dir) + "/" + program;
            if (IsExecutableFile(candidate)) {
                return candidate;
            }
        }
        if (colon == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(colon + 1);
    }
    return {};
}

int SpawnProcessStarter::ShellOpen(const std::string& program) {
    std::string path = FindExecutable(program);
    if (path.empty()) {
        return kFileNotFound;
    }
    std::vector<char*> argv{path.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        return kCannotStart;
    }
    lastChild_ = pid;
    return kStarted;
}

}  // namespace spisotek::app
