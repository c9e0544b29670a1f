#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "tarnixmap/fairness/costs.h"
#include "tarnixmap/fairness/dig_time.h"
#include "tarnixmap/fairness/figures.h"
#include "tarnixmap/fairness/near.h"
#include "tarnixmap/fairness/score.h"
#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/placement/hearts.h"
#include "tarnixrandommap/placement/symmetry.h"

namespace tarnix {

// Gold within this dig time of a heart counts as near the player's start:
// 15 squares of rock.
inline constexpr std::int64_t kDefaultReach = 45;
inline constexpr std::int64_t kMaxReach = 1000000000;

// How a map is measured: what digging costs, how far gold counts as
// within reach, the radius of the straight-line figures, and the weights
// of the score.
struct MeasureOptions {
  CostTable costs;
  std::int64_t reach = kDefaultReach;
  std::int32_t radius = kDefaultRadius;
  Weights weights = default_weights();
  WaveKernel wave = WaveKernel::kAuto;  // the code that runs the wave (never what it finds)
};

// Every figure of every player of a map, and the map's fairness.
struct MapMeasure {
  std::vector<StartFigures> players;
  Fairness fairness;
  std::optional<Symmetry> symmetry;  // the symmetric layout the map follows exactly, if any
};

// Measures whole maps, keeping its working memory from one map to the next.
class Measurer {
 public:
  // `start_gold` is each player's starting gold where a map file gives it:
  // a map is symmetric only if that follows the layout too.
  // Requires: a framed grid with 2 to 4 hearts inside it.
  [[nodiscard]] MapMeasure measure(const TileGrid& grid, std::span<const HeartCentre> hearts,
                                   const MeasureOptions& options,
                                   std::span<const std::int32_t> start_gold = {});

  // After measure(): who reaches each square of the map first (see
  // DigTimes::first_reachers).
  [[nodiscard]] const DigTimes& dig_times() const { return dig_; }

 private:
  DigTimes dig_;
};

// One map, once: the same as a Measurer's measure().
[[nodiscard]] MapMeasure measure_map(const TileGrid& grid, std::span<const HeartCentre> hearts,
                                     const MeasureOptions& options,
                                     std::span<const std::int32_t> start_gold = {});

}  // namespace tarnix
