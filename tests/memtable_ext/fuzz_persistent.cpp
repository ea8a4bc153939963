// Stored table data from untrusted bytes: the header reader, the record
// reader with every description matched and with none, and the load into a
// table must end in the records read so far or "The data is incorrect".
#include <cstddef>
#include <cstdint>
#include <string_view>

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
        size_t values = 0;
        memtable::ReadPersistentRecords(data, header, matched,
                                        [&](const std::vector<memtable::TPersistentValue>& record) {
                                            values += record.size();
                                        });
        memtable::ReadPersistentRecords(data, header, {},
                                        [&](const std::vector<memtable::TPersistentValue>&) {});
    } catch (const EDataError&) {
    }
    return 0;
}
