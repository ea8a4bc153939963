#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "memtable/db_error.h"
#include "memtable/persistent.h"
#include "memtable/persistent_writer.h"

namespace spisotek::memtable {
namespace {

void PutLe(std::string& out, uint64_t value, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

std::string Description(int32_t size, int16_t code, std::string_view name) {
    std::string out;
    PutLe(out, static_cast<uint32_t>(size), 4);
    PutLe(out, static_cast<uint16_t>(code), 2);
    PutLe(out, static_cast<uint16_t>(name.size()), 2);
    out.append(name);
    return out;
}

std::string Int32(int32_t value) {
    std::string out;
    PutLe(out, static_cast<uint32_t>(value), 4);
    return out;
}

std::vector<std::vector<TPersistentValue>> ReadAll(std::string_view data,
                                                   const std::vector<TPersistentTarget>& targets,
                                                   TPersistentHeader* headerOut = nullptr) {
    const TPersistentHeader header = ReadPersistentHeader(data);
    if (headerOut != nullptr) {
        *headerOut = header;
    }
    std::vector<std::vector<TPersistentValue>> records;
    ReadPersistentRecords(data, header, targets, [&](const std::vector<TPersistentValue>& values) {
        records.push_back(values);
    });
    return records;
}

TEST(PersistentReaderTest, UnsignedDataHasNoNullFlags) {
    std::string data = Int32(2) + Description(4, 3, "clientid") + Description(11, 1, "nazwisko");
    data += Int32(12) + Int32(6) + std::string("KOWAL\0", 6);
    data += Int32(13) + Int32(1) + std::string("\0", 1);
    TPersistentHeader header;
    const auto records = ReadAll(data, {{ftInteger, 0}, {ftString, 10}}, &header);
    EXPECT_EQ(header.version, 0);
    ASSERT_EQ(records.size(), 2u);
    int32_t id = 0;
    std::memcpy(&id, records[0][0].bytes.data(), 4);
    EXPECT_EQ(id, 12);
    EXPECT_EQ(records[0][1].bytes, "KOWAL");
    std::memcpy(&id, records[1][0].bytes.data(), 4);
    EXPECT_EQ(id, 13);
    // n = 1: only the terminating zero, a null value.
    EXPECT_TRUE(records[1][1].isNull);
}

TEST(PersistentReaderTest, SignedDataReadsNullFlagsAndCountsOldVersionsAsOne) {
    TPersistentWriter writer(true, 0.5);
    writer.AddField("n", ftInteger);
    writer.AddField("t", ftString, 5);
    writer.AddInteger(7);
    writer.AddText("abcdefgh");
    writer.AddNull();
    writer.AddText("x");
    TPersistentHeader header;
    const auto records = ReadAll(writer.Data(), {{ftInteger, 0}, {ftString, 5}}, &header);
    EXPECT_EQ(header.version, 1.0);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_FALSE(records[0][0].isNull);
    // Longer than the field: cut to its size, the rest skipped.
    EXPECT_EQ(records[0][1].bytes, "abcde");
    EXPECT_TRUE(records[1][0].isNull);
    EXPECT_EQ(records[1][1].bytes, "x");
}

TEST(PersistentReaderTest, UnmatchedDescriptionsAreSkippedByTheirTypeCode) {
    TPersistentWriter writer;
    writer.AddField("a", ftString, 10);
    writer.AddField("memo", ftMemo);
    writer.AddField("d", ftFloat);
    writer.AddField("b", ftString, 10);
    writer.AddText("one");
    writer.AddBlob("blob bytes");
    writer.AddDouble(2.5);
    writer.AddText("two");
    const auto records =
        ReadAll(writer.Data(), {{ftUnknown, 0}, {ftUnknown, 0}, {ftUnknown, 0}, {ftString, 10}});
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(records[0][0].isNull);
    EXPECT_EQ(records[0][3].bytes, "two");
}

TEST(PersistentReaderTest, WideTextAndBlobsRoundTrip) {
    TPersistentWriter writer;
    writer.AddField("w", ftWideString, 20);
    writer.AddField("b", ftBlob);
    writer.AddWideText(u"\u0141\u00F3d\u017A");
    writer.AddBlob(std::string("\0\1\2", 3));
    writer.AddNull();
    writer.AddBlob("");
    const auto records = ReadAll(writer.Data(), {{ftWideString, 20}, {ftBlob, 0}});
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0][0].wide, u"\u0141\u00F3d\u017A");
    EXPECT_EQ(records[0][1].bytes, std::string("\0\1\2", 3));
    EXPECT_TRUE(records[1][0].isNull);
    EXPECT_TRUE(records[1][1].isNull);
}

TEST(PersistentReaderTest, NameLengthAbove255IsIncorrectData) {
    for (int length : {256, 300, -1}) {
        std::string data = Int32(1);
        PutLe(data, 4, 4);
        PutLe(data, 3, 2);
        PutLe(data, static_cast<uint16_t>(length), 2);
        data.append(400, 'x');
        try {
            ReadPersistentHeader(data);
            FAIL() << "length " << length;
        } catch (const EDatabaseError& error) {
            EXPECT_STREQ(error.what(), "The data is incorrect");
        }
    }
}

TEST(PersistentReaderTest, NameEndsAtItsFirstZeroByte) {
    const std::string data = Int32(1) + Description(4, 3, std::string("id\0junk", 7));
    const auto header = ReadPersistentHeader(data);
    ASSERT_EQ(header.descriptions.size(), 1u);
    EXPECT_EQ(header.descriptions[0].name, "id");
}

TEST(PersistentReaderTest, TruncationAtEveryByteKeepsOnlyCompleteRecords) {
    TPersistentWriter writer;
    writer.AddField("id", ftInteger);
    writer.AddField("t", ftString, 10);
    writer.AddField("w", ftWideString, 10);
    writer.AddField("b", ftBlob);
    for (int i = 0; i < 3; ++i) {
        writer.AddInteger(i);
        writer.AddText("text" + std::to_string(i));
        writer.AddWideText(u"w");
        writer.AddBlob("bb");
    }
    const std::string data = writer.Data();
    const std::vector<TPersistentTarget> targets = {
        {ftInteger, 0}, {ftString, 10}, {ftWideString, 10}, {ftBlob, 0}};
    const size_t full = ReadAll(data, targets).size();
    ASSERT_EQ(full, 3u);
    size_t previous = 0;
    for (size_t cut = 0; cut <= data.size(); ++cut) {
        const auto records = ReadAll(std::string_view(data).substr(0, cut), targets);
        EXPECT_GE(records.size(), previous) << cut;
        EXPECT_LE(records.size(), full);
        previous = records.size();
        for (size_t r = 0; r < records.size(); ++r) {
            EXPECT_EQ(records[r][1].bytes, "text" + std::to_string(r));
        }
    }
    EXPECT_EQ(previous, full);
}

TEST(PersistentReaderTest, AbsurdLengthsEndTheRecordsWithoutAllocating) {
    const std::string head = Int32(1) + Description(4, 1, "t");
    struct Case {
        std::string records;
        size_t expected;
    };
    const Case cases[] = {
        {Int32(3) + std::string("ok\0", 3) + Int32(0x7FFFFFFF) + "abc", 1},
        {Int32(static_cast<int32_t>(0x80000000u)) + Int32(3) + std::string("ok\0", 3), 2},
        {Int32(-5), 1},
    };
    for (const Case& c : cases) {
        const auto records = ReadAll(head + c.records, {{ftString, 10}});
        EXPECT_EQ(records.size(), c.expected);
    }
    // A fixed-size value of size 2^31 and a negative one.
    for (int32_t size : {0x7FFFFFFF, -4}) {
        const std::string data = Int32(1) + Description(size, 3, "n") + "abcdabcd";
        EXPECT_TRUE(ReadAll(data, {{ftInteger, 0}}).empty());
    }
    // A field count of 2^31 with two descriptions present.
    const std::string many = Int32(0x7FFFFFFF) + Description(4, 3, "a") + Description(4, 3, "b");
    EXPECT_EQ(ReadPersistentHeader(many).descriptions.size(), 2u);
}

TEST(PersistentReaderTest, UnknownTypeCodesAreFixedSizeAndRecordsOfNoBytesStop) {
    const std::string data = Int32(2) + Description(2, 99, "x") + Description(4, 3, "n") + "zz" +
                             Int32(5) + "zz" + Int32(6);
    const auto records = ReadAll(data, {{ftUnknown, 0}, {ftInteger, 0}});
    ASSERT_EQ(records.size(), 2u);
    // Matched description of size 0 in unsigned data: a record takes no
    // bytes, so reading must stop instead of repeating forever.
    const std::string empty = Int32(1) + Description(0, 3, "n") + "rest";
    EXPECT_TRUE(ReadAll(empty, {{ftInteger, 0}}).empty());
}

TEST(PersistentReaderTest, TypeCodesFollowTheSupportedTypes) {
    EXPECT_EQ(PersistentTypeOf(1), ftString);
    EXPECT_EQ(PersistentTypeOf(12), ftAutoInc);
    EXPECT_EQ(PersistentTypeOf(20), ftWideString);
    EXPECT_EQ(PersistentTypeOf(21), ftLargeint);
    EXPECT_EQ(PersistentTypeOf(22), ftUnknown);
    EXPECT_EQ(PersistentTypeOf(0), ftUnknown);
    EXPECT_EQ(PersistentCodeOf(ftMemo), 14);
    EXPECT_EQ(PersistentCodeOf(ftBytes), 0);
}

}  // namespace
}  // namespace spisotek::memtable
