// Generated subscriber files for the benchmarks, written once per size into
// the temp folder and reused by later runs.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "tools/directory_generator.h"

namespace spisotek::bench {

// A folder (with trailing '/') holding a baza.dat of `entries` entries.
inline std::string SubscriberFolder(std::size_t entries) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("spisotek-bench-" + std::to_string(entries));
    const std::filesystem::path file = folder / "baza.dat";
    if (!std::filesystem::exists(file)) {
        std::filesystem::create_directories(folder);
        const std::string partial = (folder / "baza.dat.part").string();
        tools::WriteSubscriberFile(partial, entries, 1);
        std::filesystem::rename(partial, file);
    }
    return folder.string() + "/";
}

}  // namespace spisotek::bench
