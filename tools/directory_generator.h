// Synthetic directory data for demonstrations, tests and benchmarks.
//
// Writes the three data files and the two list files of a program folder
// in Windows-1250 with CR LF line ends. The same options and seed always
// give the same bytes. Names, localities, streets and numbers are drawn
// from Polish lists with a skew towards the first items, so common
// surnames (NOWAK first) and localities (Kraków first) recur often enough
// for searches to find several entries even in small files.
//
// Throws std::runtime_error naming the file when one cannot be written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace spisotek::tools {

struct GeneratorOptions {
    std::size_t subscribers = 5000;
    // Companies in firmy_2.dat; each has one to five entries in baza_firm.dat.
    std::size_t companies = 200;
    std::uint64_t seed = 1;
    // Only baza.dat (for benchmarks of the subscriber search).
    bool subscribersOnly = false;
};

// folder ends with '/' or is empty for the current folder.
void GenerateDirectory(const std::string& folder, const GeneratorOptions& options);

// baza.dat alone, written to path.
void WriteSubscriberFile(const std::string& path, std::size_t subscribers, std::uint64_t seed);

}  // namespace spisotek::tools
