#include "webupdate/transfer/temp_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

namespace spisotek::webupdate::transfer {

namespace {

std::string JoinDirectory(const std::string& directory, const std::string& name) {
    if (directory.empty()) {
        return name;
    }
    if (directory.back() == '/') {
        return directory + name;
    }
    return directory + "/" + name;
}

}  // namespace

std::optional<TempFile> CreateTempFile(const std::string& directory) {
    // Names are drawn from a random start and walk the whole 16-bit space, so a crowded folder
    // still finds a free name; O_EXCL makes the claim atomic against other processes.
    static thread_local std::mt19937 random{std::random_device{}()};
    unsigned start = random() & 0xFFFF;
    for (unsigned i = 0; i < 0x10000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "WUPD%04X.TMP", (start + i) & 0xFFFF);
        std::string path = JoinDirectory(directory, name);
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            return TempFile{path, fd};
        }
        if (errno != EEXIST) {
            return std::nullopt;
        }
    }
    errno = EEXIST;
    return std::nullopt;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

std::string ExistingNameIgnoringCase(const std::string& path) {
    if (::access(path.c_str(), F_OK) == 0) {
        return path;
    }
    const std::string directory = DirectoryPart(path);
    const std::string name = path.substr(directory.size());
    if (name.empty()) {
        return path;
    }
    DIR* folder = ::opendir(directory.empty() ? "." : directory.c_str());
    if (folder == nullptr) {
        return path;
    }
    std::string found;
    int matches = 0;
    while (dirent* entry = ::readdir(folder)) {
        if (::strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = entry->d_name;
            ++matches;
        }
    }
    ::closedir(folder);
    return matches == 1 ? directory + found : path;
}

std::string DirectoryPart(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool ReplaceFile(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) == 0) {
        return true;
    }
    if (errno != EXDEV) {
        return false;
    }
    // Another file system: copy beside the target first so the final step is still a rename.
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return false;
    }
    auto beside = CreateTempFile(DirectoryPart(to));
    if (!beside) {
        ::close(in);
        return false;
    }
    bool ok = true;
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        if (!WriteAll(beside->fd, buffer, static_cast<size_t>(got))) {
            ok = false;
            break;
        }
    }
    ::close(in);
    ok = ::close(beside->fd) == 0 && ok;
    if (ok && ::rename(beside->path.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    int saved = errno;
    ::unlink(beside->path.c_str());
    errno = saved;
    return false;
}

}  // namespace spisotek::webupdate::transfer
