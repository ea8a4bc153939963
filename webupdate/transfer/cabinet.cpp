#include <fcntl.h>
#include <mspack.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <memory>
#include <string>

#include "webupdate/transfer/expand.h"
#include "webupdate/transfer/mspack_io.h"
#include "webupdate/transfer/temp_file.h"

namespace spisotek::webupdate::transfer {

namespace {

struct CabDeleter {
    void operator()(mscab_decompressor* d) const { mspack_destroy_cab_decompressor(d); }
};

// A stored name as a relative path below the target, or nothing when it would leave it.
bool SafeRelativeName(const char* stored, std::string& name) {
    name = stored == nullptr ? "" : stored;
    for (char& c : name) {
        if (c == '\\') {
            c = '/';
        }
    }
    if (name.empty() || name.front() == '/' || name.back() == '/') {
        return false;
    }
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string::npos) {
            end = name.size();
        }
        std::string_view part(name.data() + start, end - start);
        if (part.empty() || part == "..") {
            return false;
        }
        start = end + 1;
    }
    return true;
}

bool MakeDirectories(const std::string& directory) {
    if (directory.empty()) {
        return true;
    }
    for (size_t pos = 1; pos <= directory.size(); ++pos) {
        if (pos == directory.size() || directory[pos] == '/') {
            std::string part = directory.substr(0, pos);
            if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
                return false;
            }
        }
    }
    struct stat info {};
    return ::stat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void SetStoredTime(const std::string& path, const mscabd_file& file) {
    std::tm local{};
    local.tm_year = file.date_y - 1900;
    local.tm_mon = file.date_m - 1;
    local.tm_mday = file.date_d;
    local.tm_hour = file.time_h;
    local.tm_min = file.time_m;
    local.tm_sec = file.time_s;
    local.tm_isdst = -1;  // stored as local time
    std::time_t when = std::mktime(&local);
    if (when == static_cast<std::time_t>(-1)) {
        return;
    }
    timespec times[2] = {{when, 0}, {when, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

}  // namespace

int ExtractCabinet(const std::string& cabinetPath, const std::string& targetDirectory) {
    if (::access(cabinetPath.c_str(), R_OK) != 0) {
        return -1;
    }
    std::unique_ptr<mscab_decompressor, CabDeleter> cabd(
        mspack_create_cab_decompressor(QuietMspackSystem()));
    if (!cabd) {
        return -1;
    }
    mscabd_cabinet* cab = cabd->open(cabd.get(), cabinetPath.c_str());
    if (cab == nullptr) {
        return -1;
    }
    // Check every name first, so a hostile cabinet changes nothing at all.
    std::string name;
    for (mscabd_file* file = cab->files; file != nullptr; file = file->next) {
        if (!SafeRelativeName(file->filename, name)) {
            cabd->close(cabd.get(), cab);
            return -1;
        }
    }
    std::string base = targetDirectory;
    if (!base.empty() && base.back() != '/') {
        base += '/';
    }
    int result = 0;
    for (mscabd_file* file = cab->files; file != nullptr && result == 0; file = file->next) {
        SafeRelativeName(file->filename, name);
        std::string target = base + name;
        std::string directory = DirectoryPart(target);
        if (!MakeDirectories(directory.empty() ? std::string()
                                               : directory.substr(0, directory.size() - 1))) {
            result = -1;
            break;
        }
        auto temp = CreateTempFile(directory);
        if (!temp) {
            result = -1;
            break;
        }
        ::close(temp->fd);
        struct stat info {};
        if (cabd->extract(cabd.get(), file, temp->path.c_str()) != MSPACK_ERR_OK ||
            ::stat(temp->path.c_str(), &info) != 0 ||
            static_cast<unsigned long long>(info.st_size) != file->length) {
            ::unlink(temp->path.c_str());
            result = -1;
            break;
        }
        SetStoredTime(temp->path, *file);
        if (!ReplaceFile(temp->path, target)) {
            ::unlink(temp->path.c_str());
            result = -1;
        }
    }
    cabd->close(cabd.get(), cab);
    return result;
}

}  // namespace spisotek::webupdate::transfer
