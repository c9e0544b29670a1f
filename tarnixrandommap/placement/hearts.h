#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/random/random.h"

namespace tarnix {

inline constexpr std::int32_t kMaxPlayers = 4;  // the map file knows four players

struct HeartCentre {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// The centres of the hearts of players 1 … `count`, at index 0 … count − 1.
struct HeartTable {
  std::array<HeartCentre, kMaxPlayers> centres{};
  std::int32_t count = 0;

  [[nodiscard]] std::span<const HeartCentre> placed() const {
    return std::span<const HeartCentre>(centres).first(static_cast<std::size_t>(count));
  }
};

// Chooses one centre per player, each at least `min_vosk_dist` from every
// centre chosen before it (Euclidean; a negative spacing acts as its absolute
// value), with one budget of MAX_TRIES rejections for the whole phase. When
// every player has a centre, stamps each heart as a 5 × 5 block of its digit,
// later hearts over earlier ones, and returns the centres; otherwise stamps
// nothing and returns nothing.
// Requires: a framed grid with width, height >= 7; 0 <= players <= kMaxPlayers.
[[nodiscard]] std::optional<HeartTable> place_hearts(TileGrid& grid, Random& rng,
                                                     std::int32_t players,
                                                     std::int32_t min_vosk_dist);

}  // namespace tarnix
