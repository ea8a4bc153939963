// Load, locate and scan costs of the subscriber search on generated data.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_data.h"
#include "memtable/variant.h"
#include "search/directory_search.h"
#include "search/text_match.h"

namespace spisotek::bench {
namespace {

class NullView : public search::SearchView {
  public:
    void LoadPage(const search::HtmlPage& page) override { bytes_ += page.Size(); }
    void SetViewerVisible(bool) override {}
    void ShowMessage(const std::string&) override {}
    std::size_t bytes_ = 0;
};

void BM_LoadDelimitedFile(benchmark::State& state) {
    const std::string file = SubscriberFolder(state.range(0)) + "baza.dat";
    search::DirectoryTables tables;
    for (auto _ : state) {
        tables.tBaza.LoadDelimitedFile(file);
        benchmark::DoNotOptimize(tables.tBaza.RecordCount());
        tables.tBaza.SetActive(false);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Locate on "nazwisko;miasto" with both options, then Next to the end,
// reading the two tested fields of every entry. The table is loaded once.
void BM_LocateAndScan(benchmark::State& state) {
    const std::string file = SubscriberFolder(state.range(0)) + "baza.dat";
    search::DirectoryTables tables;
    tables.tBaza.LoadDelimitedFile(file);
    tables.tBaza.SetActive(true);
    const TVariant keys = TVariant::Array({TVariant("NOWAK"), TVariant("Kra")});
    const std::string surname = search::FoldAscii("NOWAK");
    const std::string locality = search::FoldAscii("Kra");
    std::size_t accepted = 0;
    for (auto _ : state) {
        tables.tBaza.First();
        if (!tables.tBaza.Locate("nazwisko;miasto", keys,
                                 TLocateOptions{loCaseInsensitive, loPartialKey})) {
            state.SkipWithError("nothing located");
            break;
        }
        accepted = 0;
        while (!tables.tBaza.Eof()) {
            if (search::StartsWithFolded(tables.tBazamiasto->AsStringView(), locality) &&
                search::StartsWithFolded(tables.tBazanazwisko->AsStringView(), surname)) {
                ++accepted;
            }
            tables.tBaza.Next();
        }
        benchmark::DoNotOptimize(accepted);
    }
    state.counters["accepted"] = static_cast<double>(accepted);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The whole subscriber search as the window runs it, page included.
void BM_SubscriberSearch(benchmark::State& state) {
    const std::string folder = SubscriberFolder(state.range(0));
    search::DirectoryTables tables;
    const search::SubscriberInput input{"NOWAK", "Kra", ""};
    std::size_t accepted = 0;
    for (auto _ : state) {
        NullView view;
        accepted = search::RunSubscriberSearch(tables, folder, input, view).acceptedEntries;
        benchmark::DoNotOptimize(view.bytes_);
    }
    state.counters["accepted"] = static_cast<double>(accepted);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_LoadDelimitedFile)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocateAndScan)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SubscriberSearch)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace spisotek::bench

BENCHMARK_MAIN();
