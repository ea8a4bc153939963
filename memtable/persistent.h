// Stored table data: records a memory table carries with its settings and
// loads when it opens (TdxMemPersistent), and the reader of their binary
// table format.
//
// The format (little-endian): an optional signature "Ver" + IEEE double
// version; int32 field count; per field int32 size, int16 type code, int16
// name length (at most 255) and the name; then records until the data ends,
// one value per description. The reader never trusts a length: every length
// is checked against the bytes left before anything is allocated, so
// truncated or hostile data ends in "The data is incorrect" (a name length
// outside 0..255) or in the records read so far. Single-threaded.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "memtable/field.h"

namespace spisotek {

class TdxMemData;

enum TdxPersistentOption { poNone, poActive, poLoad };

// The stored data of one table. Owned by the table; loading replaces the
// table's records (see TdxMemData::LoadPersistentData).
class TdxMemPersistent {
  public:
    explicit TdxMemPersistent(TdxMemData& owner) : owner_(&owner) {}
    TdxMemPersistent(const TdxMemPersistent&) = delete;
    TdxMemPersistent& operator=(const TdxMemPersistent&) = delete;

    TdxPersistentOption Option() const { return option_; }
    void SetOption(TdxPersistentOption option) { option_ = option; }
    const std::string& Data() const { return data_; }
    void SetData(std::string data) { data_ = std::move(data); }
    bool HasData() const { return !data_.empty(); }
    bool Loading() const { return loading_; }

    // Copies Option and the data.
    void Assign(const TdxMemPersistent& other) {
        option_ = other.option_;
        data_ = other.data_;
    }

    // Loads the data into the owning table when there is data and no load
    // runs. Raises EDatabaseError "The data is incorrect" for a bad name
    // length; the table then stays open and empty.
    void LoadData();

  private:
    TdxMemData* owner_;
    TdxPersistentOption option_ = poActive;
    std::string data_;
    bool loading_ = false;
};

namespace memtable {

// Type code of the format -> field type (ftUnknown for an unknown code).
TFieldType PersistentTypeOf(int code);
// Field type -> type code (0 for a type the format cannot hold).
int PersistentCodeOf(TFieldType type);

struct TPersistentDescription {
    int32_t size = 0;
    int16_t typeCode = 0;
    std::string name;
};

struct TPersistentHeader {
    double version = 0;
    std::vector<TPersistentDescription> descriptions;
    size_t recordsStart = 0;  // offset of the first record
};

// Reads the signature and the descriptions. A description cut short ends the
// list. Raises EDatabaseError "The data is incorrect" for a name length
// outside 0..255.
TPersistentHeader ReadPersistentHeader(std::string_view data);

// What a description's values become: the type of the table field it
// matched (its value kind), or ftUnknown when it matched none (its values
// are skipped by the kind of their type code).
struct TPersistentTarget {
    TFieldType type = ftUnknown;
    int textSize = 0;  // characters kept of a text value
};

// One value read for a matched description.
struct TPersistentValue {
    bool isNull = true;
    std::string bytes;    // text, blob, or the fixed-size bytes as stored
    std::u16string wide;  // wide text
};

// Reads records from header.recordsStart until the data ends, handing each
// complete record to onRecord (one value per description; unmatched ones
// stay null). A record cut short by the end of the data, or one whose
// lengths cannot be right, is dropped and reading stops. Returns the number
// of records handed over.
int ReadPersistentRecords(
    std::string_view data, const TPersistentHeader& header,
    const std::vector<TPersistentTarget>& targets,
    const std::function<void(const std::vector<TPersistentValue>&)>& onRecord);

}  // namespace memtable

}  // namespace spisotek
