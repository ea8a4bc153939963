#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "memtable/db_error.h"
#include "memtable/mem_data.h"
#include "memtable/mem_index.h"
#include "platform/text_collator.h"

namespace spisotek {
namespace {

class SortedTableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("memtable_sorted_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& content) {
        const auto path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    static void AddFields(TdxMemData& table) {
        table.AddField("id", ftInteger);
        table.AddField("nazwisko", ftString, 30);
        table.AddField("miasto", ftString, 30);
    }

    // "id:nazwisko" of every record in visible order.
    static std::string Rows(TdxMemData& table) {
        std::string out;
        table.First();
        while (!table.Eof()) {
            if (!out.empty()) {
                out += ' ';
            }
            out +=
                table.FieldByName("id").AsString() + ":" + table.FieldByName("nazwisko").AsString();
            table.Next();
        }
        return out;
    }

    // Both directions, with and without case.
    static std::vector<TdxSortOptions> AllSortOptions() {
        return {TdxSortOptions{}, TdxSortOptions{soCaseInsensitive}, TdxSortOptions{soDesc},
                TdxSortOptions{soDesc, soCaseInsensitive}};
    }

    std::filesystem::path dir_;
};

const char kFile[] =
    "id\tnazwisko\tmiasto\r\n"
    "1\tNOWAK\tWarszawa\r\n"
    "2\tkowal\tKrak\xF3w\r\n"
    "3\t\xA3UKASZ\t\xA3\xF3"
    "d\x9F\r\n"
    "4\tKowal\tGda\xF1sk\r\n"
    "5\tkowal\tRadom\r\n"
    "6\tAdamek\tWarszawa\r\n";

TEST_F(SortedTableTest, LoadedRecordsAppearInSortOrderWithRecIdTieBreak) {
    struct Case {
        TdxSortOptions options;
        std::string expected;
    };
    const Case cases[] = {
        {{}, "6:Adamek 2:kowal 5:kowal 4:Kowal 3:\xA3UKASZ 1:NOWAK"},
        {{soCaseInsensitive}, "6:Adamek 2:kowal 4:Kowal 5:kowal 3:\xA3UKASZ 1:NOWAK"},
        {{soDesc}, "1:NOWAK 3:\xA3UKASZ 4:Kowal 2:kowal 5:kowal 6:Adamek"},
        {{soDesc, soCaseInsensitive}, "1:NOWAK 3:\xA3UKASZ 2:kowal 4:Kowal 5:kowal 6:Adamek"},
    };
    const std::string path = Write("baza.dat", kFile);
    for (const Case& c : cases) {
        TdxMemData table("tBaza");
        AddFields(table);
        table.SetSortOptions(c.options);
        table.SetSortedField("nazwisko");
        table.LoadDelimitedFile(path);
        EXPECT_EQ(Rows(table), c.expected);
        EXPECT_EQ(table.SortField(), table.FindField("nazwisko"));
    }
}

// A column whose last text holds a sequence the collator weighs as a whole
// ("l" with a middle dot) is sorted by the collator's keys throughout; one
// without it by per-byte weights. Both orders are the comparison's.
TEST_F(SortedTableTest, LargeColumnsSortAsTheCollatorComparesWhicheverKeysServe) {
    std::mt19937 random(11);
    const std::string letters = "aAlLkKoOwW \xB3\xA3\xF3\xD3\x9C\x8C";
    std::string file = "id\tnazwisko\tmiasto\r\n";
    const int count = 3000;
    for (int i = 1; i <= count; ++i) {
        std::string name = i % 7 == 0 ? "KOWALCZYKOWSKA-NOWACKA " : "";
        for (int n = static_cast<int>(random() % 9); n > 0; --n) {
            name.push_back(letters[random() % letters.size()]);
        }
        file += std::to_string(i) + "\t" + name + "\tx\r\n";
    }
    const std::string served = Write("served.dat", file);
    const std::string contracted =
        Write("contracted.dat", file + std::to_string(count + 1) + "\tCol\xB7legi\tx\r\n");
    const auto& collator = platform::TextCollator::User();
    for (const std::string& path : {served, contracted}) {
        for (TdxSortOptions options : AllSortOptions()) {
            TdxMemData table("tBaza");
            AddFields(table);
            table.SetSortOptions(options);
            table.SetSortedField("nazwisko");
            table.LoadDelimitedFile(path);
            std::string previousName;
            int previousId = 0;
            int seen = 0;
            for (table.First(); !table.Eof(); table.Next(), ++seen) {
                const std::string name = table.FieldByName("nazwisko").AsString();
                const int id = table.FieldByName("id").AsInteger();
                if (seen > 0) {
                    int c =
                        collator.Compare(previousName, name, options.Contains(soCaseInsensitive));
                    c = options.Contains(soDesc) ? -c : c;
                    ASSERT_TRUE(c < 0 || (c == 0 && previousId < id))
                        << path << " at " << seen << ": " << previousId << " before " << id;
                }
                previousName = name;
                previousId = id;
            }
            EXPECT_EQ(seen, table.RecordCount());
        }
    }
}

// Number, logical and date fields sort through byte keys: negative and
// positive values, repeats, nulls (stored as zero), -0 beside 0, and a NaN,
// which goes after every number. Ties keep RecId order in both directions.
TEST_F(SortedTableTest, NumberAndDateFieldsSortByValueThenRecId) {
    const TFieldType types[] = {ftSmallint, ftWord,     ftInteger, ftLargeint, ftBoolean,
                                ftFloat,    ftCurrency, ftBCD,     ftDate,     ftDateTime};
    TdxMemData table("tLiczby");
    table.AddField("id", ftInteger);
    for (TFieldType type : types) {
        table.AddField("f" + std::to_string(static_cast<int>(type)), type);
    }
    table.Open();
    std::mt19937 random(5);
    for (int id = 1; id <= 400; ++id) {
        table.Append();
        table.FieldByName("id").SetAsInteger(id);
        const int pick = static_cast<int>(random() % 40) - 20;
        for (TFieldType type : types) {
            TField& field = table.FieldByName("f" + std::to_string(static_cast<int>(type)));
            if (id % 13 == 0) {
                continue;  // null
            }
            switch (type) {
                case ftWord:
                case ftBoolean:
                    field.SetAsInteger(type == ftBoolean ? (pick > 0 ? 1 : 0) : pick + 20);
                    break;
                case ftFloat:
                    field.SetAsFloat(id == 100 ? std::nan("") : id == 101 ? -0.0 : pick * 1.25);
                    break;
                case ftCurrency:
                case ftBCD:
                    field.SetAsCurrency(pick * 12345);
                    break;
                case ftDate:
                case ftDateTime:
                    field.SetAsDateTime(40000 + pick * 1.5);
                    break;
                default:
                    field.SetAsLargeInt(pick * 1000);
                    break;
            }
        }
        table.Post();
    }
    for (TFieldType type : types) {
        const std::string name = "f" + std::to_string(static_cast<int>(type));
        for (bool desc : {false, true}) {
            table.SetSortOptions(desc ? TdxSortOptions{soDesc} : TdxSortOptions{});
            table.SetSortedField(name);
            // The value as it orders; nulls hold zero, a zero date orders first.
            auto orderOf = [&](TField& field) {
                if (field.IsNull()) {
                    return type == ftDate || type == ftDateTime ? -1e300 : 0.0;
                }
                if (type == ftBoolean) {
                    return field.AsBoolean() ? 1.0 : 0.0;  // false before true
                }
                const double value =
                    type == ftDate || type == ftDateTime ? field.AsDateTime() : field.AsFloat();
                return std::isnan(value) ? 1e300 : value;
            };
            double previous = 0;
            int previousId = 0;
            int seen = 0;
            for (table.First(); !table.Eof(); table.Next(), ++seen) {
                const double value = orderOf(table.FieldByName(name));
                const int id = table.FieldByName("id").AsInteger();
                if (seen > 0) {
                    const bool ordered = desc ? previous > value : previous < value;
                    ASSERT_TRUE(ordered || (previous == value && previousId < id))
                        << name << " desc " << desc << " at " << seen << ": " << previous << " ("
                        << previousId << ") before " << value << " (" << id << ")";
                }
                previous = value;
                previousId = id;
            }
            EXPECT_EQ(seen, 400);
            table.SetSortedField("");
        }
    }
}

TEST_F(SortedTableTest, UnknownSortFieldKeepsStoreOrderAndChangingOptionsResorts) {
    TdxMemData table("tBaza");
    AddFields(table);
    table.SetSortedField("brak");
    table.LoadDelimitedFile(Write("baza.dat", kFile));
    EXPECT_EQ(Rows(table), "1:NOWAK 2:kowal 3:\xA3UKASZ 4:Kowal 5:kowal 6:Adamek");
    EXPECT_EQ(table.SortField(), nullptr);
    table.SetSortedField("id");
    table.SetSortOptions({soDesc});
    EXPECT_EQ(Rows(table), "6:Adamek 5:kowal 4:Kowal 3:\xA3UKASZ 2:kowal 1:NOWAK");
}

TEST_F(SortedTableTest, PostedRecordsMoveToTheirSortedPlace) {
    TdxMemData table("tBaza");
    AddFields(table);
    table.SetSortedField("nazwisko");
    table.LoadDelimitedFile(Write("baza.dat", kFile));
    // Inserting at the cursor places the record in sort order.
    table.First();
    table.Insert();
    table.FieldByName("id").SetAsInteger(7);
    table.FieldByName("nazwisko").SetAsString("Malinowski");
    table.Post();
    EXPECT_EQ(table.FieldByName("id").AsInteger(), 7);
    EXPECT_EQ(table.RecNo(), 6);
    // Editing the sort value moves the record, both ways.
    ASSERT_TRUE(table.Locate("id", TVariant(1), {}));
    table.Edit();
    table.FieldByName("nazwisko").SetAsString("Aaron");
    table.Post();
    EXPECT_EQ(table.RecNo(), 1);
    table.Edit();
    table.FieldByName("nazwisko").SetAsString("Zyta");
    table.Post();
    EXPECT_EQ(table.RecNo(), 7);
    EXPECT_EQ(Rows(table), "6:Adamek 2:kowal 5:kowal 4:Kowal 3:\xA3UKASZ 7:Malinowski 1:Zyta");
    // Appending places it too.
    table.Append();
    table.FieldByName("id").SetAsInteger(8);
    table.FieldByName("nazwisko").SetAsString("Bober");
    table.Post();
    EXPECT_EQ(table.RecNo(), 2);
}

TEST_F(SortedTableTest, IndexFindsRecordsAfterDeletesAndEdits) {
    TdxMemData table("tBaza");
    AddFields(table);
    TdxMemIndex& index = table.Indexes().Add();
    index.SetFieldName("MIASTO");
    EXPECT_EQ(index.FieldName(), "miasto");
    table.LoadDelimitedFile(Write("baza.dat", kFile));
    EXPECT_EQ(table.Indexes().IndexOf(table.FindField("miasto")), &index);
    ASSERT_TRUE(table.Locate("miasto", TVariant("Radom"), {}));
    EXPECT_FALSE(index.Dirty());
    EXPECT_EQ(table.FieldByName("id").AsInteger(), 5);
    // Delete a record before it in the store: the index shifts its entries.
    ASSERT_TRUE(table.Locate("id", TVariant(2), {}));
    table.Delete();
    EXPECT_FALSE(index.Dirty());
    ASSERT_TRUE(table.Locate("miasto", TVariant("Radom"), {}));
    EXPECT_EQ(table.FieldByName("id").AsInteger(), 5);
    ASSERT_TRUE(table.Locate("miasto", TVariant("Warszawa"), {}));
    EXPECT_EQ(table.FieldByName("id").AsInteger(), 1);
    // An edit out of order makes the index dirty; it is rebuilt on demand.
    table.Edit();
    table.FieldByName("miasto").SetAsString("Zakopane");
    table.Post();
    EXPECT_TRUE(index.Dirty());
    ASSERT_TRUE(table.Locate("miasto", TVariant("Warszawa"), {}));
    EXPECT_EQ(table.FieldByName("id").AsInteger(), 6);
    ASSERT_TRUE(table.Locate("miasto", TVariant("Zakopane"), {}));
    EXPECT_EQ(table.FieldByName("id").AsInteger(), 1);
    EXPECT_FALSE(table.Locate("miasto", TVariant("Krak"), {}));
}

TEST_F(SortedTableTest, IndexFieldNameMustNameAField) {
    TdxMemData table("tBaza");
    AddFields(table);
    TdxMemIndex& index = table.Indexes().Add();
    try {
        index.SetFieldName("brak");
        FAIL();
    } catch (const EDatabaseError& error) {
        EXPECT_STREQ(error.what(), "tBaza: Field 'brak' not found");
    }
    // While settings load the name is only remembered.
    table.BeginLoading();
    index.SetFieldName("nazwisko");
    EXPECT_EQ(index.Field(), nullptr);
    table.Loaded();
    EXPECT_EQ(index.Field(), table.FindField("nazwisko"));
    TdxSortOptions options{soDesc};
    index.SetSortOptions(options);
    EXPECT_TRUE(index.Dirty());
    EXPECT_THROW(table.Indexes().Item(3), EListError);
}

// Windows-1250 words with Polish letters in both cases and other accents.
std::string RandomWord(std::mt19937& random, int maxLength) {
    static const std::string letters =
        "aAbcCeEkKlLnNoOsSzZ\xB9\xA5\xE6\xC6\xEA\xCA\xB3\xA3\xF1\xD1\xF3\xD3\x9C"
        "\x8C\x9F\x8F\xBF"
        "\xAF\xE9\xE4 -";
    std::uniform_int_distribution<int> length(0, maxLength);
    std::uniform_int_distribution<size_t> letter(0, letters.size() - 1);
    std::string word;
    for (int n = length(random); n > 0; --n) {
        word.push_back(letters[letter(random)]);
    }
    return word;
}

// Locate through the sort field or an index finds the very record a scan of
// a plain table with the same records in the same order finds.
TEST_F(SortedTableTest, FastLocateFindsWhatTheScanFinds) {
    std::mt19937 random(1250);
    std::string content = "id\tnazwisko\tmiasto\r\n";
    std::vector<std::string> words;
    for (int i = 1; i <= 700; ++i) {
        words.push_back(RandomWord(random, 6));
        content += std::to_string(i) + "\t" + words.back() + "\t" + RandomWord(random, 3) + "\r\n";
    }
    const std::string path = Write("data.dat", content);
    const TLocateOptions optionSets[] = {
        {loCaseInsensitive, loPartialKey}, {loPartialKey}, {loCaseInsensitive}, {}};
    int found = 0;
    int compared = 0;
    for (bool useIndex : {false, true}) {
        for (TdxSortOptions sortOptions : AllSortOptions()) {
            TdxMemData fast("tFast");
            AddFields(fast);
            fast.SetSortOptions(sortOptions);
            if (useIndex) {
                fast.Indexes().Add().SetFieldName("nazwisko");
            } else {
                fast.SetSortedField("nazwisko");
            }
            fast.LoadDelimitedFile(path);
            // Some upkeep before searching: an insert, an edit, a delete.
            fast.Insert();
            fast.FieldByName("id").SetAsInteger(9001);
            fast.FieldByName("nazwisko")
                .SetAsString(
                    "\xA3"
                    "ab");
            fast.Post();
            ASSERT_TRUE(fast.Locate("id", TVariant(10), {}));
            fast.Edit();
            fast.FieldByName("nazwisko").SetAsString("kab");
            fast.Post();
            ASSERT_TRUE(fast.Locate("id", TVariant(20), {}));
            fast.Delete();

            const std::string copy = (dir_ / "copy.dat").string();
            fast.SaveDelimitedFile(copy);
            TdxMemData plain("tPlain");
            AddFields(plain);
            plain.LoadDelimitedFile(copy);
            ASSERT_EQ(plain.RecordCount(), fast.RecordCount());
            ASSERT_TRUE(useIndex || fast.SortField() == fast.FindField("nazwisko"));

            for (int k = 0; k < 150; ++k) {
                std::string key = RandomWord(random, 3);
                if (k % 2 == 0) {
                    const std::string& word = words[random() % words.size()];
                    key = word.substr(0, random() % (word.size() + 1));
                }
                for (const TLocateOptions& options : optionSets) {
                    const bool ci = options.Contains(loCaseInsensitive);
                    if (ci != sortOptions.Contains(soCaseInsensitive)) {
                        continue;  // the scan serves this search anyway
                    }
                    const bool a = fast.Locate("nazwisko", TVariant(key), options);
                    const bool b = plain.Locate("nazwisko", TVariant(key), options);
                    ++compared;
                    ASSERT_EQ(a, b) << "key '" << key << "' index " << useIndex;
                    if (a) {
                        ++found;
                        ASSERT_EQ(fast.FieldByName("id").AsInteger(),
                                  plain.FieldByName("id").AsInteger())
                            << "key '" << key << "' index " << useIndex;
                    }
                }
            }
        }
    }
    EXPECT_GT(found, compared / 4);
    (void)0;
}

TEST_F(SortedTableTest, BookmarksFollowTheirRecords) {
    TdxMemData table("tBaza");
    AddFields(table);
    table.LoadDelimitedFile(Write("baza.dat", kFile));
    ASSERT_TRUE(table.Locate("id", TVariant(3), {}));
    const TBookmark third = table.GetBookmark();
    ASSERT_TRUE(third.has_value());
    // Insert before it; its bookmark still finds it.
    table.Insert();
    table.FieldByName("id").SetAsInteger(99);
    table.Post();
    const TBookmark inserted = table.GetBookmark();
    table.First();
    table.GotoBookmark(third);
    EXPECT_EQ(table.FieldByName("id").AsInteger(), 3);
    EXPECT_TRUE(table.BookmarkValid(third));
    EXPECT_FALSE(table.BookmarkValid(TBookmark()));
    EXPECT_EQ(table.CompareBookmarks(third, inserted), -1);
    EXPECT_EQ(table.CompareBookmarks(inserted, third), 1);
    EXPECT_EQ(table.CompareBookmarks(third, third), 0);
    EXPECT_EQ(table.CompareBookmarks(TBookmark(), third), 1);
    EXPECT_EQ(table.CompareBookmarks(third, TBookmark()), -1);
    EXPECT_EQ(table.CompareBookmarks(TBookmark(), TBookmark()), 0);
    // Under a sort field the store order decides.
    table.SetSortedField("id");
    EXPECT_EQ(table.CompareBookmarks(third, inserted), -1);
    table.SetSortOptions({soDesc});
    EXPECT_EQ(table.CompareBookmarks(third, inserted), 1);
    table.GotoBookmark(third);
    table.Delete();
    EXPECT_FALSE(table.BookmarkValid(third));
    try {
        table.GotoBookmark(third);
        FAIL();
    } catch (const EDatabaseError& error) {
        EXPECT_STREQ(error.what(), "Bookmark not found");
    }
}

}  // namespace
}  // namespace spisotek
