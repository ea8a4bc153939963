// The control-file reader and the version parser over arbitrary bytes: every
// value read back must respect the reader's limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "webupdate/civil_time.h"
#include "webupdate/profile_file.h"
#include "webupdate/version_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace spisotek::webupdate;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ProfileFile profile = ProfileFile::FromText(text);

    static const char* const kKeys[][2] = {
        {"update", "newversion"}, {"update", "date"},
        {"update", "descr"},      {"files", "count"},
        {"file1", "url"},         {"file1", "newversion"},
        {"file1", "newchecksum"}, {"application", "appcomps"},
    };
    for (const auto& key : kKeys) {
        const std::string value = profile.ReadString(key[0], key[1]);
        if (value.size() > kMaxProfileValue) {
            std::abort();
        }
        const VersionPair version = ParseVersion(value);
        if (IsValidVersion(version) && ParseVersion(VersionToText(version)).high != version.high) {
            std::abort();
        }
        const std::int32_t number = profile.ReadInteger(key[0], key[1], 7);
        if (!ParseProfileInteger(value) && number != 7) {
            std::abort();
        }
    }
    // Dates and times under the default formats and a reordered one.
    const CivilTime today = MakeCivilTime(CivilFields{2026, 12, 11, 0, 0, 0});
    for (const char* key : {"date", "time"}) {
        const std::string value = profile.ReadString("update", key);
        for (const auto& [format, separator] :
             {std::pair{"dd/mm/yyyy", '/'}, std::pair{"yyyy-mm-dd", '-'}}) {
            if (const auto date = ParseDateText(value, format, separator, today)) {
                const CivilFields fields = SplitCivilTime(*date);
                if (!IsValidDate(fields.year, fields.month, fields.day)) {
                    std::abort();
                }
            }
        }
        if (const auto seconds = ParseTimeText(value, "hh:nn", ':')) {
            if (*seconds < 0 || *seconds >= 86400) {
                std::abort();
            }
        }
    }
    // The raw bytes as one version text too.
    ParseVersion(text.substr(0, 256));
    return 0;
}
