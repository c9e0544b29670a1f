#include "tarnixmap/race/race_ranking.h"

#include <algorithm>
#include <new>
#include <thread>

#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/run/generate.h"
#include "tarnixrandommap/run/symmetric_phases.h"

namespace tarnix {

bool races_before(const RankedSeed& a, const RankedSeed& b) {
  if (a.race_fairness.has_value() != b.race_fairness.has_value())
    return a.race_fairness.has_value();
  if (a.race_fairness && *a.race_fairness != *b.race_fairness)
    return *a.race_fairness < *b.race_fairness;
  return ranks_before(a, b);
}

RaceOutcome race_best(const MapParams& params, std::optional<Symmetry> symmetry,
                      const RaceOptions& options, std::size_t count, unsigned threads,
                      std::vector<RankedSeed>& best, const std::atomic<bool>& stop,
                      std::atomic<std::uint64_t>& raced) {
  count = std::min(count, best.size());
  std::vector<std::optional<double>> fairness(count);
  std::atomic<std::size_t> next{0};
  std::atomic<bool> no_memory{false};
  const auto work = [&] {
    try {
      std::optional<TileGrid> grid = TileGrid::create(params.width, params.height);
      if (!grid) throw std::bad_alloc();
      Race race;
      for (std::size_t i = next++; i < count && !stop && !no_memory; i = next++) {
        init_grid(*grid);
        const PhaseReports reports = place_map(params, *grid, best[i].seed, symmetry);
        // A ranked seed has a map; its hearts are the ones the map file lists.
        fairness[i] = race_fairness(race.run(*grid, reports.hearts->placed(), options));
        ++raced;
      }
    } catch (const std::bad_alloc&) {
      no_memory = true;
    }
  };
  const unsigned workers = static_cast<unsigned>(
      std::min<std::size_t>(std::max(1U, threads), std::max<std::size_t>(count, 1)));
  std::vector<std::thread> pool;
  for (unsigned w = 1; w < workers; ++w)
    pool.emplace_back(work);
  work();
  for (std::thread& worker : pool)
    worker.join();
  if (no_memory) return RaceOutcome::kOutOfMemory;
  if (stop) return RaceOutcome::kStopped;
  for (std::size_t i = 0; i < count; ++i)
    best[i].race_fairness = fairness[i];
  std::stable_sort(best.begin(), best.begin() + static_cast<std::ptrdiff_t>(count), races_before);
  return RaceOutcome::kRaced;
}

}  // namespace tarnix
