#include <gtest/gtest.h>

#include <string>

#include "memtable/mem_data.h"
#include "memtable/mem_index.h"

namespace spisotek {
namespace {

class FilterTest : public ::testing::Test {
  protected:
    FilterTest() : table_("tBaza") {}
    void SetUp() override {
        table_.AddField("id", ftInteger);
        table_.AddField("nazwisko", ftString, 20);
        table_.Open();
        const char* names[] = {"Nowak", "Kowal", "Zieli\xF1ski", "Adamek", "Kowalski", "Lis"};
        int id = 1;
        for (const char* name : names) {
            table_.Append();
            table_.FieldByName("id").SetAsInteger(id++);
            table_.FieldByName("nazwisko").SetAsString(name);
            table_.Post();
        }
    }
    // Visible ids in order.
    std::string Ids() {
        std::string out;
        for (table_.First(); !table_.Eof(); table_.Next()) {
            out += table_.FieldByName("id").AsString();
        }
        return out;
    }
    void FilterEvenIds() {
        table_.SetOnFilterRecord([](TDataSet& dataSet, bool& accept) {
            accept = dataSet.FieldByName("id").AsInteger() % 2 == 0;
        });
        table_.SetFiltered(true);
    }
    TdxMemData table_;
};

TEST_F(FilterTest, AcceptingEveryRecordShowsTheStoreOrder) {
    table_.SetOnFilterRecord([](TDataSet&, bool&) {});
    table_.SetFiltered(true);
    EXPECT_TRUE(table_.FilteringInForce());
    EXPECT_EQ(Ids(), "123456");
    EXPECT_EQ(table_.RecordCount(), 6);
}

TEST_F(FilterTest, FilterHidesRecordsAndKeepsInStepWithChanges) {
    FilterEvenIds();
    EXPECT_EQ(Ids(), "246");
    EXPECT_EQ(table_.RecordCount(), 3);
    table_.SetRecNo(2);
    EXPECT_EQ(table_.FieldByName("id").AsInteger(), 4);
    EXPECT_EQ(table_.RecNo(), 2);
    // Locate scans only visible records and returns their visible position.
    EXPECT_FALSE(table_.Locate("nazwisko", TVariant("Nowak"), {}));
    ASSERT_TRUE(table_.Locate("nazwisko", TVariant("lis"), {loCaseInsensitive}));
    EXPECT_EQ(table_.RecNo(), 3);
    EXPECT_EQ(table_.Lookup("nazwisko", TVariant("Adamek"), "id"), TVariant(4));
    // An insert before a visible record: accepted, it joins in store order.
    table_.SetRecNo(2);
    table_.Insert();
    table_.FieldByName("id").SetAsInteger(8);
    table_.Post();
    EXPECT_EQ(Ids(), "2846");
    // A rejected insert leaves the list; the rest stays in order.
    table_.SetRecNo(1);
    table_.Insert();
    table_.FieldByName("id").SetAsInteger(9);
    table_.Post();
    EXPECT_EQ(Ids(), "2846");
    // Delete a visible record; later entries move down.
    table_.SetRecNo(2);
    table_.Delete();
    EXPECT_EQ(Ids(), "246");
    // An edit the filter rejects hides the record.
    table_.SetRecNo(1);
    table_.Edit();
    table_.FieldByName("id").SetAsInteger(11);
    table_.Post();
    EXPECT_EQ(Ids(), "46");
    table_.SetFiltered(false);
    EXPECT_FALSE(table_.FilteringInForce());
    EXPECT_EQ(table_.RecordCount(), 7);
    // FindRecNoByValue ignores the filter.
    table_.SetFiltered(true);
    EXPECT_EQ(table_.FindRecNoByValue(TVariant(3), "id"), 4);
}

TEST_F(FilterTest, BookmarksOfHiddenRecordsLeaveTheCursor) {
    table_.Last();
    const TBookmark fifth = [this] {
        table_.SetRecNo(5);
        return table_.GetBookmark();
    }();
    FilterEvenIds();
    table_.SetRecNo(2);
    EXPECT_FALSE(table_.BookmarkValid(fifth));
    table_.GotoBookmark(fifth);
    EXPECT_EQ(table_.FieldByName("id").AsInteger(), 4);
}

TEST_F(FilterTest, SortedTableKeepsTheFilterInStep) {
    FilterEvenIds();
    table_.SetSortedField("nazwisko");
    // Sorted: Adamek(4) Kowal(2) Kowalski(5) Lis(6) Nowak(1) Zieliński(3).
    EXPECT_EQ(Ids(), "426");
    table_.Append();
    table_.FieldByName("id").SetAsInteger(10);
    table_.FieldByName("nazwisko").SetAsString("Bach");
    table_.Post();
    EXPECT_EQ(Ids(), "41026");
    EXPECT_EQ(table_.FieldByName("id").AsInteger(), 6);
    table_.SetRecNo(2);
    EXPECT_EQ(table_.FieldByName("id").AsInteger(), 10);
    table_.Edit();
    table_.FieldByName("nazwisko").SetAsString("Zawada");
    table_.Post();
    EXPECT_EQ(table_.FieldByName("id").AsInteger(), 10);
    table_.SetFiltered(false);
    EXPECT_EQ(Ids(),
              "4256110"
              "3");
    table_.SetFiltered(true);
    EXPECT_EQ(Ids(),
              "4261"
              "0");
    // The fast path is off while filtering; Locate still finds visible records.
    ASSERT_TRUE(table_.Locate("nazwisko", TVariant("Zawada"), {}));
    EXPECT_EQ(table_.RecNo(), 4);
}

TEST(RefreshTest, LookupFieldsTakeTheLookupTablesAnswer) {
    TdxMemData cities("tMiasta");
    cities.AddField("kod", ftInteger);
    cities.AddField("nazwa", ftString, 20);
    cities.Open();
    for (const auto& [code, name] : {std::pair{1, "Radom"}, std::pair{2,
                                                                      "\xA3\xF3"
                                                                      "d\x9F"}}) {
        cities.Append();
        cities.FieldByName("kod").SetAsInteger(code);
        cities.FieldByName("nazwa").SetAsString(name);
        cities.Post();
    }
    TdxMemData people("tOsoby");
    people.AddField("nazwisko", ftString, 20);
    people.AddField("kod_miasta", ftInteger);
    TField& city = people.AddField("miasto", ftString, 20, fkLookup);
    city.SetLookupDataSet(&cities);
    city.SetKeyFields("kod_miasta");
    city.SetLookupKeyFields("kod");
    city.SetLookupResultField("nazwa");
    people.Open();
    for (int code : {2, 1, 3}) {
        people.Append();
        people.FieldByName("nazwisko").SetAsString("N" + std::to_string(code));
        people.FieldByName("kod_miasta").SetAsInteger(code);
        people.Post();
    }
    people.SetRecNo(2);
    people.Refresh();
    EXPECT_EQ(people.RecNo(), 2);
    std::string out;
    for (people.First(); !people.Eof(); people.Next()) {
        out += people.FieldByName("miasto").AsString() + ";";
    }
    EXPECT_EQ(out,
              "\xA3\xF3"
              "d\x9F;Radom;;");
    // Without an open lookup table or a calculate event nothing changes.
    cities.Close();
    people.First();
    people.Edit();
    people.FieldByName("kod_miasta").SetAsInteger(1);
    people.Post();
    people.Refresh();
    EXPECT_EQ(people.FieldByName("miasto").AsString(),
              "\xA3\xF3"
              "d\x9F");
}

}  // namespace
}  // namespace spisotek
