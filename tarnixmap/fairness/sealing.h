#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tarnixmap/fairness/costs.h"
#include "tarnixmap/fairness/figures.h"
#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/placement/hearts.h"

namespace tarnix {

// Whether each player is sealed in: unable to reach any rival's heart, or,
// on a map with portals, any portal. The answer measure_own() of DigTimes
// gives, found without times: by flooding the squares that can be entered,
// held as bits, 64 squares to a word, a row of words at a time. A search
// asks it of every map, to count the sealed ones exactly, and measures dig
// times only for the maps that might be ranked.
class SealCheck {
 public:
  SealCheck() = default;
  SealCheck(const SealCheck&) = delete;
  SealCheck& operator=(const SealCheck&) = delete;

  // Sets each start's `sealed`; returns whether any player is sealed.
  // Requires: a framed grid, 2 to 4 hearts inside it; the border is a wall.
  bool check(const TileGrid& grid, std::span<const HeartCentre> hearts, const CostTable& costs,
             std::span<StartFigures> starts);

 private:
  // Floods from the square at (x, y) through the squares that can be
  // entered, into flood_. The square itself need not be one.
  void flood(std::int32_t x, std::int32_t y);
  // Whether the square at (x, y), or a neighbour of it, is flooded.
  [[nodiscard]] bool reached(std::int32_t x, std::int32_t y) const;
  // Whether any portal square is flooded or beside a flooded square.
  [[nodiscard]] bool portal_reached() const;

  [[nodiscard]] std::size_t word(std::int32_t x, std::int32_t y) const {
    return static_cast<std::size_t>(y) * words_ + static_cast<std::size_t>(x) / 64;
  }
  [[nodiscard]] static std::uint64_t bit(std::int32_t x) {
    return std::uint64_t{1} << (static_cast<unsigned>(x) % 64U);
  }

  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::size_t words_ = 0;               // per row
  std::vector<std::uint64_t> open_;     // the squares that can be entered
  std::vector<std::uint64_t> portals_;  // the portal squares
  std::vector<std::uint64_t> flood_;    // the squares flooded so far
};

}  // namespace tarnix
