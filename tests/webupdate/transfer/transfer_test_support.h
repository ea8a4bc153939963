#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "webupdate/transfer/transfer_host.h"

namespace spisotek::webupdate::transfer::test {

struct StatusReport {
    int code;
    std::string text;
    int statusCode;
    int errCode;
};

struct ProgressCall {
    std::string fileName;
    std::int64_t pos;
    std::int64_t size;
};

// Records everything a transfer tells its host; answers cancel and login as scripted.
class RecordingHost : public TransferHost {
  public:
    void ReportStatus(int code, const std::string& text, int statusCode, int errCode) override {
        statuses.push_back({code, text, statusCode, errCode});
    }
    void WriteLogLine(const std::string& line) override { logLines.push_back(line); }
    void FileProgress(const std::string& fileName, std::int64_t pos, std::int64_t size) override {
        progress.push_back({fileName, pos, size});
    }
    bool ProgressCancel() override {
        ++cancelChecks;
        return cancelAfterChecks >= 0 && cancelChecks > cancelAfterChecks;
    }
    void ProcessPendingEvents() override { ++eventRounds; }
    bool ShowLoginDialog(const std::string& caption, std::string& userName,
                         std::string& password) override {
        loginCaptions.push_back(caption);
        loginFieldsStartedEmpty = loginFieldsStartedEmpty && userName.empty() && password.empty();
        if (logins.empty()) {
            return false;
        }
        std::tie(userName, password) = logins.front();
        logins.pop_front();
        return true;
    }
    void FileDownloaded(const std::string& path) override { downloaded.push_back(path); }

    std::vector<int> Codes() const {
        std::vector<int> codes;
        for (const auto& s : statuses) {
            codes.push_back(s.code);
        }
        return codes;
    }

    std::vector<StatusReport> statuses;
    std::vector<std::string> logLines;
    std::vector<ProgressCall> progress;
    std::vector<std::string> downloaded;
    std::vector<std::string> loginCaptions;
    bool loginFieldsStartedEmpty = true;
    std::deque<std::pair<std::string, std::string>> logins;  // answers; empty: Cancel
    int cancelAfterChecks = -1;                              // -1: never cancel
    int cancelChecks = 0;
    int eventRounds = 0;
};

// A fresh folder under the system temp folder, removed with everything in it.
class ScratchDir {
  public:
    ScratchDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/xfer-test-XXXXXX";
        path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~ScratchDir() {
        if (!path_.empty()) {
            std::string command =
                "chmod -R u+w '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'";
            [[maybe_unused]] int rc = std::system(command.c_str());
        }
    }
    const std::string& Path() const { return path_; }
    // Path + "/" + name.
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // Creates a subfolder and returns it with a trailing "/".
    std::string Sub(const std::string& name) const {
        std::string dir = path_ + "/" + name;
        ::mkdir(dir.c_str(), 0777);
        return dir + "/";
    }

  private:
    std::string path_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

inline bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// Names in a folder that look like transfer temp files.
inline std::vector<std::string> TempFilesIn(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* entry = ::readdir(d)) {
            std::string name = entry->d_name;
            if (name.rfind("WUPD", 0) == 0 && name.size() > 8 &&
                name.substr(name.size() - 4) == ".TMP") {
                names.push_back(name);
            }
        }
        ::closedir(d);
    }
    return names;
}

// Runs a shell command in a folder; true when it exits with 0.
inline bool RunIn(const std::string& dir, const std::string& command) {
    std::string line = "cd '" + dir + "' && " + command + " >/dev/null 2>&1";
    return std::system(line.c_str()) == 0;
}

// Bytes that do not compress to nothing: a repeating but varied pattern.
inline std::string Pattern(size_t size, unsigned seed = 1) {
    std::string data(size, '\0');
    std::uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        data[i] = static_cast<char>((i % 64 < 40) ? 'a' + (i % 26) : (x >> 16) & 0xFF);
    }
    return data;
}

}  // namespace spisotek::webupdate::transfer::test
