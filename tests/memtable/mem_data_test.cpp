#include "memtable/mem_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memtable/tree_print_data.h"
#include "test_tables.h"

namespace spisotek {
namespace {

using test::ErrorText;
using test::MakeBaza;

void AppendSurname(TdxMemData& table, const std::string& surname) {
    table.Append();
    table.FieldByName("nazwisko").SetAsString(surname);
    table.Post();
}

TEST(MemDataTest, RecIdIsTheHiddenFirstField) {
    TdxMemData table("tBaza");
    ASSERT_EQ(table.FieldCount(), 1);
    const TField& recId = table.Field(0);
    EXPECT_EQ(recId.FieldName(), "RecId");
    EXPECT_EQ(recId.Name(), "tBazaRecId");
    EXPECT_EQ(recId.DataType(), ftInteger);
    EXPECT_EQ(recId.FieldKind(), fkCalculated);
    EXPECT_FALSE(recId.Visible());
    EXPECT_EQ(&table.RecIdField(), &recId);
    EXPECT_FALSE(table.Active());
    EXPECT_EQ(table.State(), dsInactive);
    EXPECT_EQ(MakeBaza()->FieldByName("nazwisko").Name(), "tBazanazwisko");
    EXPECT_EQ(MakeBaza()->FieldByName("NAZWISKO").FieldName(), "nazwisko");
}

TEST(MemDataTest, FieldNamesMatchIgnoringCase) {
    TdxMemData table("tFirmy");
    TField& upper = table.AddField("Kod", ftString, 10);
    table.AddField("kod", ftString, 10);
    TField& polish = table.AddField("\xA3\xB9ka", ftString, 10);  // Łąka
    EXPECT_EQ(table.FindField("kod"), &upper);
    EXPECT_EQ(table.FindField("KOD"), &upper);
    EXPECT_EQ(table.FindField("\xB3\xA5KA"), &polish);  // łĄKA
    EXPECT_EQ(table.FindField("kod "), nullptr);
    EXPECT_EQ(ErrorText([&] { table.FieldByName("firma"); }), "tFirmy: Field 'firma' not found");
}

TEST(MemDataTest, RecIdsCountUpAndAreNeverReused) {
    auto table = MakeBaza();
    table->Open();
    for (const char* name : {"A", "B", "C"}) {
        AppendSurname(*table, name);
    }
    std::vector<int> recIds;
    std::vector<int> recordIds;
    for (table->First(); !table->Eof(); table->Next()) {
        recIds.push_back(table->RecIdField().AsInteger());
        recordIds.push_back(table->CurrentRecordId());
    }
    EXPECT_EQ(recIds, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(recordIds, (std::vector<int>{1, 2, 3}));

    table->SetRecNo(2);
    table->Delete();
    EXPECT_EQ(table->FieldByName("nazwisko").AsString(), "C");
    AppendSurname(*table, "D");
    EXPECT_EQ(table->RecordCount(), 3);
    EXPECT_EQ(table->RecNo(), 3);
    EXPECT_EQ(table->RecIdField().AsInteger(), 4);
    EXPECT_EQ(table->CurrentRecordId(), 4);
}

TEST(MemDataTest, RecIdKeepsAHigherValueAndRenumbersALowerOne) {
    auto table = MakeBaza();
    table->Open();
    table->Append();
    table->RecIdField().SetAsInteger(10);
    table->Post();
    EXPECT_EQ(table->RecIdField().AsInteger(), 10);
    table->Append();
    EXPECT_EQ(table->RecIdField().AsInteger(), 11);  // shown before posting
    table->RecIdField().SetAsInteger(5);             // not above the highest: renumbered
    table->Post();
    EXPECT_EQ(table->RecIdField().AsInteger(), 11);
    table->Append();
    EXPECT_EQ(table->RecIdField().AsInteger(), 12);
    table->Cancel();
}

TEST(MemDataTest, CloseDiscardsRecordsAndRestartsNumbering) {
    auto table = MakeBaza();
    table->Open();
    AppendSurname(*table, "A");
    AppendSurname(*table, "B");
    table->Close();
    EXPECT_EQ(table->RecordCount(), 0);
    table->SetActive(true);
    EXPECT_EQ(table->RecordCount(), 0);
    EXPECT_TRUE(table->Bof());
    EXPECT_TRUE(table->Eof());
    EXPECT_TRUE(table->FieldByName("nazwisko").IsNull());
    AppendSurname(*table, "C");
    EXPECT_EQ(table->RecIdField().AsInteger(), 1);
    EXPECT_EQ(table->CurrentRecordId(), 1);
}

TEST(MemDataTest, RefusesUnsupportedFieldTypes) {
    for (TFieldType type :
         {ftUnknown, ftBytes, ftVarBytes, ftCursor, ftFixedChar, ftADT, ftGuid, ftFMTBcd}) {
        SCOPED_TRACE(FieldTypeName(type));
        auto table = MakeBaza();
        table->AddField("surowe", type, 8);
        EXPECT_EQ(ErrorText([&] { table->Open(); }), "Unsupported field type: surowe");
        EXPECT_FALSE(table->Active());
    }
}

TEST(MemDataTest, OpensEveryStoredType) {
    const std::vector<TFieldType> types = {
        ftString,  ftSmallint, ftInteger,    ftWord,     ftBoolean,     ftFloat,      ftCurrency,
        ftBCD,     ftDate,     ftTime,       ftDateTime, ftAutoInc,     ftBlob,       ftMemo,
        ftGraphic, ftFmtMemo,  ftParadoxOle, ftDBaseOle, ftTypedBinary, ftWideString, ftLargeint};
    TdxMemData table("t");
    for (size_t i = 0; i < types.size(); ++i) {
        table.AddField("f" + std::to_string(i), types[i], types[i] == ftWideString ? 40 : 0);
    }
    ASSERT_NO_THROW(table.Open());
    table.Append();
    table.Post();
    EXPECT_EQ(table.RecordCount(), 1);
}

TEST(MemDataTest, StringFieldKeepsAtMostItsSize) {
    TdxMemData table("t");
    TField& field = table.AddField("numer_tel", ftString, 20);
    table.Open();
    table.Append();
    field.SetAsString("1234567890123456789012345");
    table.Post();
    EXPECT_EQ(field.AsString(), "12345678901234567890");
    EXPECT_EQ(field.AsStringView(), "12345678901234567890");
}

TEST(MemDataTest, NeverAssignedIntegerIsNull) {
    auto table = MakeBaza();
    table->Open();
    AppendSurname(*table, "KOWAL");
    const TField& clientid = table->FieldByName("clientid");
    EXPECT_TRUE(clientid.IsNull());
    EXPECT_EQ(clientid.AsString(), "");
    EXPECT_EQ(clientid.AsInteger(), 0);
    EXPECT_TRUE(clientid.Value().IsNull());
}

TEST(MemDataTest, IntegerTextConversion) {
    struct Case {
        std::string text;
        bool isNull;
        int value;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"12", false, 12, ""},
        {"-7", false, -7, ""},
        {"+0042", false, 42, ""},
        {"", true, 0, ""},
        {"abc", false, 0, "'abc' is not a valid integer value for field 'clientid'"},
        {"12x", false, 0, "'12x' is not a valid integer value for field 'clientid'"},
        {"1 ", false, 0, "'1 ' is not a valid integer value for field 'clientid'"},
        {"99999999999", false, 0,
         "'99999999999' is not a valid integer value for field 'clientid'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto table = MakeBaza();
        table->Open();
        table->Append();
        TField& clientid = table->FieldByName("clientid");
        if (!c.error.empty()) {
            EXPECT_EQ(ErrorText([&] { clientid.SetAsString(c.text); }), c.error);
            EXPECT_THROW(clientid.SetAsString(c.text), EConvertError);
            EXPECT_TRUE(clientid.IsNull());
            continue;
        }
        clientid.SetAsString(c.text);
        table->Post();
        EXPECT_EQ(clientid.IsNull(), c.isNull);
        EXPECT_EQ(clientid.AsInteger(), c.value);
    }
}

TEST(MemDataTest, ConversionErrorNamesTheDisplayLabel) {
    auto table = MakeBaza();
    table->FieldByName("clientid").SetDisplayLabel("Numer klienta");
    table->Open();
    table->Append();
    EXPECT_EQ(ErrorText([&] { table->FieldByName("clientid").SetAsString("x"); }),
              "'x' is not a valid integer value for field 'Numer klienta'");
}

TEST(MemDataTest, TextFormsOfOtherTypes) {
    struct Case {
        TFieldType type;
        std::string text;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {ftSmallint, "-32768", "-32768"},
        {ftWord, "65535", "65535"},
        {ftLargeint, "-9000000000", "-9000000000"},
        {ftAutoInc, "17", "17"},
        {ftBoolean, "t", "True"},
        {ftBoolean, "FALSE", "False"},
        {ftFloat, "1,5", "1.5"},
        {ftCurrency, "-0.25", "-0.25"},
        {ftBCD, "12.3456", "12.3456"},
        {ftBCD, "-7", "-7"},
        {ftDate, "2024-02-29", "2024-02-29"},
        {ftTime, "13:45:10", "13:45:10"},
        {ftDateTime, "1999-12-31 23:59:59", "1999-12-31 23:59:59"},
        {ftDateTime, "0001-01-01", "0001-01-01"},
        {ftWideString, "\xA5rodek", "\xA5rodek"},
        {ftMemo, "long\r\ntext", "long\r\ntext"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(FieldTypeName(c.type)) + " " + c.text);
        TdxMemData table("t");
        TField& field = table.AddField("v", c.type, c.type == ftWideString ? 40 : 0);
        table.Open();
        table.Append();
        field.SetAsString(c.text);
        table.Post();
        EXPECT_FALSE(field.IsNull());
        EXPECT_EQ(field.AsString(), c.shown);
        // Reading the value back and assigning it again keeps it.
        const TVariant value = field.Value();
        table.Edit();
        field.Clear();
        EXPECT_TRUE(field.IsNull());
        field.SetValue(value);
        table.Post();
        EXPECT_EQ(field.AsString(), c.shown);
    }
}

TEST(MemDataTest, RefusedValuesOfOtherTypes) {
    struct Case {
        TFieldType type;
        std::string text;
        std::string error;
    };
    const std::vector<Case> cases = {
        {ftSmallint, "40000",
         "40000 is not a valid value for field 'v'. The allowed range is -32768 to 32767"},
        {ftWord, "-1", "-1 is not a valid value for field 'v'. The allowed range is 0 to 65535"},
        {ftBoolean, "maybe", "'maybe' is not a valid boolean value for field 'v'"},
        {ftFloat, "1.2.3", "'1.2.3' is not a valid floating point value for field 'v'"},
        {ftDate, "2023-02-29", "'2023-02-29' is not a valid date"},
        {ftTime, "25:00", "'25:00' is not a valid time"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TdxMemData table("t");
        TField& field = table.AddField("v", c.type);
        table.Open();
        table.Append();
        EXPECT_EQ(ErrorText([&] { field.SetAsString(c.text); }), c.error);
        EXPECT_TRUE(field.IsNull());
    }
}

TEST(MemDataTest, RecNoOutsideTheTableDoesNotMove) {
    auto table = MakeBaza();
    table->Open();
    for (const char* name : {"A", "B", "C"}) {
        AppendSurname(*table, name);
    }
    table->SetRecNo(2);
    int scrolls = 0;
    table->AfterScroll = [&scrolls](TDataSet&) { ++scrolls; };
    for (int recNo : {0, 4, -1}) {
        table->SetRecNo(recNo);
        EXPECT_EQ(table->RecNo(), 2);
        EXPECT_EQ(table->FieldByName("nazwisko").AsString(), "B");
    }
    EXPECT_EQ(scrolls, 0);
    table->SetRecNo(3);
    EXPECT_EQ(table->FieldByName("nazwisko").AsString(), "C");
    EXPECT_EQ(scrolls, 1);
}

TEST(MemDataTest, NavigationFlags) {
    auto table = MakeBaza();
    table->Open();
    EXPECT_TRUE(table->Bof() && table->Eof());
    EXPECT_EQ(table->RecNo(), 0);
    table->Next();
    table->Prior();
    EXPECT_TRUE(table->Bof() && table->Eof());

    for (const char* name : {"A", "B", "C"}) {
        AppendSurname(*table, name);
    }
    table->First();
    EXPECT_TRUE(table->Bof());
    EXPECT_FALSE(table->Eof());
    EXPECT_EQ(table->RecNo(), 1);
    table->Next();
    EXPECT_FALSE(table->Bof());
    table->Next();
    EXPECT_FALSE(table->Eof());
    EXPECT_EQ(table->FieldByName("nazwisko").AsString(), "C");
    table->Next();
    EXPECT_TRUE(table->Eof());
    EXPECT_EQ(table->FieldByName("nazwisko").AsString(), "C");
    table->Last();
    EXPECT_TRUE(table->Eof());
    EXPECT_EQ(table->RecNo(), 3);
    table->Prior();
    table->Prior();
    EXPECT_EQ(table->FieldByName("nazwisko").AsString(), "A");
    table->Prior();
    EXPECT_TRUE(table->Bof());
    EXPECT_EQ(table->RecNo(), 1);
    EXPECT_EQ(table->MoveBy(2), 2);
    EXPECT_EQ(table->FieldByName("nazwisko").AsString(), "C");
}

TEST(MemDataTest, WritingOutsideEditingStatesIsRefused) {
    auto table = MakeBaza();
    table->Open();
    AppendSurname(*table, "KOWAL");
    EXPECT_EQ(ErrorText([&] { table->FieldByName("nazwisko").SetAsString("X"); }),
              "tBaza: Dataset not in edit or insert mode");
    EXPECT_EQ(table->FieldByName("nazwisko").AsString(), "KOWAL");
    table->Close();
    EXPECT_EQ(ErrorText([&] { table->FieldByName("nazwisko").SetAsString("X"); }),
              "tBaza: Dataset not in edit or insert mode");
}

TEST(MemDataTest, EditPostCancelAndOldValue) {
    auto table = MakeBaza();
    table->Open();
    AppendSurname(*table, "KOWAL");
    TField& nazwisko = table->FieldByName("nazwisko");

    table->Edit();
    EXPECT_EQ(table->State(), dsEdit);
    nazwisko.SetAsString("NOWAK");
    EXPECT_TRUE(table->Modified());
    EXPECT_EQ(nazwisko.AsString(), "NOWAK");
    EXPECT_EQ(nazwisko.OldValue().AsString(), "KOWAL");
    table->Cancel();
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(nazwisko.AsString(), "KOWAL");

    table->Edit();
    nazwisko.Clear();
    table->Post();
    EXPECT_TRUE(nazwisko.IsNull());
    EXPECT_EQ(table->RecordCount(), 1);

    table->Append();
    EXPECT_TRUE(nazwisko.OldValue().IsNull());
    table->Cancel();
    EXPECT_EQ(table->RecordCount(), 1);
    EXPECT_EQ(table->RecNo(), 1);
}

TEST(MemDataTest, InsertGoesBeforeTheCurrentRecord) {
    auto table = MakeBaza();
    table->Open();
    table->Insert();  // empty table: the begin of the table
    table->FieldByName("nazwisko").SetAsString("B");
    table->Post();
    AppendSurname(*table, "D");
    table->First();
    table->Insert();
    table->FieldByName("nazwisko").SetAsString("A");
    table->Post();
    EXPECT_EQ(table->RecNo(), 1);
    table->SetRecNo(3);
    table->Insert();
    table->FieldByName("nazwisko").SetAsString("C");
    table->Post();
    std::string order;
    for (table->First(); !table->Eof(); table->Next()) {
        order += table->FieldByName("nazwisko").AsString();
    }
    EXPECT_EQ(order, "ABCD");
}

TEST(MemDataTest, EventsAndRequiredFields) {
    auto table = MakeBaza();
    table->FieldByName("nazwisko").SetRequired(true);
    std::vector<std::string> log;
    table->BeforeOpen = [&log](TDataSet&) { log.push_back("BeforeOpen"); };
    table->AfterOpen = [&log](TDataSet&) { log.push_back("AfterOpen"); };
    table->BeforeInsert = [&log](TDataSet&) { log.push_back("BeforeInsert"); };
    table->OnNewRecord = [&log](TDataSet& ds) {
        log.push_back("OnNewRecord");
        ds.FieldByName("miasto").SetAsString("OPOLE");
    };
    table->AfterInsert = [&log](TDataSet&) { log.push_back("AfterInsert"); };
    table->BeforePost = [&log](TDataSet&) { log.push_back("BeforePost"); };
    table->AfterPost = [&log](TDataSet&) { log.push_back("AfterPost"); };
    table->OnPostError = [&log](TDataSet& ds, const EDataError& error, TDataAction& action) {
        log.push_back(error.what());
        ds.FieldByName("nazwisko").SetAsString("NOWAK");
        action = daRetry;
    };
    table->Open();
    table->Append();
    table->Post();
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeOpen", "AfterOpen", "BeforeInsert",
                                             "OnNewRecord", "AfterInsert", "BeforePost",
                                             "Field 'nazwisko' must have a value", "AfterPost"}));
    EXPECT_EQ(table->FieldByName("nazwisko").AsString(), "NOWAK");
    EXPECT_EQ(table->FieldByName("miasto").AsString(), "OPOLE");

    table->OnPostError = [](TDataSet&, const EDataError&, TDataAction& action) {
        action = daAbort;
    };
    table->Append();
    EXPECT_THROW(table->Post(), EAbort);
    EXPECT_EQ(table->State(), dsInsert);
    table->Cancel();
    EXPECT_EQ(table->RecordCount(), 1);
}

TEST(MemDataTest, ReadOnlyTableRefusesChanges) {
    auto table = MakeBaza();
    table->SetReadOnly(true);
    table->Open();
    EXPECT_EQ(ErrorText([&] { table->Append(); }), "tBaza: Cannot modify a read-only dataset");
    // Loading a file is the table's own business.
    table->LoadDelimitedData("nazwisko\r\nKOWAL\r\n");
    EXPECT_EQ(table->RecordCount(), 1);
    EXPECT_EQ(ErrorText([&] { table->Edit(); }), "tBaza: Cannot modify a read-only dataset");
}

TEST(MemDataTest, DeleteOnEmptyTableAndLastRecord) {
    auto table = MakeBaza();
    table->Open();
    EXPECT_EQ(ErrorText([&] { table->Delete(); }),
              "tBaza: Cannot perform this operation on an empty dataset");
    AppendSurname(*table, "A");
    AppendSurname(*table, "B");
    table->Last();
    table->Delete();
    EXPECT_EQ(table->RecNo(), 1);
    EXPECT_EQ(table->FieldByName("nazwisko").AsString(), "A");
    table->Delete();
    EXPECT_TRUE(table->Bof() && table->Eof());
    EXPECT_EQ(table->RecordCount(), 0);
}

TEST(MemDataTest, WideTextAndBlobValuesBelongToTheirRecords) {
    TdxMemData table("t");
    TField& wide = table.AddField("w", ftWideString, 40);
    TField& memo = table.AddField("m", ftMemo);
    table.Open();
    for (const char16_t* text : {u"jeden", u"dwa", u"trzy"}) {
        table.Append();
        wide.SetAsWideString(text);
        memo.SetAsString(std::string("memo ") + std::to_string(table.RecordCount()));
        table.Post();
    }
    table.SetRecNo(2);
    table.Edit();
    wide.SetAsWideString(u"zmieniony");
    memo.SetAsString("inny");
    table.Cancel();
    EXPECT_EQ(wide.AsWideString(), u"dwa");
    EXPECT_EQ(memo.AsString(), "memo 1");
    table.Edit();
    wide.Clear();
    table.Post();
    EXPECT_TRUE(wide.IsNull());
    table.Delete();
    table.First();
    EXPECT_EQ(wide.AsWideString(), u"jeden");
    table.Next();
    EXPECT_EQ(wide.AsWideString(), u"trzy");
    EXPECT_EQ(memo.AsString(), "memo 2");
}

TEST(MemDataTest, CompareValues) {
    TdxMemData table("t");
    const auto text = [](const char* s) { return static_cast<const void*>(s); };
    EXPECT_EQ(table.CompareValues(text("Kowal"), text("KOWAL"), ftString, true), 0);
    EXPECT_NE(table.CompareValues(text("Kowal"), text("KOWAL"), ftString, false), 0);
    EXPECT_EQ(table.CompareValues(text("\xB9"), text("\xA5"), ftString, true), 0);  // ą Ą
    EXPECT_EQ(table.CompareValues(text("a"), text("\xB9"), ftString, false), -1);   // a < ą
    EXPECT_EQ(table.CompareValues(text("\xB9"), text("b"), ftString, false), -1);   // ą < b
    EXPECT_EQ(table.CompareValues(nullptr, text("A"), ftString, true), -1);
    EXPECT_EQ(table.CompareValues(text("A"), nullptr, ftString, true), 1);
    EXPECT_EQ(table.CompareValues(nullptr, nullptr, ftString, true), 0);

    const std::u16string wa = u"żaba";
    const std::u16string wb = u"ŻABA";
    EXPECT_EQ(table.CompareValues(&wa, &wb, ftWideString, true), 0);
    EXPECT_NE(table.CompareValues(&wa, &wb, ftWideString, false), 0);

    const int32_t i1 = -5;
    const int32_t i2 = 3;
    EXPECT_EQ(table.CompareValues(&i1, &i2, ftInteger, false), -1);
    const uint16_t w1 = 0xFFFF;
    const uint16_t w2 = 1;
    EXPECT_EQ(table.CompareValues(&w1, &w2, ftWord, false), 1);
    const int16_t s1 = -1;
    const int16_t s2 = 1;
    EXPECT_EQ(table.CompareValues(&s1, &s2, ftSmallint, false), -1);
    const int64_t l1 = 1LL << 40;
    const int64_t l2 = 1LL << 41;
    EXPECT_EQ(table.CompareValues(&l2, &l1, ftLargeint, false), 1);
    const double d1 = 1.5;
    const double d2 = 1.5;
    EXPECT_EQ(table.CompareValues(&d1, &d2, ftFloat, false), 0);
    const uint16_t t = 0xFFFF;
    const uint16_t f = 0;
    EXPECT_EQ(table.CompareValues(&t, &f, ftBoolean, false), 1);

    // Dates: zero first; otherwise calendar order.
    const int32_t zero = 0;
    const int32_t day1 = 1;
    const int32_t day2 = 730000;
    EXPECT_EQ(table.CompareValues(&zero, &day1, ftDate, false), -1);
    EXPECT_EQ(table.CompareValues(&zero, &zero, ftDate, false), 0);
    EXPECT_EQ(table.CompareValues(&day2, &day1, ftDate, false), 1);
    const int32_t noon = 43200000;
    const int32_t evening = 72000000;
    EXPECT_EQ(table.CompareValues(&noon, &evening, ftTime, false), -1);
    const double stampA = 730000.0 * 86400000.0 + 1000;
    const double stampB = 730000.0 * 86400000.0 + 2000;
    EXPECT_EQ(table.CompareValues(&stampB, &stampA, ftDateTime, false), 1);
    const int32_t negative = -3;
    EXPECT_EQ(ErrorText([&] { table.CompareValues(&negative, &day1, ftDate, false); }),
              "'-3.0' is not a valid timestamp");
    // Blob types never order.
    EXPECT_EQ(table.CompareValues(text("a"), text("b"), ftBlob, false), 0);
}

TEST(MemDataTest, CalcFieldsEventSeesTheCurrentRecord) {
    auto table = MakeBaza();
    TField& calc = table->AddField("opis", ftString, 50, fkCalculated);
    table->LoadDelimitedData("nazwisko\nA\nB\n");
    std::vector<std::string> seen;
    table->OnCalcFields = [&seen, &calc](TDataSet& ds) {
        EXPECT_EQ(ds.State(), dsCalcFields);
        seen.push_back(ds.FieldByName("nazwisko").AsString());
        // Values given to calculated fields here are not kept.
        calc.SetAsString("x");
    };
    table->Next();
    table->First();
    EXPECT_EQ(seen, (std::vector<std::string>{"B", "A"}));
    EXPECT_TRUE(calc.IsNull());
    EXPECT_EQ(table->State(), dsBrowse);
}

TEST(MemDataTest, DisableControlsNests) {
    TdxMemData table("t");
    EXPECT_FALSE(table.ControlsDisabled());
    table.DisableControls();
    table.DisableControls();
    table.EnableControls();
    EXPECT_TRUE(table.ControlsDisabled());
    table.EnableControls();
    EXPECT_FALSE(table.ControlsDisabled());
}

TEST(MemDataTest, TreePrintDataWithoutSourceIsAMemoryTable) {
    TdxDBTreePrintData table("tBaza");
    table.AddField("nazwisko", ftString, 100);
    table.AddField("miasto", ftString, 100);
    table.LoadDelimitedData("nazwisko\tmiasto\nKOWAL\tOPOLE\nNOWAK\tNYSA\n");
    EXPECT_TRUE(table.Active());
    EXPECT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(table.RecIdField().Name(), "tBazaRecId");
    EXPECT_TRUE(table.Locate("nazwisko;miasto", TVariant::Array({"now", "n"}),
                             TLocateOptions{loCaseInsensitive, loPartialKey}));
    EXPECT_EQ(table.RecNo(), 2);
}

}  // namespace
}  // namespace spisotek
