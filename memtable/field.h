// Field objects of the dataset base.
//
// A TField belongs to one TDataSet, which creates, owns and destroys it
// (TDataSet::AddField). It holds no value of its own: reading and writing go
// through its dataset, which decides from its state which record buffer is
// active. Text conversions follow the field's type: a string field keeps at
// most Size() characters, an integer field refuses text that is not a decimal
// integer (EConvertError) and treats empty text as null. Writing outside the
// editing states raises EDatabaseError from the dataset.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "memtable/variant.h"

namespace spisotek {

class TDataSet;

// In the order of the data-access platform the directory's design comes from.
enum TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftParadoxOle,
    ftDBaseOle,
    ftTypedBinary,
    ftCursor,
    ftFixedChar,
    ftWideString,
    ftLargeint,
    ftADT,
    ftArray,
    ftReference,
    ftDataSet,
    ftOraBlob,
    ftOraClob,
    ftVariant,
    ftInterface,
    ftIDispatch,
    ftGuid,
    ftTimeStamp,
    ftFMTBcd
};

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

// The platform's name of a field type ("ftString").
const char* FieldTypeName(TFieldType type);
// Bytes of a field type's stored value (ftString: size + 1); 0 for blob types
// and for types without a stored form.
int FieldDataSize(TFieldType type, int size);
bool IsBlobType(TFieldType type);

class TField {
  public:
    TField(TDataSet& dataSet, std::string fieldName, TFieldType type, int size, TFieldKind kind);
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    TDataSet& DataSet() const { return *dataSet_; }
    const std::string& FieldName() const { return fieldName_; }
    TFieldType DataType() const { return dataType_; }
    // Characters for text fields, decimal places for ftBCD, 0 otherwise.
    int Size() const { return size_; }
    // Bytes of the stored value.
    int DataSize() const { return FieldDataSize(dataType_, size_); }
    TFieldKind FieldKind() const { return fieldKind_; }
    bool Calculated() const { return fieldKind_ == fkCalculated; }
    bool Lookup() const { return fieldKind_ == fkLookup; }
    bool IsBlob() const { return IsBlobType(dataType_); }
    // Position in the dataset's field list.
    int Index() const { return index_; }

    // Component name, by convention table name + field name ("tBazanazwisko").
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    const std::string& DisplayLabel() const { return displayLabel_; }
    void SetDisplayLabel(std::string label) { displayLabel_ = std::move(label); }
    // The display label, or the field name when there is none.
    const std::string& DisplayName() const {
        return displayLabel_.empty() ? fieldName_ : displayLabel_;
    }
    bool Required() const { return required_; }
    void SetRequired(bool required) { required_ = required; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

    // A lookup field (fkLookup) takes LookupResultField of the record of
    // LookupDataSet whose LookupKeyFields equal this record's KeyFields
    // (names joined by ';'). The lookup dataset is not owned.
    TDataSet* LookupDataSet() const { return lookupDataSet_; }
    void SetLookupDataSet(TDataSet* dataSet) { lookupDataSet_ = dataSet; }
    const std::string& KeyFields() const { return keyFields_; }
    void SetKeyFields(std::string names) { keyFields_ = std::move(names); }
    const std::string& LookupKeyFields() const { return lookupKeyFields_; }
    void SetLookupKeyFields(std::string names) { lookupKeyFields_ = std::move(names); }
    const std::string& LookupResultField() const { return lookupResultField_; }
    void SetLookupResultField(std::string name) { lookupResultField_ = std::move(name); }

    bool IsNull() const;

    // Edit text: text as it is, integers in decimal, "" for null.
    std::string AsString() const;
    // The text of a string field without a copy, valid until the active
    // record changes; other types give their AsString() kept in the field.
    std::string_view AsStringView() const;
    void SetAsString(std::string_view text);
    std::string Text() const { return AsString(); }
    void SetText(std::string_view text) { SetAsString(text); }

    int32_t AsInteger() const;
    void SetAsInteger(int32_t value);
    int64_t AsLargeInt() const;
    void SetAsLargeInt(int64_t value);
    double AsFloat() const;
    void SetAsFloat(double value);
    bool AsBoolean() const;
    void SetAsBoolean(bool value);
    // Days since 30 December 1899 plus the fraction of the day.
    double AsDateTime() const;
    void SetAsDateTime(double value);
    // Fixed-point with 4 decimals, scaled by 10000.
    int64_t AsCurrency() const;
    void SetAsCurrency(int64_t scaled);
    std::u16string AsWideString() const;
    void SetAsWideString(std::u16string_view text);

    // The value as a typed value (null when the field is null).
    TVariant Value() const;
    void SetValue(const TVariant& value);
    // The value the record had in the store before the current edit.
    TVariant OldValue() const;

    void Clear();

  private:
    friend class TDataSet;

    // Raw access to the active record's stored value.
    const unsigned char* ValueBytes() const;
    void SetValueBytes(const void* bytes);
    [[noreturn]] void ThrowConvert(std::string_view text, const char* kind) const;
    void CheckRange(int64_t value, int64_t low, int64_t high) const;

    TDataSet* dataSet_;
    std::string fieldName_;
    TFieldType dataType_;
    int size_;
    TFieldKind fieldKind_;
    int index_ = -1;
    std::string name_;
    std::string displayLabel_;
    bool visible_ = true;
    bool required_ = false;
    bool readOnly_ = false;
    TDataSet* lookupDataSet_ = nullptr;
    std::string keyFields_;
    std::string lookupKeyFields_;
    std::string lookupResultField_;
    mutable std::string textCache_;
    // Storage slot the owning dataset assigned at open (-1 when none), kept
    // here so field access needs no lookup.
    int bindIndex_ = -1;
};

}  // namespace spisotek
