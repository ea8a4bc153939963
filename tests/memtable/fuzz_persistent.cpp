// Stored table data from untrusted bytes: the header reader, the record
// reader with every description matched and with none, and the load into a
// table must end in the records read so far or "The data is incorrect".
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "memtable/db_error.h"
#include "memtable/mem_data.h"
#include "memtable/persistent.h"

using namespace spisotek;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
    try {
        const auto header = memtable::ReadPersistentHeader(data);
        std::vector<memtable::TPersistentTarget> matched;
        for (const auto& description : header.descriptions) {
            const TFieldType type = memtable::PersistentTypeOf(description.typeCode);
            matched.push_back({type == ftUnknown ? ftInteger : type, 20});
        }
        memtable::ReadPersistentRecords(data, header, matched,
                                        [](const std::vector<memtable::TPersistentValue>&) {});
        memtable::ReadPersistentRecords(data, header, {},
                                        [](const std::vector<memtable::TPersistentValue>&) {});
    } catch (const EDataError&) {
    }

    // The whole load into a table with a field of every kind, sorted by one.
    TdxMemData table("tFuzz");
    table.AddField("t", ftString, 8);
    table.AddField("n", ftInteger);
    table.AddField("d", ftFloat);
    table.AddField("w", ftWideString, 8);
    table.AddField("m", ftMemo);
    table.AddField("x", ftLargeint);
    table.SetSortedField("t");
    table.Persistent().SetData(std::string(data));
    try {
        table.Open();
    } catch (const EDataError&) {
    }
    if (table.Active()) {
        int walked = 0;
        for (table.First(); !table.Eof(); table.Next()) {
            (void)table.FieldByName("t").AsString();
            (void)table.FieldByName("w").AsWideString();
            ++walked;
        }
        if (walked != table.RecordCount()) {
            __builtin_trap();
        }
    }
    return 0;
}
