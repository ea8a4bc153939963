#include "webupdate/file_checks.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "platform/cp1250.h"

namespace spisotek::webupdate {

namespace {

constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BDu;
constexpr std::uint32_t kFixedInfoStrucVersion = 0x00010000u;
// Executables carrying a version are small; reading more would only slow
// down a file list that names a huge data file by mistake.
constexpr std::size_t kMaxVersionScan = 64u * 1024u * 1024u;
constexpr std::size_t kBlock = 65536;

using Crc32Table = std::array<std::uint32_t, 256>;

constexpr Crc32Table MakeCrc32Table() {
    Crc32Table table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

constexpr Crc32Table kCrc32Table = MakeCrc32Table();

template <typename Step>
bool ForEachBlock(const std::string& path, Step step) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::vector<char> buffer(kBlock);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const std::streamsize got = in.gcount();
        if (got <= 0) {
            break;
        }
        step(reinterpret_cast<const unsigned char*>(buffer.data()), static_cast<std::size_t>(got));
    }
    return true;
}

void AddBytes(std::uint32_t& sum, const unsigned char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        sum += data[i];
    }
}

void CrcBytes(std::uint32_t& reg, const unsigned char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        reg += kCrc32Table[(reg ^ data[i]) & 0xFFu] ^ (reg >> 8);
    }
}

std::uint32_t U16(const std::string& d, std::size_t at) {
    return static_cast<unsigned char>(d[at]) | static_cast<unsigned char>(d[at + 1]) << 8;
}

std::uint32_t U32(const std::string& d, std::size_t at) {
    return U16(d, at) | U16(d, at + 2) << 16;
}

bool Fits(const std::string& d, std::size_t at, std::size_t size) {
    return at <= d.size() && size <= d.size() - at;
}

VersionPair FixedInfoAt(const std::string& d, std::size_t at) {
    // dwSignature, dwStrucVersion, dwFileVersionMS, dwFileVersionLS.
    if (!Fits(d, at, 16) || U32(d, at) != kFixedInfoSignature) {
        return {};
    }
    return VersionPair{static_cast<std::int32_t>(U32(d, at + 8)),
                       static_cast<std::int32_t>(U32(d, at + 12))};
}

// The first fixed information block at a 4-byte boundary of [from, to).
VersionPair ScanFixedInfo(const std::string& d, std::size_t from, std::size_t to) {
    to = std::min(to, d.size());
    for (std::size_t at = (from + 3) & ~std::size_t{3}; at + 16 <= to; at += 4) {
        if (U32(d, at) == kFixedInfoSignature && U32(d, at + 4) == kFixedInfoStrucVersion) {
            return FixedInfoAt(d, at);
        }
    }
    return {};
}

// File offset of a relative virtual address, through the section table.
std::optional<std::size_t> RvaToOffset(const std::string& d, std::size_t sections, unsigned count,
                                       std::uint32_t rva) {
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t s = sections + i * 40u;
        if (!Fits(d, s, 40)) {
            return std::nullopt;
        }
        const std::uint32_t virtualSize = U32(d, s + 8);
        const std::uint32_t virtualAddress = U32(d, s + 12);
        const std::uint32_t rawSize = U32(d, s + 16);
        const std::uint32_t rawPointer = U32(d, s + 20);
        const std::uint32_t span = std::max(virtualSize, rawSize);
        if (rva >= virtualAddress && rva - virtualAddress < span) {
            return std::size_t{rawPointer} + (rva - virtualAddress);
        }
    }
    return std::nullopt;
}

// First entry of a resource directory matching `id` (or the first one when
// `id` is 0); its offset field.
std::optional<std::uint32_t> ResourceEntry(const std::string& d, std::size_t dir,
                                           std::uint32_t id) {
    if (!Fits(d, dir, 16)) {
        return std::nullopt;
    }
    const unsigned named = U16(d, dir + 12);
    const unsigned ids = U16(d, dir + 14);
    for (unsigned i = 0; i < named + ids; ++i) {
        const std::size_t e = dir + 16 + i * 8u;
        if (!Fits(d, e, 8)) {
            return std::nullopt;
        }
        const std::uint32_t name = U32(d, e);
        if (id == 0 || ((name & 0x80000000u) == 0 && name == id)) {
            return U32(d, e + 4);
        }
    }
    return std::nullopt;
}

VersionPair PeVersion(const std::string& d) {
    if (!Fits(d, 0x3C, 4)) {
        return {};
    }
    const std::size_t pe = U32(d, 0x3C);
    if (!Fits(d, pe, 24) || d.compare(pe, 4, std::string("PE\0\0", 4)) != 0) {
        return {};
    }
    const unsigned sectionCount = U16(d, pe + 6);
    const unsigned optionalSize = U16(d, pe + 20);
    const std::size_t optional = pe + 24;
    if (!Fits(d, optional, 2)) {
        return {};
    }
    const std::uint32_t magic = U16(d, optional);
    const std::size_t directories = optional + (magic == 0x20B ? 112 : 96);
    const std::size_t resourceDir = directories + 2 * 8;  // third data directory
    if (!Fits(d, resourceDir, 8) || resourceDir + 8 > optional + optionalSize) {
        return {};
    }
    const std::uint32_t resourceRva = U32(d, resourceDir);
    const std::size_t sections = optional + optionalSize;
    const auto root = RvaToOffset(d, sections, sectionCount, resourceRva);
    if (!root) {
        return {};
    }
    // Type RT_VERSION (16), then the first name, then the first language.
    auto entry = ResourceEntry(d, *root, 16);
    for (int level = 0; level < 2 && entry && (*entry & 0x80000000u) != 0; ++level) {
        entry = ResourceEntry(d, *root + (*entry & 0x7FFFFFFFu), 0);
    }
    if (!entry || (*entry & 0x80000000u) != 0) {
        return {};
    }
    const std::size_t dataEntry = *root + *entry;
    if (!Fits(d, dataEntry, 16)) {
        return {};
    }
    const auto data = RvaToOffset(d, sections, sectionCount, U32(d, dataEntry));
    if (!data) {
        return {};
    }
    const std::size_t size = U32(d, dataEntry + 4);
    return ScanFixedInfo(d, *data, *data + std::min<std::size_t>(size, d.size()));
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// The entry of `folder` whose name equals `name` without regard to case.
std::optional<std::string> MatchInFolder(const std::string& folder, const std::string& name) {
    const std::string wanted = platform::ToUpperCp1250(name);
    std::optional<std::string> best;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, error), end;
         !error && it != end; it.increment(error)) {
        const std::string candidate = it->path().filename().string();
        if (platform::ToUpperCp1250(candidate) == wanted && (!best || candidate < *best)) {
            best = candidate;
        }
    }
    return best;
}

}  // namespace

std::string ExistingPath(const std::string& path) {
    if (path.empty() || Exists(path)) {
        return path;
    }
    // Walk the components; keep each one that exists as written.
    std::string resolved;
    std::size_t start = 0;
    if (path.front() == '/') {
        resolved = "/";
        start = 1;
    }
    while (start <= path.size()) {
        std::size_t cut = path.find('/', start);
        if (cut == std::string::npos) {
            cut = path.size();
        }
        const std::string part = path.substr(start, cut - start);
        if (!part.empty()) {
            const std::string folder = resolved;
            std::string next =
                folder.empty() || folder.back() == '/' ? folder + part : folder + "/" + part;
            if (!Exists(next) && part != "." && part != "..") {
                const auto match = MatchInFolder(folder, part);
                if (!match) {
                    return path;
                }
                next = folder.empty() || folder.back() == '/' ? folder + *match
                                                              : folder + "/" + *match;
            }
            resolved = std::move(next);
        }
        start = cut + 1;
    }
    return resolved;
}

std::int64_t LocalFileSize(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return -1;
    }
    return static_cast<std::int64_t>(info.st_size);
}

std::int32_t FileByteSum(const std::string& path) {
    std::uint32_t sum = 0xFFFFFFFFu;
    ForEachBlock(path,
                 [&](const unsigned char* data, std::size_t size) { AddBytes(sum, data, size); });
    return static_cast<std::int32_t>(sum);
}

std::int32_t FileCRC(const std::string& path) {
    std::uint32_t reg = 0xFFFFFFFFu;
    ForEachBlock(path,
                 [&](const unsigned char* data, std::size_t size) { CrcBytes(reg, data, size); });
    return static_cast<std::int32_t>(~reg);
}

std::int32_t ByteSumOf(const std::string& bytes) {
    std::uint32_t sum = 0xFFFFFFFFu;
    AddBytes(sum, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return static_cast<std::int32_t>(sum);
}

std::int32_t CrcOf(const std::string& bytes) {
    std::uint32_t reg = 0xFFFFFFFFu;
    CrcBytes(reg, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return static_cast<std::int32_t>(~reg);
}

VersionPair ReadFileVersion(const std::string& path) {
    const std::int64_t size = LocalFileSize(path);
    if (size < 4) {
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    std::string head(4, '\0');
    if (!in.read(head.data(), 4)) {
        return {};
    }
    const bool isPe = head[0] == 'M' && head[1] == 'Z';
    const bool isElf = head == std::string(
                                   "\x7f"
                                   "ELF",
                                   4);
    if ((!isPe && !isElf) || static_cast<std::uint64_t>(size) > kMaxVersionScan) {
        return {};
    }
    in.seekg(0);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return isPe ? PeVersion(data) : ScanFixedInfo(data, 0, data.size());
}

}  // namespace spisotek::webupdate
