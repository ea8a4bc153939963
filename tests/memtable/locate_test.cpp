#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memtable/mem_data.h"
#include "test_tables.h"

namespace spisotek {
namespace {

using test::ErrorText;
using test::MakeBaza;

const TLocateOptions kBoth{loCaseInsensitive, loPartialKey};

// nazwisko, miasto, clientid; record 6 has no surname, record 4 no clientid.
std::unique_ptr<TdxMemData> LoadedBaza() {
    auto table = MakeBaza();
    table->LoadDelimitedData(
        "nazwisko\tmiasto\tclientid\n"
        "KOWALSKI\tOPOLE\t11\n"
        "NOWAK\tNYSA\t12\n"
        "KOWALCZYK\tOPOLE\t13\n"
        "kowal\topole\t\n"
        "\xA3\xA5\x43KA\tOPOLE\t15\n"  // ŁĄCKA
        "\tNYSA\t16\n"
        "ZAKOWALSKI\tOPOLE\t17\n");
    return table;
}

TEST(LocateTest, SurnameAndLocalityWithBothOptions) {
    struct Case {
        TVariant surname;
        TVariant locality;
        int recNo;  // 0: not found
    };
    const std::vector<Case> cases = {
        {"KOW", "OPOLE", 1},
        {"kowalc", "op", 3},
        {"KOWAL", "OPOLE", 1},
        {"KOWALSKIEGO", "OPOLE", 0},  // longer than every surname
        {"NOWAK", "NYSA", 2},         // the whole text
        {"WAL", "OPOLE", 0},          // never in the middle
        {"\xB3\xB9", "opole", 5},     // łą finds ŁĄCKA
        {"\xA3\xA5\x43KA", "OPOLE", 5},
        {"L", "OPOLE", 0},        // Ł is not L
        {"", "NYSA", 6},          // empty key: empty or null text only
        {TVariant(), "NYSA", 6},  // null key: null field only
        {"NOWAK", TVariant(), 0},
        {"kowal", "opole", 1},
    };
    auto table = LoadedBaza();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.surname.AsString() + "/" + c.locality.AsString());
        table->SetRecNo(4);
        const bool found =
            table->Locate("nazwisko;miasto", TVariant::Array({c.surname, c.locality}), kBoth);
        EXPECT_EQ(found, c.recNo != 0);
        EXPECT_EQ(table->RecNo(), c.recNo != 0 ? c.recNo : 4);
        EXPECT_FALSE(table->Eof());
    }
}

TEST(LocateTest, OptionsOnOneField) {
    struct Case {
        TVariant key;
        TLocateOptions options;
        int recNo;
    };
    const std::vector<Case> cases = {
        {"NOWAK", {}, 2},
        {"nowak", {}, 0},
        {"nowak", {loCaseInsensitive}, 2},
        {"now", {loCaseInsensitive}, 0},
        {"NOW", {loPartialKey}, 2},
        {"now", {loPartialKey}, 0},
        {"kowal", {}, 4},
        {TVariant::Array({"NOWAK"}), {}, 2},
    };
    auto table = LoadedBaza();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key.IsArray() ? std::string("array") : c.key.AsString());
        table->First();
        EXPECT_EQ(table->Locate("nazwisko", c.key, c.options), c.recNo != 0);
        EXPECT_EQ(table->RecNo(), c.recNo != 0 ? c.recNo : 1);
    }
}

TEST(LocateTest, KeyFieldListRules) {
    auto table = LoadedBaza();
    table->SetRecNo(3);
    // Two names with one plain value find nothing.
    EXPECT_FALSE(table->Locate("nazwisko;miasto", "NOWAK", kBoth));
    // A leading space: the whole list is no field name, so a plain value finds
    // nothing while an array is searched by the trimmed name.
    EXPECT_FALSE(table->Locate(" nazwisko", "NOWAK", {}));
    EXPECT_EQ(table->RecNo(), 3);
    EXPECT_TRUE(table->Locate(" nazwisko", TVariant::Array({"NOWAK"}), {}));
    EXPECT_EQ(table->RecNo(), 2);
    // Names compare without regard to case.
    EXPECT_TRUE(table->Locate("MIASTO ; Nazwisko", TVariant::Array({"nysa", ""}), kBoth));
    EXPECT_EQ(table->RecNo(), 6);
}

TEST(LocateTest, Failures) {
    auto table = LoadedBaza();
    table->SetRecNo(3);
    EXPECT_EQ(ErrorText([&] { table->Locate("", "X", kBoth); }), "Field '' not found");
    EXPECT_EQ(ErrorText([&] {
                  table->Locate("nazwisko;brak", TVariant::Array({"A", "B"}), kBoth);
              }),
              "tBaza: Field 'brak' not found");
    EXPECT_EQ(ErrorText([&] { table->Locate(";", "X", kBoth); }), "tBaza: Field '' not found");
    EXPECT_THROW(table->Locate("nazwisko;miasto", TVariant::Array({"A"}), kBoth), EVariantError);
    EXPECT_EQ(ErrorText([&] { table->Locate("clientid", "abc", {}); }),
              "'abc' is not a valid integer value");
    EXPECT_EQ(table->RecNo(), 3);
    EXPECT_EQ(ErrorText([&] { table->Lookup("brak", "X", "miasto"); }),
              "tBaza: Field 'brak' not found");
}

TEST(LocateTest, KeysTakeTheirFieldsStoredForm) {
    auto table = LoadedBaza();
    EXPECT_TRUE(table->Locate("clientid", "13", {}));
    EXPECT_EQ(table->RecNo(), 3);
    EXPECT_TRUE(table->Locate("clientid", 15, {}));
    EXPECT_EQ(table->RecNo(), 5);
    EXPECT_TRUE(table->Locate("clientid", 16.0, kBoth));
    EXPECT_EQ(table->RecNo(), 6);
    EXPECT_TRUE(table->Locate("clientid", TVariant(), {}));
    EXPECT_EQ(table->RecNo(), 4);
    EXPECT_FALSE(table->Locate("clientid", 99, {}));
}

TEST(LocateTest, EmptyAndEditedTables) {
    auto table = MakeBaza();
    // A closed table has no records to find and no stored fields.
    EXPECT_FALSE(table->Locate("nazwisko", "A", kBoth));
    EXPECT_EQ(table->Lookup("nazwisko", "A", "miasto"), TVariant(std::string()));
    EXPECT_EQ(table->FindRecNoByValue("A", "nazwisko"), -1);
    table->Open();
    EXPECT_FALSE(table->Locate("nazwisko", "A", kBoth));

    table = LoadedBaza();
    table->SetRecNo(2);
    table->Edit();
    table->FieldByName("nazwisko").SetAsString("NOWICKI");
    // Locate leaves edit mode first, posting the change.
    EXPECT_TRUE(table->Locate("nazwisko", "nowi", kBoth));
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(table->RecNo(), 2);
}

TEST(LocateTest, ClearedFieldIsNotFoundByItsFormerValue) {
    auto table = LoadedBaza();
    table->SetRecNo(2);
    table->Edit();
    table->FieldByName("nazwisko").Clear();
    table->FieldByName("clientid").Clear();
    table->Post();
    EXPECT_FALSE(table->Locate("nazwisko", "NOWAK", kBoth));
    EXPECT_FALSE(table->Locate("clientid", 12, {}));
    // Like a never-assigned field it reads as empty text and 0.
    table->Last();
    EXPECT_TRUE(table->Locate("nazwisko;miasto", TVariant::Array({"", "NYSA"}), kBoth));
    EXPECT_EQ(table->RecNo(), 2);
    EXPECT_TRUE(table->Locate("clientid", 0, {}));
    EXPECT_EQ(table->RecNo(), 2);
}

TEST(LocateTest, FoundLastRecordClearsEof) {
    auto table = LoadedBaza();
    table->Last();
    table->Next();
    ASSERT_TRUE(table->Eof());
    EXPECT_TRUE(table->Locate("nazwisko", "ZAK", kBoth));
    EXPECT_EQ(table->RecNo(), 7);
    EXPECT_FALSE(table->Eof());
    EXPECT_TRUE(table->Locate("nazwisko", "KOWALSKI", kBoth));
    EXPECT_EQ(table->RecNo(), 1);
    EXPECT_FALSE(table->Eof());
}

TEST(LocateTest, LocateThenScanToTheEnd) {
    auto table = LoadedBaza();
    ASSERT_TRUE(table->Locate("nazwisko;miasto", TVariant::Array({"KOWALC", "OPOLE"}), kBoth));
    std::vector<std::string> seen;
    while (!table->Eof()) {
        seen.push_back(std::string(table->FieldByName("nazwisko").AsStringView()));
        table->Next();
    }
    EXPECT_EQ(seen,
              (std::vector<std::string>{"KOWALCZYK", "kowal", "\xA3\xA5\x43KA", "", "ZAKOWALSKI"}));
}

TEST(LocateTest, Lookup) {
    auto table = LoadedBaza();
    table->SetRecNo(3);
    EXPECT_EQ(table->Lookup("nazwisko", "NOWAK", "miasto"), TVariant("NYSA"));
    EXPECT_EQ(table->Lookup("nazwisko", "NOWAK", "clientid"), TVariant(12));
    EXPECT_TRUE(table->Lookup("nazwisko", "kowal", "clientid").IsNull());
    EXPECT_EQ(table->Lookup("nazwisko", "nowak", "miasto"), TVariant(std::string()));  // exact
    EXPECT_EQ(table->Lookup("nazwisko", "BRAK", "miasto"), TVariant(std::string()));
    EXPECT_EQ(table->Lookup("nazwisko", "BRAK", "clientid"), TVariant(false));
    EXPECT_EQ(table->Lookup("nazwisko", "NOWAK", "nieznane"), TVariant(false));
    EXPECT_EQ(table->Lookup("nazwisko;miasto", TVariant::Array({"KOWALCZYK", "OPOLE"}), "RecId"),
              TVariant(3));
    EXPECT_EQ(table->RecNo(), 3);
    EXPECT_EQ(table->FieldByName("nazwisko").AsString(), "KOWALCZYK");
}

TEST(LocateTest, FindRecNoByValue) {
    auto table = LoadedBaza();
    table->SetRecNo(5);
    int inserts = 0;
    table->BeforeInsert = [&inserts](TDataSet&) { ++inserts; };
    EXPECT_EQ(table->FindRecNoByValue("NOWAK", "nazwisko"), 2);
    EXPECT_EQ(table->FindRecNoByValue("nowak", "nazwisko"), -1);
    EXPECT_EQ(table->FindRecNoByValue("NOW", "nazwisko"), -1);
    EXPECT_EQ(table->FindRecNoByValue(17, "clientid"), 7);
    EXPECT_EQ(table->FindRecNoByValue("13", "clientid"), 3);
    EXPECT_EQ(table->FindRecNoByValue(TVariant(), "clientid"), 4);
    EXPECT_EQ(table->FindRecNoByValue("X", "brak"), -1);
    EXPECT_EQ(inserts, 6);  // one insert per call that names a stored field
    EXPECT_EQ(table->RecNo(), 5);
    EXPECT_EQ(table->RecordCount(), 7);
    EXPECT_EQ(table->State(), dsBrowse);
}

TEST(LocateTest, WideTextKeys) {
    TdxMemData table("t");
    TField& wide = table.AddField("w", ftWideString, 7);
    table.Open();
    for (const char16_t* text : {u"Żaba", u"żagiel", u"abc"}) {
        table.Append();
        wide.SetAsWideString(text);
        table.Post();
    }
    EXPECT_TRUE(table.Locate("w", std::u16string(u"ŻAG"), kBoth));
    EXPECT_EQ(table.RecNo(), 2);
    EXPECT_TRUE(table.Locate("w", std::u16string(u"abc"), {}));
    EXPECT_EQ(table.RecNo(), 3);
    // An empty key with a partial match takes the first record.
    EXPECT_TRUE(table.Locate("w", std::u16string(), kBoth));
    EXPECT_EQ(table.RecNo(), 1);
    // Keys are cut to half the declared size, rounded down: "abcX" becomes "abc".
    table.First();
    EXPECT_TRUE(table.Locate("w", std::u16string(u"abcX"), {}));
    EXPECT_EQ(table.RecNo(), 3);
    EXPECT_FALSE(table.Locate("w", std::u16string(u"abX"), {}));
}

}  // namespace
}  // namespace spisotek
