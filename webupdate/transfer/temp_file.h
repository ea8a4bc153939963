#pragma once

#include <optional>
#include <string>

namespace spisotek::webupdate::transfer {

// A file created exclusively for one transfer; the caller owns the descriptor and the file.
struct TempFile {
    std::string path;
    int fd = -1;
};

// Creates "WUPD" + hexadecimal digits + ".TMP" in the directory (empty: the current one),
// never opening a file that already exists. Nothing on failure (errno tells why).
std::optional<TempFile> CreateTempFile(const std::string& directory);

// Writes every byte, retrying short writes; false on error.
bool WriteAll(int fd, const char* data, size_t size);

// Puts the file at `from` in place of `to` in one step, so that `to` is either the old or the
// new file and never missing. Across file systems the file is first copied beside `to`.
// `from` is gone only on success.
bool ReplaceFile(const std::string& from, const std::string& to);

// The path itself when it exists; otherwise, for names written on a system that ignores case,
// the one file in its folder whose name matches without regard to ASCII case (the path
// unchanged when there is none or more than one).
std::string ExistingNameIgnoringCase(const std::string& path);

// The directory part of a path including its last separator ("" when it has none).
std::string DirectoryPart(const std::string& path);

}  // namespace spisotek::webupdate::transfer
