#include "tarnixrandommap/placement/portals.h"

#include <algorithm>
#include <cstdlib>

#include "tarnixrandommap/placement/max_tries.h"

namespace tarnix {

namespace {

bool block_is_rock(const TileGrid& grid, std::int32_t x, std::int32_t y) {
  for (std::int32_t row = y; row < y + 3; ++row) {
    for (std::int32_t col = x; col < x + 3; ++col) {
      if (grid.at(col, row) != tile::kRock) return false;
    }
  }
  return true;
}

// Distances are measured from the block's top-left corner, not its middle,
// and per axis: a corner is too close when it lies strictly inside the square
// of half-side `min_dist` around a heart centre.
bool near_a_heart(std::span<const HeartCentre> hearts, std::int32_t x, std::int32_t y,
                  std::int32_t min_dist) {
  return std::any_of(hearts.begin(), hearts.end(), [&](const HeartCentre& h) {
    return std::abs(h.x - x) < min_dist && std::abs(h.y - y) < min_dist;
  });
}

void stamp(TileGrid& grid, std::int32_t x, std::int32_t y) {
  for (std::int32_t row = y; row < y + 3; ++row) {
    for (std::int32_t col = x; col < x + 3; ++col)
      grid.at(col, row) = tile::kPortal;
  }
}

// Draws corners until one fits, within one portal's budget of rejections.
bool place_one(TileGrid& grid, Random& rng, std::span<const HeartCentre> hearts,
               std::int32_t min_dist) {
  for (std::int32_t rejections = 0; rejections < MAX_TRIES; ++rejections) {
    const std::int32_t x = rng.rand_range(1, grid.width() - 3);
    const std::int32_t y = rng.rand_range(1, grid.height() - 3);
    if (block_is_rock(grid, x, y) && !near_a_heart(hearts, x, y, min_dist)) {
      stamp(grid, x, y);
      return true;
    }
  }
  return false;
}

}  // namespace

PortalReport place_portals(TileGrid& grid, Random& rng, std::span<const HeartCentre> hearts,
                           std::int32_t portals, std::int32_t min_portal_dist) {
  PortalReport report;
  for (std::int32_t k = 0; k < portals; ++k) {
    if (place_one(grid, rng, hearts, min_portal_dist)) {
      ++report.placed;
    } else {
      report.failed.push_back(k);
    }
  }
  return report;
}

}  // namespace tarnix
