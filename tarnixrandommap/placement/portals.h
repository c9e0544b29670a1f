#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/placement/hearts.h"
#include "tarnixrandommap/random/random.h"

namespace tarnix {

// Which portals did not fit: those listed in `failed`, then every one from
// `no_room_from` up to `requested`, once the map had no room left for any.
struct PortalReport {
  std::int32_t requested = 0;
  std::int32_t placed = 0;           // portals written into the grid
  std::vector<std::int32_t> failed;  // zero-based indices, below no_room_from
  std::int32_t no_room_from = 0;     // equals requested when there was room to the end
};

// Places `portals` 3 × 3 blocks of `P` on untouched rock, each with its own
// budget of MAX_TRIES rejections. A block's top-left corner must not lie
// strictly within `min_portal_dist` of any heart centre in both x and y.
// Portals that do not fit are skipped and listed in the report.
// Requires: a framed grid with width, height >= 7.
[[nodiscard]] PortalReport place_portals(TileGrid& grid, Random& rng,
                                         std::span<const HeartCentre> hearts, std::int32_t portals,
                                         std::int32_t min_portal_dist);

}  // namespace tarnix
