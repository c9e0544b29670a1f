#include "tarnixrandommap/placement/gems.h"

#include "tarnixrandommap/placement/max_tries.h"

namespace tarnix {

GemReport place_gems(TileGrid& grid, Random& rng, std::int32_t gems) {
  GemReport report;
  std::int32_t rejections = 0;  // never reset: the budget is the phase's, not each gem's
  while (report.placed < gems) {
    if (rejections >= MAX_TRIES) {
      report.ran_out = true;
      break;
    }
    const std::int32_t x = rng.rand_range(1, grid.width() - 2);
    const std::int32_t y = rng.rand_range(1, grid.height() - 2);
    char& square = grid.at(x, y);
    if (square == tile::kRock) {
      square = tile::kGems;
      ++report.placed;
    } else {
      ++rejections;
    }
  }
  return report;
}

}  // namespace tarnix
