#include "webupdate/transfer/mspack_io.h"

#include <mspack.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace spisotek::webupdate::transfer {

namespace {

std::FILE* AsFile(mspack_file* file) {
    return reinterpret_cast<std::FILE*>(file);
}

mspack_file* Open(mspack_system*, const char* filename, int mode) {
    const char* modes[] = {"rb", "wb", "r+b", "ab"};
    if (mode < 0 || mode > 3) {
        return nullptr;
    }
    return reinterpret_cast<mspack_file*>(std::fopen(filename, modes[mode]));
}

void Close(mspack_file* file) {
    std::fclose(AsFile(file));
}

int Read(mspack_file* file, void* buffer, int bytes) {
    if (bytes < 0) {
        return -1;
    }
    size_t got = std::fread(buffer, 1, static_cast<size_t>(bytes), AsFile(file));
    return std::ferror(AsFile(file)) ? -1 : static_cast<int>(got);
}

int Write(mspack_file* file, void* buffer, int bytes) {
    if (bytes < 0) {
        return -1;
    }
    size_t put = std::fwrite(buffer, 1, static_cast<size_t>(bytes), AsFile(file));
    return put == static_cast<size_t>(bytes) ? bytes : -1;
}

int Seek(mspack_file* file, off_t offset, int mode) {
    int whence = mode == MSPACK_SYS_SEEK_START ? SEEK_SET
                 : mode == MSPACK_SYS_SEEK_CUR ? SEEK_CUR
                                               : SEEK_END;
    if (mode != MSPACK_SYS_SEEK_START && mode != MSPACK_SYS_SEEK_CUR &&
        mode != MSPACK_SYS_SEEK_END) {
        return -1;
    }
    return ::fseeko(AsFile(file), offset, whence) == 0 ? 0 : -1;
}

off_t Tell(mspack_file* file) {
    return ::ftello(AsFile(file));
}

void Message(mspack_file*, const char*, ...) {}

void* Alloc(mspack_system*, size_t bytes) {
    return std::malloc(bytes);
}

void Free(void* pointer) {
    std::free(pointer);
}

void Copy(void* source, void* destination, size_t bytes) {
    std::memmove(destination, source, bytes);
}

mspack_system kQuiet = {Open, Close, Read, Write, Seek, Tell, Message, Alloc, Free, Copy, nullptr};

}  // namespace

mspack_system* QuietMspackSystem() {
    return &kQuiet;
}

}  // namespace spisotek::webupdate::transfer
