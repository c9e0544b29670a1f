#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tarnixmap/fairness/costs.h"
#include "tarnixmap/fairness/figures.h"
#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/placement/hearts.h"

namespace tarnix {

// Dig times: a player's dig time to a square that can be entered is the
// least sum of entry costs over a path of steps left, right, up and down
// from the heart's centre (time 0), every square entered being one that can
// be entered. Its reach time of a square is the dig time, or for a wall the
// least dig time of the wall's neighbours (a gem is mined from beside it).
//
// Measures the dig-time figures of maps of any size, map after map, in
// memory it keeps. Times are found with a bucket queue (costs are small
// whole numbers, so the queue is a ring of one bucket per time to come),
// first for all players at once, then for each player alone.
class DigTimes {
 public:
  DigTimes() = default;
  DigTimes(const DigTimes&) = delete;
  DigTimes& operator=(const DigTimes&) = delete;

  // gold_first, gems_first and territory: the squares each player reaches
  // before anyone else, from one wave of all players at once. Keeps, for
  // first_reachers(), who reaches each square first.
  // Requires: a framed grid, 2 to 4 hearts inside it; the border is a wall.
  void measure_first(const TileGrid& grid, std::span<const HeartCentre> hearts,
                     const CostTable& costs, std::span<StartFigures> starts);

  // gold_within (gold reached within `reach`), portal_time, rival_time and
  // sealed: from each player's own dig times, each wave stopping once it
  // has what it needs.
  void measure_own(const TileGrid& grid, std::span<const HeartCentre> hearts,
                   const CostTable& costs, std::int64_t reach, std::span<StartFigures> starts);

  // After measure_first: the players who reach the square at grid index
  // `index` first, one bit each (player 1 is bit 0); 0 for a square nobody
  // reaches.
  [[nodiscard]] std::uint8_t first_reachers(std::size_t index) const { return first_[index]; }
  // The same for every square, indexed as the grid is.
  [[nodiscard]] std::span<const std::uint8_t> first_reachers() const { return first_; }

 private:
  // A bucket queue, Dial's: time t's bucket is t modulo the ring's size,
  // which is one more than the dearest cost, so that a time pushed never
  // lands in the bucket being emptied. A square whose time improves is
  // pushed again; its stale entry is passed over.
  struct Buckets {
    std::vector<std::vector<std::size_t>> ring;
    std::uint64_t pending = 0;
  };

  template <typename Time>
  void first_wave(const TileGrid& grid, std::span<const HeartCentre> hearts, const CostTable& costs,
                  std::vector<Time>& time);
  template <typename Time>
  void own_wave(const TileGrid& grid, std::span<const HeartCentre> hearts, std::size_t player,
                const CostTable& costs, std::int64_t reach, bool has_portals,
                std::vector<Time>& time, StartFigures& start);
  void reset_buckets(const CostTable& costs);

  std::vector<std::uint32_t> time32_;  // times of a wave, where they fit in 32 bits
  std::vector<std::uint64_t> time64_;  // and where they may not
  std::vector<std::uint8_t> first_;    // who reaches each square first
  Buckets buckets_;
};

// Whether every dig time of a map fits in 32 bits: the dearest cost times
// the squares there are bounds them all.
[[nodiscard]] bool times_fit_32_bits(const TileGrid& grid, const CostTable& costs);

}  // namespace tarnix
