#include "webupdate/transfer/expand.h"

#include <fcntl.h>
#include <mspack.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "webupdate/transfer/mspack_io.h"
#include "webupdate/transfer/temp_file.h"

namespace spisotek::webupdate::transfer {

namespace {

struct SzddDeleter {
    void operator()(msszdd_decompressor* d) const { mspack_destroy_szdd_decompressor(d); }
};

}  // namespace

std::string ExpandedName(const std::string& path, char storedCharacter) {
    auto slash = path.rfind('/');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (path.size() <= nameStart || path.back() != '_') {
        return path;
    }
    std::string expanded = path.substr(0, path.size() - 1);
    if (storedCharacter != '\0') {
        expanded += storedCharacter;
    }
    if (expanded.size() <= nameStart) {
        return path;  // "_" alone has nothing left to name
    }
    return expanded;
}

ExpandResult ExpandCompressedFile(const std::string& path) {
    // Only a file that starts with a compress signature is touched at all.
    {
        static constexpr unsigned char kNormal[8] = {0x53, 0x5A, 0x44, 0x44,
                                                     0x88, 0xF0, 0x27, 0x33};
        static constexpr unsigned char kQBasic[8] = {0x53, 0x5A, 0x20, 0x88,
                                                     0xF0, 0x27, 0x33, 0xD1};
        unsigned char magic[8] = {};
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return ExpandResult::kFailed;
        }
        ssize_t got = ::read(fd, magic, sizeof magic);
        ::close(fd);
        if (got != sizeof magic ||
            (std::memcmp(magic, kNormal, 8) != 0 && std::memcmp(magic, kQBasic, 8) != 0)) {
            return ExpandResult::kNotCompressed;
        }
    }
    std::unique_ptr<msszdd_decompressor, SzddDeleter> szdd(
        mspack_create_szdd_decompressor(QuietMspackSystem()));
    if (!szdd) {
        return ExpandResult::kFailed;
    }
    msszddd_header* header = szdd->open(szdd.get(), path.c_str());
    if (header == nullptr) {
        return ExpandResult::kCorrupt;
    }
    const std::string expanded = ExpandedName(path, header->missing_char);
    const off_t expectedLength = header->length;
    auto temp = CreateTempFile(DirectoryPart(expanded));
    if (!temp) {
        szdd->close(szdd.get(), header);
        return ExpandResult::kFailed;
    }
    ::close(temp->fd);
    int error = szdd->extract(szdd.get(), header, temp->path.c_str());
    szdd->close(szdd.get(), header);
    struct stat info {};
    if (error != MSPACK_ERR_OK || ::stat(temp->path.c_str(), &info) != 0 ||
        info.st_size != expectedLength) {
        // The format has no end marker: a short or overlong result means damaged data.
        ::unlink(temp->path.c_str());
        return error == MSPACK_ERR_OPEN || error == MSPACK_ERR_WRITE ? ExpandResult::kFailed
                                                                     : ExpandResult::kCorrupt;
    }
    if (!ReplaceFile(temp->path, expanded)) {
        ::unlink(temp->path.c_str());
        return ExpandResult::kFailed;
    }
    if (expanded != path) {
        ::unlink(path.c_str());
    }
    return ExpandResult::kExpanded;
}

}  // namespace spisotek::webupdate::transfer
