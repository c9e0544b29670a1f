#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "tarnixmap/fairness/search.h"
#include "tarnixmap/race/race.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

// One map of a calibration: the spread of each of its figures and how
// unevenly its race ended.
struct CalibrationSample {
  std::uint32_t seed = 0;
  std::array<double, kFigureCount> spreads{};  // in the order of kFigures
  double race = 0;                             // its race fairness
};

// The maps of a range of seeds, measured and raced.
struct CalibrationSet {
  std::vector<CalibrationSample> samples;  // each map with a score, in the order of the seeds
  std::uint64_t without_map = 0;           // seeds whose hearts did not fit
  std::uint64_t sealed = 0;                // maps where a player can reach no rival or no portal
  bool stopped = false;                    // `stop` ended it before the range was done
};

// Makes the map of every seed in `range` as search makes it, measures
// every figure (costs, reach and radius from `measure`) and races it with
// `race`, on `threads` workers. Sealed maps, which a search never ranks,
// and seeds without a map are counted, not sampled. Throws std::bad_alloc
// when a worker's memory is not there.
// Requires: validate(params) found nothing; a range within 32 bits;
// threads >= 1.
[[nodiscard]] CalibrationSet collect_samples(const MapParams& params,
                                             std::optional<Symmetry> symmetry, SearchRange range,
                                             const MeasureOptions& measure, const RaceOptions& race,
                                             unsigned threads, const std::atomic<bool>& stop);

// Spearman's rank correlation of two lists of equal length: the Pearson
// correlation of their ranks, tied values sharing the mean of their ranks.
// 0 when either list has fewer than two values or all its values are equal.
[[nodiscard]] double spearman(std::span<const double> x, std::span<const double> y);

// The static score of a sample under `weights`: each spread times its
// weight, added in the order of kFigures, as the score adds them.
[[nodiscard]] double static_score(const CalibrationSample& sample, const Weights& weights);

// How well the static score orders these maps as their races do: Spearman's
// correlation of the two.
[[nodiscard]] double agreement(std::span<const CalibrationSample> samples, const Weights& weights);

// The weights tried for each figure: simple numbers a designer can read.
inline constexpr std::array<double, 9> kCalibrationSteps = {0, 0.5, 1, 1.5, 2, 3, 4, 6, 8};

// Non-negative weights, each one of kCalibrationSteps, under which the
// static score agrees best with the race on `samples`: from `start`, each
// figure in turn takes the step that raises the agreement most (keeping
// its weight unless another raises it, the smaller step on a tie), round
// after round, until a round raises it no more. Never every weight 0.
[[nodiscard]] Weights fit_weights(std::span<const CalibrationSample> samples, const Weights& start);

}  // namespace tarnix
