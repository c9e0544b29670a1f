// The search's throughput on the typical 64 x 64 map (the README's example
// arguments): seeds per second with 1 and 2 workers, with the default
// weights and with every dig-time weight 0; and the parts of one seed's
// cost: making the map, the straight-line figures, the flood that finds a
// sealed map, and the two kinds of dig-time wave; and the waves on a
// serpentine map with cheap and dear costs; and a preview of the
// designer's page.

#include <benchmark/benchmark.h>

#include <array>
#include <string_view>
#include <vector>

#include "tarnixmap/fairness/dig_time.h"
#include "tarnixmap/fairness/measure.h"
#include "tarnixmap/fairness/sealing.h"
#include "tarnixmap/fairness/search.h"
#include "tarnixmap/race/race.h"
#include "tarnixmap/server/preview.h"
#include "tarnixrandommap/run/generate.h"

namespace tarnix {
namespace {

MapParams typical() {
  const std::array<std::string_view, kArgumentCount> values = {
      "Cave", "64", "64", "4", "500", "5", "300", "40", "200", "200", "20", "10"};
  return convert_arguments(values);
}

// Arg 0: workers; arg 1: 1 for the default weights, 0 for every dig-time
// weight 0 (the straight-line score alone).
void BM_SearchSeeds(benchmark::State& state) {
  const MapParams params = typical();
  SearchOptions options;
  options.threads = static_cast<unsigned>(state.range(0));
  if (state.range(1) == 0) {
    for (std::size_t f = 0; f < kFigureCount; ++f) {
      if (kFigures[f].dig_time) options.measure.weights[f] = 0;
    }
    options.measure.weights[static_cast<std::size_t>(Figure::kGoldNear)] = 3;
    options.measure.weights[static_cast<std::size_t>(Figure::kGemsNear)] = 2;
  }
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
BENCHMARK(BM_SearchSeeds)
    ->Args({1, 1})
    ->Args({2, 1})
    ->Args({1, 0})
    ->Args({2, 0})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

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

// Typical maps, made once and measured in turn: a measure repeated on one
// map alone would let the branch predictor learn that map by heart.
struct SomeMaps {
  static constexpr std::size_t kMaps = 64;
  SomeMaps() {
    for (std::uint32_t i = 0; i < kMaps; ++i) {
      TileGrid& grid = grids.emplace_back(*TileGrid::create(64, 64));
      init_grid(grid);
      hearts.push_back(*place_phases(typical(), grid, 1700000000 + i).hearts);
    }
  }
  std::vector<TileGrid> grids;
  std::vector<HeartTable> hearts;
  std::array<StartFigures, kMaxPlayers> starts{};
  std::span<StartFigures> players() { return std::span(starts).first(4); }
};

// Every figure and the score, as check measures a map.
void BM_MeasureOneMap(benchmark::State& state) {
  SomeMaps maps;
  Measurer measurer;
  const MeasureOptions options;
  std::size_t i = 0;
  for (auto _ : state) {
    const MapMeasure measure = measurer.measure(maps.grids[i], maps.hearts[i].placed(), options);
    benchmark::DoNotOptimize(measure.fairness.score);
    i = (i + 1) % SomeMaps::kMaps;
  }
}
BENCHMARK(BM_MeasureOneMap)->Unit(benchmark::kMicrosecond);

void BM_StraightLineFigures(benchmark::State& state) {
  SomeMaps maps;
  std::size_t i = 0;
  const Disc disc(kDefaultRadius);
  for (auto _ : state) {
    measure_near(maps.grids[i], maps.hearts[i].placed(), disc, maps.players());
    benchmark::DoNotOptimize(maps.starts[0].gold_near);
    i = (i + 1) % SomeMaps::kMaps;
  }
}
BENCHMARK(BM_StraightLineFigures)->Unit(benchmark::kMicrosecond);

void BM_SealCheck(benchmark::State& state) {
  SomeMaps maps;
  std::size_t i = 0;
  SealCheck seal;
  const CostTable costs;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        seal.check(maps.grids[i], maps.hearts[i].placed(), costs, maps.players()));
    i = (i + 1) % SomeMaps::kMaps;
  }
}
BENCHMARK(BM_SealCheck)->Unit(benchmark::kMicrosecond);

// A benchmark's argument as the code that runs the wave of all players: 0
// the bucket queue, 1 the plain bits, 2 the bits with AVX2.
WaveKernel kernel_of(std::int64_t arg) {
  constexpr std::array<WaveKernel, 3> kKernels = {WaveKernel::kQueue, WaveKernel::kPlain,
                                                  WaveKernel::kAvx2};
  return kKernels[static_cast<std::size_t>(arg)];
}

// The wave of all players at once: gold_first, gems_first, portals_first,
// territory. Arg: the kernel, 0 the bucket queue, 1 the plain bits, 2 the
// bits with AVX2.
void BM_DigFirst(benchmark::State& state) {
  SomeMaps maps;
  std::size_t i = 0;
  DigTimes dig;
  dig.use(kernel_of(state.range(0)));
  dig.keep_first_reachers(false);  // as a search measures
  const CostTable costs;
  for (auto _ : state) {
    dig.measure_first(maps.grids[i], maps.hearts[i].placed(), costs, maps.players());
    benchmark::DoNotOptimize(maps.starts[0].territory);
    i = (i + 1) % SomeMaps::kMaps;
  }
}
BENCHMARK(BM_DigFirst)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The wave of all players on other shapes: the typical map's contents
// grown with its area. Args: the width, the height (0: as the width), and
// the kernel as for BM_DigFirst. The boards step every row a wave front spans, the queue only
// the squares it settles: this shows where the queue overtakes them.
void BM_DigFirstByShape(benchmark::State& state) {
  const auto width = static_cast<std::int32_t>(state.range(0));
  const auto height = static_cast<std::int32_t>(state.range(1) == 0 ? width : state.range(1));
  const std::int64_t area = std::int64_t{width} * height / 4096;  // in typical maps
  const std::array<std::string, kArgumentCount> texts = {
      "Big",
      std::to_string(width),
      std::to_string(height),
      "4",
      "500",
      std::to_string(5 * area),
      std::to_string(300 * area),
      std::to_string(40 * area),
      std::to_string(200 * area),
      std::to_string(200 * area),
      std::to_string(20 * std::min(width, height) / 64),
      "10"};
  std::array<std::string_view, kArgumentCount> values{};
  std::copy(texts.begin(), texts.end(), values.begin());
  const MapParams params = convert_arguments(values);
  std::vector<TileGrid> grids;
  std::vector<HeartTable> hearts;
  for (std::uint32_t seed = 1700000000; grids.size() < 8; ++seed) {
    TileGrid grid = *TileGrid::create(width, height);
    init_grid(grid);
    const PhaseReports reports = place_phases(params, grid, seed);
    if (!reports.hearts) continue;
    hearts.push_back(*reports.hearts);
    grids.push_back(std::move(grid));
  }
  DigTimes dig;
  dig.use(kernel_of(state.range(2)));
  dig.keep_first_reachers(false);
  const CostTable costs;
  std::array<StartFigures, kMaxPlayers> starts{};
  std::size_t i = 0;
  for (auto _ : state) {
    dig.measure_first(grids[i], hearts[i].placed(), costs, std::span(starts).first(4));
    benchmark::DoNotOptimize(starts[0].territory);
    i = (i + 1) % grids.size();
  }
}
BENCHMARK(BM_DigFirstByShape)
    ->ArgsProduct({{64, 96, 128, 192, 256, 512}, {64}, {0, 2}})
    ->ArgsProduct({{96, 128, 192, 256, 512}, {0}, {0, 2}})
    ->ArgsProduct({{64}, {128, 256, 512}, {0, 2}})
    ->Unit(benchmark::kMicrosecond);

// The digging race of a typical map, with the default options.
void BM_RaceOneMap(benchmark::State& state) {
  SomeMaps maps;
  Race race;
  const RaceOptions options;
  std::size_t i = 0;
  for (auto _ : state) {
    const std::vector<RacePlayer> players =
        race.run(maps.grids[i], maps.hearts[i].placed(), options);
    benchmark::DoNotOptimize(players.data());
    i = (i + 1) % SomeMaps::kMaps;
  }
}
BENCHMARK(BM_RaceOneMap)->Unit(benchmark::kMillisecond);

// Each player's own wave: gold_within, portal_time, rival_time.
void BM_DigOwn(benchmark::State& state) {
  SomeMaps maps;
  std::size_t i = 0;
  DigTimes dig;
  const CostTable costs;
  for (auto _ : state) {
    dig.measure_own(maps.grids[i], maps.hearts[i].placed(), costs, kDefaultReach, maps.players());
    benchmark::DoNotOptimize(maps.starts[0].rival_time);
    i = (i + 1) % SomeMaps::kMaps;
  }
}
BENCHMARK(BM_DigOwn)->Unit(benchmark::kMicrosecond);

// A map whose only way through is one corridor winding from side to side
// (as bench/serpentine_map.py draws it): the longest dig times a map of its
// size can have.
struct Serpentine {
  explicit Serpentine(std::int32_t side) : grid(*TileGrid::create(side, side)) {
    init_grid(grid);
    const std::int32_t top = 4;
    const std::int32_t bottom = side - 5;
    for (std::int32_t y = top + 3; y < bottom - 2; y += 2) {
      const std::int32_t gap = (y / 2) % 2 != 0 ? 2 : side - 3;
      for (std::int32_t x = 2; x < side - 2; ++x) {
        if (x != gap) grid.at(x, y) = tile::kLava;
      }
    }
    hearts = {HeartCentre{4, top}, HeartCentre{side - 5, bottom}};
  }
  TileGrid grid;
  std::array<HeartCentre, 2> hearts;
  std::array<StartFigures, 2> starts{};
};

// Both waves of a 1023 x 1023 serpentine. Arg: the dig time of rock, 3 (the
// default) or 1000: the waves' work must not grow with the costs.
void BM_DigSerpentine(benchmark::State& state) {
  Serpentine map(1023);
  CostTable costs;
  costs.set(tile::kRock, static_cast<std::uint16_t>(state.range(0)));
  DigTimes dig;
  for (auto _ : state) {
    dig.measure_first(map.grid, map.hearts, costs, map.starts);
    dig.measure_own(map.grid, map.hearts, costs, kDefaultReach, map.starts);
    benchmark::DoNotOptimize(map.starts[0].rival_time);
  }
}
BENCHMARK(BM_DigSerpentine)->Arg(3)->Arg(1000)->Unit(benchmark::kMillisecond);

// What the designer's page waits for after a change: the typical map made,
// its file written to memory, measured and drawn twice (the map and its
// territory). The page's aim: at most 50 ms.
void BM_PreviewTypicalMap(benchmark::State& state) {
  MapRequest request;
  request.params = typical();
  std::uint32_t seed = 1;
  for (auto _ : state) {
    request.seed = seed++;
    const Preview preview = make_preview(request);
    benchmark::DoNotOptimize(preview.territory_png.size());
  }
}
BENCHMARK(BM_PreviewTypicalMap)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarnix

BENCHMARK_MAIN();
