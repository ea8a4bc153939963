// Writer of the stored table data format, for tests and developer tools.
//
// It writes what the reader reads back unchanged: every description's size
// is the stored size of its type (so no value is cut or left undefined), and
// a signed block (the default) carries null flags for fixed-size values.
// Descriptions are written only for fields a table has, so no wide-text
// description goes unmatched. Values are added record by record, one per
// description in order; a mismatch between values and descriptions raises
// std::logic_error. Single-threaded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "memtable/field.h"

namespace spisotek {

class TdxMemData;

namespace memtable {

class TPersistentWriter {
  public:
    // signed: start with "Ver" and the version (null flags follow); unsigned
    // data has no null flags, so its fixed-size values cannot be null.
    explicit TPersistentWriter(bool withSignature = true, double version = 1.0);

    // size: characters of a text field (ftString, ftWideString); ignored for
    // the other types, whose stored size is fixed.
    void AddField(std::string_view name, TFieldType type, int size = 0);

    // Values of one record, in description order.
    void AddNull();
    void AddText(std::string_view text);
    void AddWideText(std::u16string_view text);
    void AddBlob(std::string_view bytes);
    // The stored bytes of a fixed-size value (exactly the type's stored size).
    void AddFixed(const void* bytes, size_t size);
    void AddInteger(int64_t value);
    void AddDouble(double value);
    void AddBoolean(bool value);

    // The data written so far; every record must be complete.
    std::string Data() const;

    // The stored data of every visible record of an open table (its stored
    // fields, RecId included), as TdxMemPersistent loads it back.
    static std::string FromTable(TdxMemData& table);

  private:
    struct Column {
        TFieldType type;
        int32_t size;
    };
    const Column& NextColumn();
    void PutInt32(int32_t value);

    bool signed_;
    double version_;
    std::string descriptions_;
    std::string records_;
    std::vector<Column> columns_;
    int32_t fieldCount_ = 0;
    size_t next_ = 0;
};

}  // namespace memtable
}  // namespace spisotek
