#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "tarnixmap/fairness/bit_wave.h"
#include "tarnixmap/fairness/costs.h"
#include "tarnixmap/fairness/figures.h"
#include "tarnixmap/fairness/portal_blocks.h"
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

  // gold_first, gems_first, portals_first and territory: the squares (and
  // portals) each player reaches before anyone else, from one wave of all
  // players at once; a portal is reached first by whoever first reaches
  // any of its squares. Keeps, for
  // first_reachers(), who reaches each square first. Where no heart is a
  // wall (the usual costs), the wave also tells who is sealed in, for it
  // reaches every square any player can: returns true then, with each
  // start's `sealed` set.
  // Requires: a framed grid, 2 to 4 hearts inside it; the border is a wall.
  bool measure_first(const TileGrid& grid, std::span<const HeartCentre> hearts,
                     const CostTable& costs, std::span<StartFigures> starts);

  // gold_within (gold reached within `reach`), portal_time, rival_time,
  // second_rival_time and sealed: from each player's own dig times, each
  // wave stopping once it has what it needs.
  void measure_own(const TileGrid& grid, std::span<const HeartCentre> hearts,
                   const CostTable& costs, std::int64_t reach, std::span<StartFigures> starts);

  // After measure_first: the players who reach each square first, one bit each (player 1 is bit 0),
  // indexed as the grid is; 0 for a square nobody reaches. Requires: keep_first_reachers was not
  // turned off.
  [[nodiscard]] std::span<const std::uint8_t> first_reachers() const;

  // Which code runs the wave of all players from now on: the boards of
  // bits where they can take the map (see BitWave::takes), the bucket
  // queue otherwise; kAuto takes the boards only on maps where they are
  // the quicker (see BitWave::pays). Never changes a figure.
  void use(WaveKernel kernel) { kernel_ = kernel; }

  // Whether first_reachers() will be asked for: without it, the wave keeps
  // who first touches only the walls a figure counts (gold, gems and
  // portals), which is quicker. It is asked for unless said otherwise.
  void keep_first_reachers(bool keep) { every_wall_ = keep; }

 private:
  // A bucket queue, Dial's: time t's bucket is t modulo the ring's size,
  // which is one more than the dearest cost, so that a time pushed never
  // lands in the bucket being emptied. A square whose time improves is
  // pushed again; its stale entry is passed over. A bit for each bucket
  // says whether it holds anything, so that the times between are skipped
  // a word of buckets at a time: with dear costs (1000 a square) most
  // times have nothing, and the wave's work must not grow with the costs.
  struct Buckets {
    std::vector<std::vector<std::size_t>> ring;
    std::vector<std::uint64_t> filled;  // a bit for each bucket of the ring that holds any
    std::uint64_t pending = 0;

    void push(std::size_t slot, std::size_t at) {
      ring[slot].push_back(at);
      filled[slot / 64] |= std::uint64_t{1} << (slot % 64);
    }
    // Empties the bucket at `slot`.
    void clear(std::size_t slot) {
      ring[slot].clear();
      filled[slot / 64] &= ~(std::uint64_t{1} << (slot % 64));
    }
    // How many times on from `slot` the next bucket that holds anything
    // lies, going round the ring.
    // Requires: some bucket other than `slot` holds something.
    [[nodiscard]] std::size_t distance_to_next(std::size_t slot) const;
  };

  // Who meets whom: for each set of first reachers, the sets of the squares
  // beside theirs that others reached first; and who reaches a portal.
  struct Meetings {
    std::array<std::uint8_t, 16> beside{};
    std::uint8_t portal = 0;
  };

  // portals_first, from the times of the wave of all players.
  template <typename Time>
  void share_portals(const TileGrid& grid, const std::vector<Time>& packed,
                     std::span<StartFigures> starts);
  template <typename Time>
  void first_wave(const TileGrid& grid, std::span<const HeartCentre> hearts, const CostTable& costs,
                  std::vector<Time>& packed, std::span<StartFigures> starts, Meetings& meetings);
  template <typename Time>
  void own_wave(const TileGrid& grid, std::span<const HeartCentre> hearts, std::size_t player,
                const CostTable& costs, std::int64_t reach, bool has_portals,
                std::vector<Time>& time, StartFigures& start);
  void reset_buckets(const CostTable& costs);

  // Times of a wave, where they fit in 32 bits, and where they may not; in
  // the wave of all players, with who reaches first in the four low bits.
  std::vector<std::uint32_t> time32_;
  std::vector<std::uint64_t> time64_;
  std::vector<std::uint32_t> own32_;  // the same for each player's own waves
  std::vector<std::uint64_t> own64_;
  bool packed_wide_ = false;                 // the last wave of all players used time64_
  mutable std::vector<std::uint8_t> first_;  // who reaches each square first, when asked
  std::vector<std::size_t> touched_;         // walls first touched at the time in hand
  Buckets buckets_;
  PortalFinder portals_;
  WaveKernel kernel_ = WaveKernel::kAuto;
  bool every_wall_ = true;
  BitWave bits_;
  bool bits_first_ = false;  // whether the bits ran the last wave, and first_ holds what they found
};

// Whether every dig time of a map fits in 28 bits (the wave of all players
// keeps four more, of who reaches first, in a 32-bit number): the dearest
// cost times the squares there are bounds them all.
[[nodiscard]] bool times_fit_32_bits(const TileGrid& grid, const CostTable& costs);

}  // namespace tarnix
