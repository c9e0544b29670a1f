#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/placement/hearts.h"
#include "tarnixrandommap/random/random.h"

namespace tarnix {

struct PortalReport {
  std::int32_t placed = 0;           // portals written into the grid
  std::vector<std::int32_t> failed;  // zero-based indices of the portals that did not fit
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
