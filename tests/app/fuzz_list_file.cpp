// Any bytes split into list items: no item holds a line break or a byte 0,
// and items written back one per line (CR LF) split into the same items.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/list_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto items = spisotek::app::SplitListLines(bytes);
    std::string written;
    size_t total = 0;
    for (const std::string& item : items) {
        if (item.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
            std::abort();
        }
        total += item.size();
        written += item;
        written += "\r\n";
    }
    if (total > size || spisotek::app::SplitListLines(written) != items) {
        std::abort();
    }
    return 0;
}
