#include "tarnixrandommap/placement/hearts.h"

#include <algorithm>

#include "tarnixrandommap/placement/max_tries.h"

namespace tarnix {

namespace {

// Hearts are compared by squared distance. The squares are taken in 64 bits:
// on maps wider or taller than 46340 squares a 32-bit square would overflow.
bool too_close(HeartCentre candidate, std::span<const HeartCentre> chosen,
               std::int64_t min_dist_squared) {
  return std::any_of(chosen.begin(), chosen.end(), [&](const HeartCentre& other) {
    const std::int64_t dx = other.x - candidate.x;
    const std::int64_t dy = other.y - candidate.y;
    return dx * dx + dy * dy < min_dist_squared;
  });
}

void stamp(TileGrid& grid, const HeartTable& hearts) {
  for (std::int32_t p = 0; p < hearts.count; ++p) {
    const HeartCentre c = hearts.centres[static_cast<std::size_t>(p)];
    for (std::int32_t y = c.y - 2; y <= c.y + 2; ++y) {
      for (std::int32_t x = c.x - 2; x <= c.x + 2; ++x)
        grid.at(x, y) = tile::heart(p);
    }
  }
}

}  // namespace

// Centres are drawn in 3 … width − 4 and 3 … height − 4, which lie inside
// the untouched interior while they are chosen (nothing is stamped before all
// are known), so spacing is the only reason to reject a candidate.
std::optional<HeartTable> place_hearts(TileGrid& grid, Random& rng, std::int32_t players,
                                       std::int32_t min_vosk_dist) {
  const std::int64_t min_dist_squared = std::int64_t{min_vosk_dist} * min_vosk_dist;
  HeartTable hearts;
  std::int32_t rejections = 0;
  for (std::int32_t p = 0; p < players; ++p) {
    for (;;) {
      // The budget is shared: once spent, no later player gets a draw either.
      if (rejections >= MAX_TRIES) return std::nullopt;
      HeartCentre candidate;
      candidate.x = rng.rand_range(3, grid.width() - 3);
      candidate.y = rng.rand_range(3, grid.height() - 3);
      if (too_close(candidate, hearts.placed(), min_dist_squared)) {
        ++rejections;
        continue;
      }
      hearts.centres[static_cast<std::size_t>(p)] = candidate;
      ++hearts.count;
      break;
    }
  }
  stamp(grid, hearts);
  return hearts;
}

}  // namespace tarnix
