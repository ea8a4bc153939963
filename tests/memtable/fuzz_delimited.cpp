// Arbitrary bytes as a delimited table file: the load must end in a usable
// table or one of the memory table's errors, never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "memtable/mem_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace spisotek;
    TdxMemData table("tBaza");
    table.AddField("clientid", ftInteger);
    table.AddField("nazwisko", ftString, 10);
    table.AddField("miasto", ftString, 100);
    table.AddField("szeroki", ftWideString, 8);
    table.AddField("kwota", ftBCD);
    table.AddField("dzien", ftDate);
    try {
        table.LoadDelimitedData(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const EDataError&) {
    }
    if (!table.Active()) {
        return 0;
    }
    try {
        table.Locate("nazwisko;miasto", TVariant::Array({"K", "o"}),
                     TLocateOptions{loCaseInsensitive, loPartialKey});
        for (; !table.Eof(); table.Next()) {
            for (int i = 0; i < table.FieldCount(); ++i) {
                (void)table.Field(i).AsString();
            }
        }
        if (table.RecordCount() > 0) {
            table.First();
            table.Delete();
        }
        table.Append();
        table.Post();
    } catch (const EDataError&) {
    }
    return 0;
}
