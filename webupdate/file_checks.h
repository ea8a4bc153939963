// What the update decisions learn about a local file: its size, its two kinds
// of checksum and the version in its fixed file information.
#pragma once

#include <cstdint>
#include <string>

#include "webupdate/version_text.h"

namespace spisotek::webupdate {

// The path under which a local file named by a control file is found. Control
// files are written for a system whose file names ignore case, so a name that
// does not exist as written is matched, folder by folder, against the names
// that do exist without regard to case (the exact spelling first, then the
// first match in name order). The path comes back unchanged when it exists as
// written or nothing matches.
std::string ExistingPath(const std::string& path);

// Length in bytes; -1 when the file is missing or not a regular file.
std::int64_t LocalFileSize(const std::string& path);

// Starts at -1 (FFFFFFFF) and adds every byte as an unsigned number, modulo
// 2^32. Empty or missing file: -1.
std::int32_t FileByteSum(const std::string& path);

// Like the CRC-32 register walk, except that each step's value is added to
// the register instead of replacing it; the result is the register's ones'
// complement. Not the standard CRC-32. Empty or missing file: 0.
std::int32_t FileCRC(const std::string& path);

// The same sums over bytes already in memory.
std::int32_t ByteSumOf(const std::string& bytes);
std::int32_t CrcOf(const std::string& bytes);

// File version from the fixed file information block (signature FEEF04BD):
// found through the version resource of a Windows PE file, or embedded in one
// of our own ELF executables. Invalid (-1, -1) for any other file.
VersionPair ReadFileVersion(const std::string& path);

}  // namespace spisotek::webupdate
