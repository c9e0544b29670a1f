#pragma once

#include <cstdint>

#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/random/random.h"

namespace tarnix {

struct GemReport {
  std::int32_t placed = 0;  // gems written into the grid
  bool ran_out = false;     // the budget was spent; gem number `placed` did not fit
};

// Scatters `gems` single `G` squares over untouched rock. All gems share one
// budget of MAX_TRIES rejections; the phase stops at the first gem that does
// not fit within what is left of it.
// Requires: a framed grid with width, height >= 7.
[[nodiscard]] GemReport place_gems(TileGrid& grid, Random& rng, std::int32_t gems);

}  // namespace tarnix
