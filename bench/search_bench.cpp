// The search's throughput on the typical 64 x 64 map (the README's example
// arguments): seeds per second with 1 and 2 workers, and the two halves of
// one seed's cost, making the map and measuring it.

#include <benchmark/benchmark.h>

#include <array>
#include <string_view>

#include "tarnixmap/fairness/fairness.h"
#include "tarnixmap/fairness/search.h"
#include "tarnixrandommap/run/generate.h"

namespace tarnix {
namespace {

MapParams typical() {
  const std::array<std::string_view, kArgumentCount> values = {
      "Cave", "64", "64", "4", "500", "5", "300", "40", "200", "200", "20", "10"};
  return convert_arguments(values);
}

void BM_SearchSeeds(benchmark::State& state) {
  const MapParams params = typical();
  SearchOptions options;
  options.threads = static_cast<unsigned>(state.range(0));
  constexpr std::uint64_t kSeeds = 50000;
  std::uint32_t from = 1700000000;
  for (auto _ : state) {
    SearchProgress progress;
    const SearchResult result = search_seeds(params, {from, kSeeds}, options, progress, [] {});
    benchmark::DoNotOptimize(result.best.data());
    from += kSeeds;
  }
  state.counters["seeds/s"] =
      benchmark::Counter(static_cast<double>(kSeeds) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SearchSeeds)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_MakeOneMap(benchmark::State& state) {
  const MapParams params = typical();
  std::optional<TileGrid> grid = TileGrid::create(params.width, params.height);
  std::uint32_t seed = 1700000000;
  for (auto _ : state) {
    init_grid(*grid);
    const PhaseReports reports = place_phases(params, *grid, seed++);
    benchmark::DoNotOptimize(reports.hearts);
  }
}
BENCHMARK(BM_MakeOneMap);

void BM_MeasureOneMap(benchmark::State& state) {
  const MapParams params = typical();
  std::optional<TileGrid> grid = TileGrid::create(params.width, params.height);
  init_grid(*grid);
  const PhaseReports reports = place_phases(params, *grid, 1700000000);
  const Disc disc(kDefaultRadius);
  std::array<StartFigures, kMaxPlayers> starts{};
  for (auto _ : state) {
    measure_starts(*grid, reports.hearts->placed(), disc, starts);
    benchmark::DoNotOptimize(judge(starts).score);
  }
}
BENCHMARK(BM_MeasureOneMap);

}  // namespace
}  // namespace tarnix

BENCHMARK_MAIN();
