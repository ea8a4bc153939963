// Locate at 1,000,000 records: scan against the sorted store and an index
// on the same keys; LoadDelimitedFile without a sort field, with a text one
// and with an integer one.
//
// The table file is generated once into the temp folder (deterministic
// words with Polish letters). Each Locate benchmark iterates over the same
// 256 keys: full surnames of records spread over the whole table, searched
// case-insensitively by prefix as the directory searches do.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "memtable/mem_data.h"
#include "memtable/mem_index.h"

namespace spisotek {
namespace {

constexpr int kRecords = 1000000;
constexpr int kKeys = 256;

struct Fixture {
    std::string path;
    std::vector<std::string> keys;
};

std::string Word(std::mt19937& random) {
    static const std::string letters =
        "aabcdeefghijkllmnoooprsstuwyz\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF";
    std::uniform_int_distribution<int> length(5, 12);
    std::uniform_int_distribution<size_t> letter(0, letters.size() - 1);
    std::string word;
    for (int n = length(random); n > 0; --n) {
        word.push_back(letters[letter(random)]);
    }
    word[0] = static_cast<char>(word[0] >= 'a' && word[0] <= 'z' ? word[0] - 32 : word[0]);
    return word;
}

const Fixture& Data() {
    static const Fixture fixture = [] {
        Fixture f;
        f.path = (std::filesystem::temp_directory_path() / "memtable_bench.dat").string();
        std::mt19937 random(2026);
        std::vector<std::string> surnames;
        surnames.reserve(kRecords);
        std::string text = "id\tnazwisko\tmiasto\r\n";
        for (int i = 1; i <= kRecords; ++i) {
            surnames.push_back(Word(random));
            text += std::to_string(i) + "\t" + surnames.back() + "\t" + Word(random) + "\r\n";
        }
        std::ofstream(f.path, std::ios::binary) << text;
        for (int k = 0; k < kKeys; ++k) {
            f.keys.push_back(surnames[static_cast<size_t>(k) * (kRecords / kKeys) + 7]);
        }
        return f;
    }();
    return fixture;
}

enum class Mode { kScan, kSorted, kIndex };

std::unique_ptr<TdxMemData> Table(Mode mode) {
    auto table = std::make_unique<TdxMemData>("tBaza");
    table->AddField("id", ftInteger);
    table->AddField("nazwisko", ftString, 30);
    table->AddField("miasto", ftString, 30);
    table->SetSortOptions({soCaseInsensitive});
    if (mode == Mode::kSorted) {
        table->SetSortedField("nazwisko");
    } else if (mode == Mode::kIndex) {
        table->Indexes().Add().SetFieldName("nazwisko");
    }
    table->LoadDelimitedFile(Data().path);
    return table;
}

void BM_Locate(benchmark::State& state, Mode mode) {
    const auto table = Table(mode);
    const auto& keys = Data().keys;
    // Bring an index up to date outside the timing.
    table->Locate("nazwisko", TVariant(keys[0]), {loCaseInsensitive, loPartialKey});
    size_t next = 0;
    int64_t found = 0;
    for (auto _ : state) {
        found += table->Locate("nazwisko", TVariant(keys[next]), {loCaseInsensitive, loPartialKey})
                     ? 1
                     : 0;
        next = (next + 1) % keys.size();
    }
    if (found != state.iterations()) {
        state.SkipWithError("a key was not found");
    }
}
BENCHMARK_CAPTURE(BM_Locate, scan, Mode::kScan)->Unit(benchmark::kMicrosecond)->Iterations(256);
BENCHMARK_CAPTURE(BM_Locate, sorted_field, Mode::kSorted)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Locate, index, Mode::kIndex)->Unit(benchmark::kMicrosecond);

// sortField empty: no sort field.
void BM_Load(benchmark::State& state, const char* sortField, TdxSortOptions options) {
    Data();
    for (auto _ : state) {
        TdxMemData table("tBaza");
        table.AddField("id", ftInteger);
        table.AddField("nazwisko", ftString, 30);
        table.AddField("miasto", ftString, 30);
        table.SetSortOptions(options);
        table.SetSortedField(sortField);
        table.LoadDelimitedFile(Data().path);
        benchmark::DoNotOptimize(table.RecordCount());
    }
}
// Repeated, as one load is short enough for the machine's noise to show;
// compare the medians. The first sorted load of a process also builds the
// per-byte weight tables once (in the first repetition only).
BENCHMARK_CAPTURE(BM_Load, plain, "", TdxSortOptions{})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_Load, sorted_field, "nazwisko", TdxSortOptions{soCaseInsensitive})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
// An integer field, reversed.
BENCHMARK_CAPTURE(BM_Load, sorted_integer, "id", TdxSortOptions{soDesc})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace spisotek

BENCHMARK_MAIN();
