#include "support/ftp_test_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace spisotek::testing {

namespace {

// The system interpreter carries the Debian pyftpdlib package; a python earlier on PATH may not.
std::string FindPython() {
    const char* candidates[] = {"/usr/bin/python3", "/usr/local/bin/python3"};
    for (const char* candidate : candidates) {
        std::string check = std::string(candidate) + " -c 'import pyftpdlib' >/dev/null 2>&1";
        if (::access(candidate, X_OK) == 0 && std::system(check.c_str()) == 0) {
            return candidate;
        }
    }
    return {};
}

}  // namespace

FtpTestServer::~FtpTestServer() {
    Stop();
}

bool FtpTestServer::Start(const std::string& folder, const std::string& user,
                          const std::string& password, std::string& whyNot) {
    std::string python = FindPython();
    if (python.empty()) {
        whyNot = "no python3 with pyftpdlib (package python3-pyftpdlib)";
        return false;
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        whyNot = "pipe failed";
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    std::string script = SPISOTEK_TEST_SUPPORT_DIR "/ftp_server.py";
    std::vector<std::string> args = {python, script, folder, user, password};
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    int spawned = ::posix_spawn(&pid_, python.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        pid_ = -1;
        whyNot = "cannot start " + python;
        return false;
    }
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd waiting{pipeFds[0], POLLIN, 0};
        if (::poll(&waiting, 1, 100) <= 0) {
            continue;
        }
        char buffer[64];
        ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        line.append(buffer, static_cast<size_t>(got));
    }
    ::close(pipeFds[0]);
    port_ = static_cast<std::uint16_t>(std::atoi(line.c_str()));
    if (port_ == 0) {
        whyNot = "the FTP server did not report its port";
        Stop();
        return false;
    }
    return true;
}

void FtpTestServer::Stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }
}

}  // namespace spisotek::testing
