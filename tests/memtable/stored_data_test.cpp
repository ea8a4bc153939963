#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "memtable/blob_stream.h"
#include "memtable/db_error.h"
#include "memtable/mem_data.h"
#include "memtable/persistent.h"
#include "memtable/persistent_writer.h"

namespace spisotek {
namespace {

void AddFields(TdxMemData& table) {
    table.AddField("id", ftInteger);
    table.AddField("nazwisko", ftString, 10);
    table.AddField("kwota", ftFloat);
    table.AddField("opis", ftWideString, 20);
    table.AddField("notatka", ftMemo);
}

std::string Rows(TdxMemData& table) {
    std::string out;
    table.First();
    while (!table.Eof()) {
        if (!out.empty()) {
            out += " | ";
        }
        out += table.RecIdField().AsString() + ":" + table.FieldByName("id").AsString() + "," +
               table.FieldByName("nazwisko").AsString() + "," +
               table.FieldByName("kwota").AsString() + "," +
               (table.FieldByName("opis").IsNull() ? "null" : "w") + "," +
               table.FieldByName("notatka").AsString();
        table.Next();
    }
    return out;
}

std::string SampleData() {
    memtable::TPersistentWriter writer;
    writer.AddField("RecId", ftInteger);
    writer.AddField("nazwisko", ftString, 10);
    writer.AddField("obcy", ftFloat);
    writer.AddField("id", ftInteger);
    writer.AddField("notatka", ftMemo);
    writer.AddField("opis", ftWideString, 20);
    const struct {
        int recId;
        const char* name;
        int id;
        const char* memo;
    } rows[] = {{40, "KOWALSKI", 7, "m1"}, {41, "nowakowski-dlugi", 8, ""}, {9, "", 9, "m3"}};
    for (const auto& row : rows) {
        writer.AddInteger(row.recId);
        writer.AddText(row.name);
        writer.AddDouble(1.5);
        writer.AddInteger(row.id);
        writer.AddBlob(row.memo);
        if (row.id == 8) {
            writer.AddNull();
        } else {
            writer.AddWideText(u"\u0141\u00F3d\u017A");
        }
    }
    return writer.Data();
}

TEST(StoredDataTest, LoadsOnOpenMatchingNamesAndRenumberingRecId) {
    TdxMemData table("tDane");
    AddFields(table);
    table.Persistent().SetData(SampleData());
    table.Open();
    // Unknown "obcy" skipped, text cut to the field's size, RecId 1..N,
    // a field without a description ("kwota") null.
    EXPECT_EQ(Rows(table), "1:7,KOWALSKI,,w,m1 | 2:8,nowakowski,,null, | 3:9,,,w,m3");
    EXPECT_EQ(table.FieldByName("opis").AsWideString(), u"\u0141\u00F3d\u017A");
    table.First();
    EXPECT_EQ(table.GetBookmark(), TBookmark(1));
    // The next appended record continues after the loaded ones.
    table.Append();
    table.Post();
    EXPECT_EQ(table.RecIdField().AsInteger(), 4);
}

TEST(StoredDataTest, OptionDecidesWhenDataLoads) {
    TdxMemData none("tNone");
    AddFields(none);
    none.Persistent().SetOption(poNone);
    none.Persistent().SetData(SampleData());
    none.Open();
    EXPECT_EQ(none.RecordCount(), 0);

    TdxMemData onLoad("tLoad");
    AddFields(onLoad);
    onLoad.BeginLoading();
    onLoad.Persistent().SetOption(poLoad);
    onLoad.Persistent().SetData(SampleData());
    onLoad.Open();
    EXPECT_EQ(onLoad.RecordCount(), 0);
    onLoad.Loaded();
    EXPECT_EQ(onLoad.RecordCount(), 3);

    TdxMemData copy("tCopy");
    copy.Persistent().Assign(onLoad.Persistent());
    EXPECT_EQ(copy.Persistent().Option(), poLoad);
    EXPECT_EQ(copy.Persistent().Data(), SampleData());
}

TEST(StoredDataTest, SortFieldAppliesAfterLoading) {
    TdxMemData table("tDane");
    AddFields(table);
    table.SetSortedField("id");
    table.SetSortOptions({soDesc});
    table.Persistent().SetData(SampleData());
    table.Open();
    table.First();
    EXPECT_EQ(table.FieldByName("id").AsInteger(), 9);
    EXPECT_EQ(table.RecIdField().AsInteger(), 3);
}

TEST(StoredDataTest, BadDataEndsInTheErrorOrThePartialResult) {
    const std::string good = SampleData();
    // Every truncation: never more records than complete ones, never a crash.
    int previous = 0;
    for (size_t cut = 0; cut <= good.size(); ++cut) {
        TdxMemData table("tDane");
        AddFields(table);
        table.Persistent().SetData(good.substr(0, cut));
        table.Open();
        EXPECT_TRUE(table.Active());
        EXPECT_GE(table.RecordCount(), previous);
        previous = table.RecordCount();
    }
    EXPECT_EQ(previous, 3);

    // A name length of 300: the table stays open and empty.
    std::string bad("\x01\x00\x00\x00\x04\x00\x00\x00\x03\x00\x2C\x01", 12);
    bad.append(300, 'x');
    TdxMemData table("tDane");
    AddFields(table);
    table.Persistent().SetData(bad);
    try {
        table.Open();
        FAIL();
    } catch (const EDatabaseError& error) {
        EXPECT_STREQ(error.what(), "The data is incorrect");
    }
    EXPECT_TRUE(table.Active());
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_FALSE(table.ControlsDisabled());
    EXPECT_FALSE(table.Persistent().Loading());
}

TEST(StoredDataTest, WriterRoundTripsATable) {
    TdxMemData source("tSource");
    AddFields(source);
    source.Open();
    for (int i = 1; i <= 3; ++i) {
        source.Append();
        source.FieldByName("id").SetAsInteger(i * 10);
        source.FieldByName("nazwisko").SetAsString("N" + std::to_string(i));
        if (i != 2) {
            source.FieldByName("kwota").SetAsFloat(i + 0.25);
            source.FieldByName("notatka").SetAsString("memo" + std::to_string(i));
        }
        source.Post();
    }
    TdxMemData target("tTarget");
    AddFields(target);
    target.Persistent().SetData(memtable::TPersistentWriter::FromTable(source));
    target.Open();
    EXPECT_EQ(Rows(target), Rows(source));
}

TEST(BlobStreamTest, WritesReadsAndSeeks) {
    TdxMemData table("tDane");
    AddFields(table);
    table.Open();
    table.Append();
    TField& memo = table.FieldByName("notatka");
    {
        TMemBlobStream stream(memo, bmWrite);
        EXPECT_EQ(stream.Write("hello world", 11), 11);
        EXPECT_EQ(stream.Seek(-5, soEnd), 6);
        EXPECT_EQ(stream.Write("there", 5), 5);
        EXPECT_EQ(stream.Seek(0, soBeginning), 0);
        char buffer[32] = {};
        EXPECT_EQ(stream.Read(buffer, 5), 5);
        EXPECT_EQ(std::string(buffer, 5), "hello");
        EXPECT_EQ(stream.Seek(1, soCurrent), 6);
        EXPECT_EQ(stream.ReadAll(), "there");
        EXPECT_EQ(stream.Read(buffer, 10), 0);
        EXPECT_TRUE(stream.Modified());
        EXPECT_THROW(stream.Seek(-1, soBeginning), EDataError);
    }
    table.Post();
    EXPECT_EQ(memo.AsString(), "hello there");
    {
        TMemBlobStream reader(memo, bmRead);
        EXPECT_EQ(reader.Size(), 11);
        EXPECT_EQ(reader.ReadAll(), "hello there");
        EXPECT_THROW(reader.Write("x", 1), EDatabaseError);
    }
    // Write-only starts from an empty value, whatever the field held.
    table.Edit();
    {
        TMemBlobStream stream(memo, bmWrite);
        EXPECT_EQ(stream.Size(), 0);
        stream.Write("new", 3);
    }
    table.Post();
    EXPECT_EQ(memo.AsString(), "new");
    // Read and write keeps the value.
    table.Edit();
    {
        TMemBlobStream stream(memo, bmReadWrite);
        EXPECT_EQ(stream.Size(), 3);
        stream.Seek(0, soEnd);
        stream.Write("er", 2);
    }
    table.Post();
    EXPECT_EQ(memo.AsString(), "newer");
}

TEST(BlobStreamTest, RefusesReadOnlyFieldsAndBrowseState) {
    TdxMemData table("tDane");
    AddFields(table);
    table.Open();
    table.Append();
    table.Post();
    TField& memo = table.FieldByName("notatka");
    try {
        TMemBlobStream stream(memo, bmWrite);
        FAIL();
    } catch (const EDatabaseError& error) {
        EXPECT_STREQ(error.what(), "Dataset not in edit or insert mode");
    }
    memo.SetDisplayLabel("Notatka");
    memo.SetReadOnly(true);
    table.Edit();
    try {
        TMemBlobStream stream(memo, bmReadWrite);
        FAIL();
    } catch (const EDatabaseError& error) {
        EXPECT_STREQ(error.what(), "Field 'Notatka' cannot be modified");
    }
    table.Cancel();
    TMemBlobStream reader(memo, bmRead);
    EXPECT_EQ(reader.Size(), 0);
}

}  // namespace
}  // namespace spisotek
