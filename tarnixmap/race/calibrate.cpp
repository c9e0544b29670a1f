#include "tarnixmap/race/calibrate.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numeric>
#include <thread>

#include "tarnixmap/fairness/score.h"
#include "tarnixrandommap/grid/tile_grid.h"

namespace tarnix {

namespace {

// What one seed came to.
struct SeedSample {
  enum class Kind : std::uint8_t { kWithoutMap, kSealed, kSampled } kind = Kind::kWithoutMap;
  CalibrationSample sample;
};

// The ranks of `values` from 1, ties sharing the mean of their ranks.
std::vector<double> ranks(std::span<const double> values) {
  std::vector<std::size_t> order(values.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::ranges::stable_sort(order,
                           [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
  std::vector<double> rank(values.size());
  for (std::size_t i = 0; i < order.size();) {
    std::size_t j = i;
    while (j + 1 < order.size() && values[order[j + 1]] == values[order[i]])
      ++j;
    const double shared = (static_cast<double>(i) + static_cast<double>(j)) / 2 + 1;
    for (std::size_t k = i; k <= j; ++k)
      rank[order[k]] = shared;
    i = j + 1;
  }
  return rank;
}

}  // namespace

CalibrationSet collect_samples(const MapParams& params, std::optional<Symmetry> symmetry,
                               SearchRange range, const MeasureOptions& measure,
                               const RaceOptions& race, unsigned threads,
                               const std::atomic<bool>& stop) {
  // Every figure weighs, so that each is measured and a sealed map is known.
  SearchOptions options;
  options.measure = measure;
  options.measure.weights.fill(1);
  if (symmetry) options.symmetric = SymmetricSearch{*symmetry, Figure::kGoldWithin};
  std::vector<SeedSample> seeds(range.seeds);
  std::atomic<std::uint64_t> next{0};
  std::atomic<bool> no_memory{false};
  const auto work = [&] {
    try {
      std::optional<TileGrid> grid = TileGrid::create(params.width, params.height);
      if (!grid) throw std::bad_alloc();
      Race racer;
      for (std::uint64_t i = next++; i < range.seeds && !stop && !no_memory; i = next++) {
        const auto seed = static_cast<std::uint32_t>(range.from + i);
        SeedSample& out = seeds[i];
        out.sample.seed = seed;
        // The map is made once: measured as it is made, then raced.
        std::optional<HeartTable> hearts;
        const std::optional<RankedSeed> ranked =
            rank_seed_on(params, seed, options, *grid, &hearts);
        if (!hearts) continue;
        if (!ranked) {
          out.kind = SeedSample::Kind::kSealed;
          continue;
        }
        for (std::size_t f = 0; f < kFigureCount; ++f)
          out.sample.spreads[f] = spread(ranked->start_figures(), static_cast<Figure>(f));
        RaceOptions with_costs = race;
        with_costs.costs = measure.costs;
        out.sample.race = race_fairness(racer.run(*grid, hearts->placed(), with_costs));
        out.kind = SeedSample::Kind::kSampled;
      }
    } catch (const std::bad_alloc&) {
      no_memory = true;
    }
  };
  std::vector<std::thread> pool;
  for (unsigned w = 1; w < threads; ++w)
    pool.emplace_back(work);
  work();
  for (std::thread& worker : pool)
    worker.join();
  if (no_memory) throw std::bad_alloc();
  CalibrationSet set;
  set.stopped = stop;
  for (const SeedSample& s : seeds) {
    if (s.kind == SeedSample::Kind::kWithoutMap) ++set.without_map;
    if (s.kind == SeedSample::Kind::kSealed) ++set.sealed;
    if (s.kind == SeedSample::Kind::kSampled) set.samples.push_back(s.sample);
  }
  return set;
}

double spearman(std::span<const double> x, std::span<const double> y) {
  const std::size_t n = std::min(x.size(), y.size());
  if (n < 2) return 0;
  const std::vector<double> rx = ranks(x.first(n));
  const std::vector<double> ry = ranks(y.first(n));
  const double mean = (static_cast<double>(n) + 1) / 2;
  double xy = 0;
  double xx = 0;
  double yy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    xy += (rx[i] - mean) * (ry[i] - mean);
    xx += (rx[i] - mean) * (rx[i] - mean);
    yy += (ry[i] - mean) * (ry[i] - mean);
  }
  if (xx == 0 || yy == 0) return 0;
  return xy / std::sqrt(xx * yy);
}

double static_score(const CalibrationSample& sample, const Weights& weights) {
  double score = 0;
  for (std::size_t f = 0; f < kFigureCount; ++f)
    score += weights[f] * sample.spreads[f];
  return score;
}

double agreement(std::span<const CalibrationSample> samples, const Weights& weights) {
  std::vector<double> scores;
  std::vector<double> races;
  scores.reserve(samples.size());
  races.reserve(samples.size());
  for (const CalibrationSample& s : samples) {
    scores.push_back(static_score(s, weights));
    races.push_back(s.race);
  }
  return spearman(scores, races);
}

Weights fit_weights(std::span<const CalibrationSample> samples, const Weights& start) {
  Weights best = start;
  double best_agreement = agreement(samples, best);
  constexpr int kMaxRounds = 20;
  for (int round = 0; round < kMaxRounds; ++round) {
    bool raised = false;
    for (std::size_t f = 0; f < kFigureCount; ++f) {
      Weights trial = best;
      for (const double step : kCalibrationSteps) {
        trial[f] = step;
        if (std::ranges::all_of(trial, [](double w) { return w == 0; })) continue;
        const double a = agreement(samples, trial);
        if (a > best_agreement) {
          best_agreement = a;
          best = trial;
          raised = true;
        }
      }
    }
    if (!raised) break;
  }
  return best;
}

}  // namespace tarnix
