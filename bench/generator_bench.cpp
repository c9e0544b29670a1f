// Micro-benchmarks of the grid, each placement phase and the map file writer
// at three map sizes. Counts grow with the map as a batch script's would: the
// typical run's at 64 x 64, the huge run's at 8192 x 8192.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/mapfile/map_file.h"
#include "tarnixrandommap/placement/clusters.h"
#include "tarnixrandommap/placement/gems.h"
#include "tarnixrandommap/placement/hearts.h"
#include "tarnixrandommap/placement/portals.h"
#include "tarnixrandommap/random/random.h"

namespace tarnix {
namespace {

struct Load {
  std::int32_t side;
  std::int32_t vosk_spacing;
  std::int32_t portal_spacing;
  std::int32_t portals;
  std::int32_t gems;
  std::int32_t material;  // gold, lava and water each
};

Load load_for(std::int64_t side) {
  if (side <= 64) return {64, 25, 14, 5, 40, 200};
  if (side <= 1024) return {1024, 505, 54, 50, 2000, 20000};
  return {8192, 2005, 104, 200, 20000, 200000};
}

TileGrid framed(std::int32_t side) {
  std::optional<TileGrid> grid = TileGrid::create(side, side);
  if (!grid) std::abort();
  init_grid(*grid);
  return std::move(*grid);
}

// A map as it stands when the named phase starts, and the generator with it.
struct Stage {
  TileGrid grid;
  Random rng;
  HeartTable hearts;
};

enum class Phase { kHearts, kPortals, kGems, kClusters, kWrite };

Stage stage_before(const Load& load, Phase phase) {
  Stage s{framed(load.side), Random(1700000000U), {}};
  if (phase == Phase::kHearts) return s;
  s.hearts = place_hearts(s.grid, s.rng, 4, load.vosk_spacing).value();
  if (phase == Phase::kPortals) return s;
  benchmark::DoNotOptimize(
      place_portals(s.grid, s.rng, s.hearts.placed(), load.portals, load.portal_spacing));
  if (phase == Phase::kGems) return s;
  benchmark::DoNotOptimize(place_gems(s.grid, s.rng, load.gems));
  if (phase == Phase::kClusters) return s;
  benchmark::DoNotOptimize(
      place_clusters(s.grid, s.rng, load.material, load.material, load.material));
  return s;
}

// A new grid every time, page faults included. (A grid under 2 MiB comes from
// the heap, which here reuses the previous iteration's memory.)
void BM_CreateAndInitGrid(benchmark::State& state) {
  const auto side = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    std::optional<TileGrid> grid = TileGrid::create(side, side);
    init_grid(*grid);
    benchmark::DoNotOptimize(grid->cells());
  }
  state.SetBytesProcessed(state.iterations() * side * side);
}

// Framing memory that is already mapped in.
void BM_InitGrid(benchmark::State& state) {
  const auto side = static_cast<std::int32_t>(state.range(0));
  TileGrid grid = framed(side);
  for (auto _ : state) {
    init_grid(grid);
    benchmark::DoNotOptimize(grid.cells());
  }
  state.SetBytesProcessed(state.iterations() * side * side);
}

// Runs one phase on a map prepared (untimed) as the run sequence leaves it.
template <typename Body>
void run_phase(benchmark::State& state, Phase phase, Body body) {
  const Load load = load_for(state.range(0));
  std::optional<Stage> s;
  for (auto _ : state) {
    state.PauseTiming();
    s.reset();  // unmapping a huge grid is not the phase's cost
    s.emplace(stage_before(load, phase));
    state.ResumeTiming();
    body(*s, load);
  }
}

void BM_PlaceHearts(benchmark::State& state) {
  run_phase(state, Phase::kHearts, [](Stage& s, const Load& load) {
    benchmark::DoNotOptimize(place_hearts(s.grid, s.rng, 4, load.vosk_spacing));
  });
}

void BM_PlacePortals(benchmark::State& state) {
  run_phase(state, Phase::kPortals, [](Stage& s, const Load& load) {
    benchmark::DoNotOptimize(
        place_portals(s.grid, s.rng, s.hearts.placed(), load.portals, load.portal_spacing));
  });
}

void BM_PlaceGems(benchmark::State& state) {
  run_phase(state, Phase::kGems, [](Stage& s, const Load& load) {
    benchmark::DoNotOptimize(place_gems(s.grid, s.rng, load.gems));
  });
}

void BM_PlaceClusters(benchmark::State& state) {
  run_phase(state, Phase::kClusters, [](Stage& s, const Load& load) {
    benchmark::DoNotOptimize(
        place_clusters(s.grid, s.rng, load.material, load.material, load.material));
  });
}

// The finished map to a real file in the current directory, fsync included.
void BM_WriteMapFile(benchmark::State& state) {
  const Load load = load_for(state.range(0));
  const Stage s = stage_before(load, Phase::kWrite);
  DiskFileSystem disk;
  const std::string path = "bench_" + std::to_string(load.side) + ".map";
  for (auto _ : state) {
    std::string err;
    if (!write_map_file(disk, path, {"Bench", 4, 500}, s.grid, s.hearts, &err)) {
      state.SkipWithError(err.c_str());
      break;
    }
  }
  unlink(path.c_str());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(s.grid.rows().size()));
}

}  // namespace
}  // namespace tarnix

// Each phase runs on a map prepared afresh (untimed) for every iteration, so
// the iteration counts are fixed per size: letting the library pick them
// would prepare a huge map a hundred thousand times for a phase that takes
// microseconds.
int main(int argc, char** argv) {
  struct Size {
    std::int64_t side;
    benchmark::IterationCount phase_iterations;
  };
  const std::array<Size, 3> sizes = {{{64, 2000}, {1024, 100}, {8192, 10}}};
  const std::array<std::pair<const char*, void (*)(benchmark::State&)>, 7> benchmarks = {{
      {"BM_CreateAndInitGrid", tarnix::BM_CreateAndInitGrid},
      {"BM_InitGrid", tarnix::BM_InitGrid},
      {"BM_PlaceHearts", tarnix::BM_PlaceHearts},
      {"BM_PlacePortals", tarnix::BM_PlacePortals},
      {"BM_PlaceGems", tarnix::BM_PlaceGems},
      {"BM_PlaceClusters", tarnix::BM_PlaceClusters},
      {"BM_WriteMapFile", tarnix::BM_WriteMapFile},
  }};
  for (const auto& [name, function] : benchmarks) {
    for (const Size& size : sizes) {
      auto* b = benchmark::RegisterBenchmark(name, function)->Arg(size.side);
      b->Unit(benchmark::kMicrosecond);
      const std::string_view n = name;
      if (n.starts_with("BM_Place")) b->Iterations(size.phase_iterations);
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
