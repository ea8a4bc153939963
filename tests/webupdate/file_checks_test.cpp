#include "webupdate/file_checks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "webupdate/test_support.h"

namespace spisotek::webupdate {
namespace {

void Put16(std::string& d, std::size_t at, std::uint32_t v) {
    d[at] = static_cast<char>(v & 0xFF);
    d[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& d, std::size_t at, std::uint32_t v) {
    Put16(d, at, v & 0xFFFF);
    Put16(d, at + 2, v >> 16);
}

// The fixed file information: signature, structure version, file version.
void PutFixedInfo(std::string& d, std::size_t at, std::uint32_t ms, std::uint32_t ls) {
    Put32(d, at, 0xFEEF04BD);
    Put32(d, at + 4, 0x00010000);
    Put32(d, at + 8, ms);
    Put32(d, at + 12, ls);
}

// A minimal PE32 image with one ".rsrc" section holding a version resource.
std::string MakePe(std::uint32_t ms, std::uint32_t ls) {
    std::string d(0x400, '\0');
    d[0] = 'M';
    d[1] = 'Z';
    Put32(d, 0x3C, 0x40);
    d.replace(0x40, 4, std::string("PE\0\0", 4));
    const std::size_t coff = 0x44;
    Put16(d, coff + 2, 1);      // one section
    Put16(d, coff + 16, 0xE0);  // optional header size
    const std::size_t optional = coff + 20;
    Put16(d, optional, 0x10B);
    Put32(d, optional + 96 + 16, 0x1000);  // resource directory RVA
    Put32(d, optional + 96 + 20, 0x100);
    const std::size_t section = optional + 0xE0;
    d.replace(section, 5, ".rsrc");
    Put32(d, section + 8, 0x200);    // virtual size
    Put32(d, section + 12, 0x1000);  // virtual address
    Put32(d, section + 16, 0x200);   // raw size
    Put32(d, section + 20, 0x200);   // raw pointer
    const std::size_t root = 0x200;
    Put16(d, root + 14, 1);
    Put32(d, root + 16, 16);
    Put32(d, root + 20, 0x80000000u | 0x18);
    Put16(d, root + 0x18 + 14, 1);
    Put32(d, root + 0x18 + 16, 1);
    Put32(d, root + 0x18 + 20, 0x80000000u | 0x30);
    Put16(d, root + 0x30 + 14, 1);
    Put32(d, root + 0x30 + 16, 0x415);
    Put32(d, root + 0x30 + 20, 0x48);
    Put32(d, root + 0x48, 0x1000 + 0x58);  // data RVA
    Put32(d, root + 0x48 + 4, 0x5C);
    PutFixedInfo(d, root + 0x58 + 40, ms, ls);
    return d;
}

TEST(FileChecksTest, ByteSumAndCrcOfKnownFiles) {
    testing::TempDir dir;
    testing::WriteFile(dir.File("abc"), "abc");
    testing::WriteFile(dir.File("empty"), "");
    std::string block;
    for (int round = 0; round < 4; ++round) {
        for (int b = 0; b < 256; ++b) {
            block.push_back(static_cast<char>(b));
        }
    }
    testing::WriteFile(dir.File("block"), block);

    struct Case {
        const char* name;
        std::int32_t byteSum;
        std::int32_t crc;
    };
    const Case cases[] = {
        {"abc", 293, 1821220161},
        {"empty", -1, 0},
        {"missing", -1, 0},
        {"block", 130559, -1332180591},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileByteSum(dir.File(c.name)), c.byteSum) << c.name;
        EXPECT_EQ(FileCRC(dir.File(c.name)), c.crc) << c.name;
    }
    // Not the standard CRC-32 of "abc" (352441C2).
    EXPECT_NE(FileCRC(dir.File("abc")), static_cast<std::int32_t>(0x352441C2));
    EXPECT_EQ(ByteSumOf("abc"), 293);
    EXPECT_EQ(CrcOf("abc"), 1821220161);
}

TEST(FileChecksTest, ByteSumWrapsAcrossBlocks) {
    testing::TempDir dir;
    const std::string big(200000, '\xff');
    testing::WriteFile(dir.File("big"), big);
    const std::uint32_t expected = 0xFFFFFFFFu + 200000u * 255u;
    EXPECT_EQ(FileByteSum(dir.File("big")), static_cast<std::int32_t>(expected));
    EXPECT_EQ(FileCRC(dir.File("big")), CrcOf(big));
}

TEST(FileChecksTest, SizeOfLocalFiles) {
    testing::TempDir dir;
    testing::WriteFile(dir.File("five"), "12345");
    testing::WriteFile(dir.File("empty"), "");
    EXPECT_EQ(LocalFileSize(dir.File("five")), 5);
    EXPECT_EQ(LocalFileSize(dir.File("empty")), 0);
    EXPECT_EQ(LocalFileSize(dir.File("missing")), -1);
    EXPECT_EQ(LocalFileSize(dir.Path()), -1);
}

TEST(FileChecksTest, ReadsTheVersionOfPeFiles) {
    testing::TempDir dir;
    testing::WriteFile(dir.File("app.exe"), MakePe(0x00010007, 0x00000001));
    const VersionPair version = ReadFileVersion(dir.File("app.exe"));
    EXPECT_EQ(VersionToText(version), "1.7.0.1");
}

TEST(FileChecksTest, ReadsTheBlockOurOwnExecutablesEmbed) {
    testing::TempDir dir;
    std::string elf(256, '\0');
    elf.replace(0, 4,
                "\x7f"
                "ELF");
    PutFixedInfo(elf, 128, 0x00020003, 0x00040005);
    testing::WriteFile(dir.File("spisotek"), elf);
    EXPECT_EQ(VersionToText(ReadFileVersion(dir.File("spisotek"))), "2.3.4.5");
}

TEST(FileChecksTest, OtherFilesHaveNoVersion) {
    testing::TempDir dir;
    std::string text(256, 'a');
    PutFixedInfo(text, 128, 0x00020003, 0x00040005);
    testing::WriteFile(dir.File("baza.dat"), text);
    std::string broken = MakePe(0x00010000, 0);
    Put32(broken, 0x3C, 0xFFFFFFF0u);  // header pointer past the end
    testing::WriteFile(dir.File("broken.exe"), broken);
    std::string truncated = MakePe(0x00010000, 0).substr(0, 0x210);
    testing::WriteFile(dir.File("truncated.exe"), truncated);
    testing::WriteFile(dir.File("tiny"), "MZ");

    for (const char* name : {"baza.dat", "broken.exe", "truncated.exe", "tiny", "missing"}) {
        EXPECT_FALSE(IsValidVersion(ReadFileVersion(dir.File(name)))) << name;
    }
}

TEST(FileChecksTest, FindsLocalFilesWithoutRegardToCase) {
    testing::TempDir dir;
    std::filesystem::create_directory(dir.File("Dane"));
    testing::WriteFile(dir.File("Dane/baza.dat"), "x");
    testing::WriteFile(dir.File("exact.DAT"), "x");
    testing::WriteFile(dir.File("exact.dat"), "y");
    struct Case {
        const char* path;
        const char* found;
    };
    const Case cases[] = {
        {"Dane/baza.dat", "Dane/baza.dat"},
        {"DANE/BAZA.DAT", "Dane/baza.dat"},
        {"dane/./Baza.dat", "Dane/./baza.dat"},
        {"exact.dat", "exact.dat"},
        {"EXACT.dat", "exact.DAT"},  // first in name order
        {"dane/missing.dat", "dane/missing.dat"},
        {"none/baza.dat", "none/baza.dat"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExistingPath(dir.File(c.path)), dir.File(c.found)) << c.path;
    }
    EXPECT_EQ(ExistingPath(""), "");
    testing::WorkingFolder folder(dir.Path());
    EXPECT_EQ(ExistingPath("dane/BAZA.dat"), "Dane/baza.dat");
    EXPECT_EQ(LocalFileSize(ExistingPath("DANE/BAZA.DAT")), 1);
}

}  // namespace
}  // namespace spisotek::webupdate
