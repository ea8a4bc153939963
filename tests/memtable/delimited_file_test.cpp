#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memtable/mem_data.h"
#include "test_tables.h"

namespace spisotek {
namespace {

using test::MakeBaza;
using test::TempDir;

// Every record as "field=value|..." of the named fields, null shown as "~".
std::vector<std::string> Dump(TdxMemData& table, const std::vector<std::string>& names) {
    std::vector<std::string> rows;
    for (table.First(); !table.Eof(); table.Next()) {
        std::string row;
        for (const std::string& name : names) {
            const TField& field = table.FieldByName(name);
            row +=
                (row.empty() ? "" : "|") + (field.IsNull() ? std::string("~") : field.AsString());
        }
        rows.push_back(row);
    }
    return rows;
}

std::unique_ptr<TdxMemData> MakeExampleTable() {
    auto table = std::make_unique<TdxMemData>("tBaza");
    table->AddField("clientid", ftInteger);
    table->AddField("nazwisko", ftString, 100);
    return table;
}

TEST(DelimitedFileTest, WorkedExample) {
    const std::string bytes =
        "\x6E\x61\x7A\x77\x69\x73\x6B\x6F\x09\x63\x6C\x69\x65\x6E\x74\x69\x64\x0D\x0A"
        "\x4B\x4F\x57\x41\x4C\x09\x31\x32\x0D\x0A"
        "\x09\x31\x33\x0D\x0A"
        "\x4E\x4F\x57\x41\x4B";
    TempDir dir;
    auto table = MakeExampleTable();
    table->LoadDelimitedFile(dir.Write("baza.dat", bytes));
    EXPECT_TRUE(table->Active());
    EXPECT_EQ(table->RecNo(), 1);
    EXPECT_TRUE(table->Bof());
    EXPECT_EQ(table->FieldByName("nazwisko").AsString(), "KOWAL");
    EXPECT_EQ(Dump(*table, {"RecId", "nazwisko", "clientid"}),
              (std::vector<std::string>{"1|KOWAL|12", "2|~|13", "3|NOWAK|~"}));
}

TEST(DelimitedFileTest, LinesAndValues) {
    struct Case {
        std::string name;
        std::string bytes;
        std::vector<std::string> rows;  // nazwisko|miasto
    };
    const std::vector<Case> cases = {
        {"crlf", "nazwisko\tmiasto\r\nA\tX\r\nB\tY\r\n", {"A|X", "B|Y"}},
        {"lf only", "nazwisko\tmiasto\nA\tX\nB\tY\n", {"A|X", "B|Y"}},
        {"cr only", "nazwisko\tmiasto\rA\tX\rB\tY\r", {"A|X", "B|Y"}},
        {"mixed", "nazwisko\tmiasto\r\nA\tX\rB\tY\nC\tZ", {"A|X", "B|Y", "C|Z"}},
        {"blank line", "nazwisko\tmiasto\r\nA\tX\r\n\r\nB\tY\r\n", {"A|X", "~|~", "B|Y"}},
        {"lf cr is two ends", "nazwisko\tmiasto\nA\tX\n\rB\tY", {"A|X", "~|~", "B|Y"}},
        {"empty and missing values", "nazwisko\tmiasto\n\tX\nB\nC\t\n", {"~|X", "B|~", "C|~"}},
        {"column order", "miasto\tnazwisko\nX\tA\n", {"A|X"}},
        {"header in capitals", "NAZWISKO\tMiasto\nA\tX\n", {"A|X"}},
        {"unknown column skipped", "nazwisko\tkod\tmiasto\nA\t45-100\tX\n", {"A|X"}},
        {"header with trailing space", "nazwisko \tmiasto\nA\tX\n", {"~|X"}},
        {"recid column ignored", "RecId\tnazwisko\n77\tA\n", {"A|~"}},
        {"values not trimmed", "nazwisko\tmiasto\n A \t X\n", {" A | X"}},
        {"zero byte ends the text", std::string("nazwisko\nA\nB\0C\nD\n", 17), {"A|~", "B|~"}},
        {"header only", "nazwisko\tmiasto\r\n", {}},
        {"header without line end", "nazwisko\tmiasto", {}},
        {"polish letters",
         "nazwisko\tmiasto\n\xA3\xF3\x64\xBC\t\xA3\xD3\x44\x8F\n",
         {"\xA3\xF3\x64\xBC|\xA3\xD3\x44\x8F"}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto table = MakeBaza();
        table->LoadDelimitedFile(dir.Write("baza.dat", c.bytes));
        EXPECT_TRUE(table->Active());
        EXPECT_EQ(Dump(*table, {"nazwisko", "miasto"}), c.rows);
    }
}

TEST(DelimitedFileTest, LongValuesAreCut) {
    auto table = MakeBaza();
    const std::string value(120, 'W');
    table->LoadDelimitedData("nazwisko\tnumer_tel\n" + value + "\t" + value + "\n");
    EXPECT_EQ(table->FieldByName("nazwisko").AsString(), std::string(100, 'W'));
    EXPECT_EQ(table->FieldByName("numer_tel").AsString(), std::string(20, 'W'));
}

TEST(DelimitedFileTest, LoadedRecordsCanBeEdited) {
    auto table = MakeBaza();
    table->LoadDelimitedData("nazwisko\tmiasto\nKOWAL\tOPOLE\nNOWAK\tNYSA\n");
    TField& nazwisko = table->FieldByName("nazwisko");
    table->Edit();
    nazwisko.SetAsString("KOWALSKI-NOWAKOWSKI");
    EXPECT_EQ(nazwisko.OldValue().AsString(), "KOWAL");
    table->Post();
    table->Next();
    table->Edit();
    nazwisko.SetAsString("X");
    table->Cancel();
    EXPECT_EQ(Dump(*table, {"nazwisko", "miasto"}),
              (std::vector<std::string>{"KOWALSKI-NOWAKOWSKI|OPOLE", "NOWAK|NYSA"}));
    table->First();
    table->Insert();
    nazwisko.SetAsString("ADAMSKI");
    table->Post();
    table->Last();
    table->Delete();
    EXPECT_EQ(Dump(*table, {"RecId", "nazwisko", "miasto"}),
              (std::vector<std::string>{"3|ADAMSKI|~", "1|KOWALSKI-NOWAKOWSKI|OPOLE"}));
}

TEST(DelimitedFileTest, EmptyFileLeavesTheTableAlone) {
    TempDir dir;
    const std::string empty = dir.Write("empty.dat", "");
    auto closed = MakeBaza();
    closed->LoadDelimitedFile(empty);
    EXPECT_FALSE(closed->Active());

    auto open = MakeBaza();
    open->LoadDelimitedData("nazwisko\nA\nB\n");
    open->Next();
    open->LoadDelimitedFile(empty);
    open->LoadDelimitedData(std::string("\0nazwisko\nC\n", 12));
    EXPECT_TRUE(open->Active());
    EXPECT_EQ(open->RecordCount(), 2);
    EXPECT_EQ(open->FieldByName("nazwisko").AsString(), "B");
}

TEST(DelimitedFileTest, ReloadReplacesRecordsAndRestartsRecIds) {
    auto table = MakeBaza();
    table->LoadDelimitedData("nazwisko\nA\nB\nC\n");
    table->LoadDelimitedData("nazwisko\nD\n");
    EXPECT_EQ(Dump(*table, {"RecId", "nazwisko"}), (std::vector<std::string>{"1|D"}));
    EXPECT_EQ(table->CurrentRecordId(), 1);
}

TEST(DelimitedFileTest, MissingFileRaisesAndLeavesTheTableUntouched) {
    TempDir dir;
    auto table = MakeBaza();
    table->LoadDelimitedData("nazwisko\nA\nB\n");
    table->Next();
    const std::string missing = dir.Path("brak.dat");
    try {
        table->LoadDelimitedFile(missing);
        FAIL() << "no error";
    } catch (const EFOpenError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot open file \"" + missing + "\". No such file or directory");
    }
    EXPECT_EQ(table->RecordCount(), 2);
    EXPECT_EQ(table->FieldByName("nazwisko").AsString(), "B");

    auto closed = MakeBaza();
    EXPECT_THROW(closed->LoadDelimitedFile(dir.Path("")), EFOpenError);  // a directory
    EXPECT_FALSE(closed->Active());
}

TEST(DelimitedFileTest, RefusedLinesStopTheLoadAndKeepEarlierRecords) {
    struct Case {
        std::string name;
        std::string bytes;
        std::string error;
        std::string column;  // shown beside nazwisko
        std::vector<std::string> rows;
    };
    const std::vector<Case> cases = {
        {"surplus value",
         "nazwisko\tmiasto\nA\tX\nB\tY\tZ\nC\tW\n",
         "List index out of bounds (2)",
         "miasto",
         {"A|X"}},
        {"surplus empty value",
         "nazwisko\tmiasto\nA\tX\nB\tY\t\tZ\n",
         "List index out of bounds (2)",
         "miasto",
         {"A|X"}},
        {"integer",
         "nazwisko\tclientid\nA\t1\nB\tabc\nC\t3\n",
         "'abc' is not a valid integer value for field 'clientid'",
         "clientid",
         {"A|1"}},
        {"first line refused",
         "clientid\n1.5\n",
         "'1.5' is not a valid integer value for field 'clientid'",
         "clientid",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto table = MakeBaza();
        int afterPost = 0;
        table->AfterPost = [&afterPost](TDataSet&) { ++afterPost; };
        try {
            table->LoadDelimitedData(c.bytes);
            ADD_FAILURE() << "no error";
        } catch (const EDataError& error) {
            EXPECT_EQ(std::string(error.what()), c.error);
        }
        EXPECT_TRUE(table->Active());
        EXPECT_EQ(table->State(), dsBrowse);
        EXPECT_FALSE(table->ControlsDisabled());
        EXPECT_EQ(Dump(*table, {"nazwisko", c.column}), c.rows);
        // Out of internal mode again: events fire and RecId goes on.
        table->Append();
        table->Post();
        EXPECT_EQ(afterPost, 1);
        EXPECT_EQ(table->RecIdField().AsInteger(), static_cast<int>(c.rows.size()) + 1);
    }
}

TEST(DelimitedFileTest, ListErrorIsAnEListError) {
    auto table = MakeBaza();
    EXPECT_THROW(table->LoadDelimitedData("nazwisko\nA\tB\n"), EListError);
    EXPECT_THROW(table->LoadDelimitedData("clientid\nx\n"), EConvertError);
}

TEST(DelimitedFileTest, LoadRaisesNoOpenInsertOrPostEvents) {
    auto table = MakeBaza();
    std::vector<std::string> log;
    for (auto* event : {&table->BeforeOpen, &table->AfterOpen, &table->BeforeClose,
                        &table->AfterClose, &table->BeforeInsert, &table->AfterInsert,
                        &table->BeforePost, &table->AfterPost, &table->OnNewRecord}) {
        *event = [&log](TDataSet&) { log.push_back("event"); };
    }
    table->LoadDelimitedData("nazwisko\nA\nB\n");
    EXPECT_TRUE(log.empty());
    table->Close();
    EXPECT_EQ(log.size(), 2u);  // BeforeClose, AfterClose
}

TEST(DelimitedFileTest, SaveAndLoadRoundTrip) {
    TempDir dir;
    auto table = MakeBaza();
    table->LoadDelimitedData(
        "clientid\timie\tnazwisko\tmiasto\tulica\tnumer_tel\r\n"
        "12\tJAN\tKOWAL\tOPOLE\tD\xA3UGA 1\t77 123\r\n"
        "\t\tNOWAK\t\t\t\r\n"
        "-3\t\xA5\tZ\xB9\x62\x61\tNYSA\t\t\r\n");
    table->SetRecNo(2);
    const std::string file = dir.Path("zapis.dat");
    table->SaveDelimitedFile(file);
    EXPECT_EQ(table->RecNo(), 2);
    EXPECT_EQ(test::ReadFile(file),
              "clientid\timie\tnazwisko\tmiasto\tulica\tnumer_tel\r\n"
              "12\tJAN\tKOWAL\tOPOLE\tD\xA3UGA 1\t77 123\r\n"
              "\t\tNOWAK\t\t\t\r\n"
              "-3\t\xA5\tZ\xB9\x62\x61\tNYSA\t\t\r\n");

    auto copy = MakeBaza("tKopia");
    copy->LoadDelimitedFile(file);
    const std::vector<std::string> names = {"clientid", "imie",  "nazwisko",
                                            "miasto",   "ulica", "numer_tel"};
    EXPECT_EQ(Dump(*copy, names), Dump(*table, names));
}

TEST(DelimitedFileTest, SaveOfAClosedTableWritesNothing) {
    TempDir dir;
    auto table = MakeBaza();
    table->SaveDelimitedFile(dir.Path("nic.dat"));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("nic.dat")));
}

TEST(DelimitedFileTest, SaveToAnUncreatableFileRaises) {
    TempDir dir;
    auto table = MakeBaza();
    table->LoadDelimitedData("nazwisko\nA\nB\n");
    table->Next();
    const std::string file = dir.Path("brak/zapis.dat");
    try {
        table->SaveDelimitedFile(file);
        FAIL() << "no error";
    } catch (const EFCreateError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot create file \"" + file + "\". No such file or directory");
    }
    EXPECT_EQ(table->RecNo(), 2);
}

TEST(DelimitedFileTest, HostileBytesNeverBreakTheTable) {
    std::vector<std::string> inputs = {
        std::string(1, '\0'),
        "\r",
        "\n\n\n",
        "\t\t\t\r\n\t\t\t\t",
        std::string(10 * 1024 * 1024, 'x'),
        "nazwisko\n" + std::string(10 * 1024 * 1024, 'y'),
        "nazwisko\n" + std::string(100000, '\r'),
        "nazwisko\tclientid\n" + std::string(1000, '\t'),
    };
    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        binary += static_cast<char>((i * 7919 + 13) % 256);
    }
    inputs.push_back(binary);
    for (const std::string& input : inputs) {
        auto table = MakeBaza();
        try {
            table->LoadDelimitedData(input);
        } catch (const EDataError&) {
        }
        if (table->Active()) {
            EXPECT_EQ(table->State(), dsBrowse);
            int count = 0;
            for (table->First(); !table->Eof(); table->Next()) {
                EXPECT_LE(table->FieldByName("nazwisko").AsString().size(), 100u);
                ++count;
            }
            EXPECT_EQ(count, table->RecordCount());
        }
    }
}

}  // namespace
}  // namespace spisotek
