// Shared pieces of the webupdate tests: a temp folder that is removed
// afterwards, file writing, and a clock fixed at a given moment.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "webupdate/civil_time.h"
#include "webupdate/clock.h"

namespace spisotek::webupdate::testing {

class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "wudec-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class FixedClock final : public Clock {
  public:
    FixedClock(CivilTime now, char dateSeparator = '/', char timeSeparator = ':')
        : now_(now), dateSeparator_(dateSeparator), timeSeparator_(timeSeparator) {}
    CivilTime Now() const override { return now_; }
    char DateSeparator() const override { return dateSeparator_; }
    char TimeSeparator() const override { return timeSeparator_; }

  private:
    CivilTime now_;
    char dateSeparator_;
    char timeSeparator_;
};

// Switches the working folder for one test and back.
class WorkingFolder {
  public:
    explicit WorkingFolder(const std::string& path) : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~WorkingFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

  private:
    std::filesystem::path previous_;
};

inline CivilTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return MakeCivilTime(CivilFields{year, month, day, hour, minute, second});
}

}  // namespace spisotek::webupdate::testing
