#include "tarnixmap/fairness/near.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string_view>

namespace tarnix {

namespace {

std::int64_t squared(std::int64_t dx, std::int64_t dy) {
  return dx * dx + dy * dy;
}

// The squares of one kind within the disc. The kind is a template
// argument, so that the loop over a row's span is one or two byte
// comparisons that compile to vector compares.
template <char kFirst, char kSecond>
std::int32_t count_disc(const TileGrid& grid, HeartCentre c, const Disc& disc) {
  std::int32_t count = 0;
  const std::int32_t r = disc.radius();
  for (std::int32_t y = std::max(0, c.y - r); y <= std::min(grid.height() - 1, c.y + r); ++y) {
    const std::int32_t half = disc.half_width(y - c.y);
    const std::int32_t first = std::max(0, c.x - half);
    const std::int32_t last = std::min(grid.width() - 1, c.x + half);
    const char* row = grid.cells() + grid.index(0, y);
    for (std::int32_t x = first; x <= last; ++x)
      count += static_cast<std::int32_t>(row[x] == kFirst || row[x] == kSecond);
  }
  return count;
}

// The squared distance from each heart to its nearest portal square, found
// by one scan of the map for portal codes.
void nearest_portals(const TileGrid& grid, std::span<StartFigures> starts) {
  std::array<std::int64_t, kMaxPlayers> best{};
  best.fill(std::numeric_limits<std::int64_t>::max());
  const std::string_view cells = grid.rows();
  for (std::size_t at = cells.find(tile::kPortal); at != std::string_view::npos;
       at = cells.find(tile::kPortal, at + 1)) {
    const auto y = static_cast<std::int64_t>(at / grid.stride());
    const auto x = static_cast<std::int64_t>(at % grid.stride());
    for (std::size_t p = 0; p < starts.size(); ++p)
      best[p] = std::min(best[p], squared(x - starts[p].heart.x, y - starts[p].heart.y));
  }
  for (std::size_t p = 0; p < starts.size(); ++p) {
    if (best[p] != std::numeric_limits<std::int64_t>::max())
      starts[p].nearest_portal = std::sqrt(static_cast<double>(best[p]));
  }
}

}  // namespace

Disc::Disc(std::int32_t radius) : radius_(radius) {
  const std::int64_t r2 = std::int64_t{radius} * radius;
  for (std::int32_t dy = -radius; dy <= radius; ++dy) {
    std::int32_t half = 0;
    while (squared(half + 1, dy) <= r2)
      ++half;
    half_widths_.push_back(half);
  }
}

void measure_hearts(std::int32_t width, std::int32_t height, std::span<const HeartCentre> hearts,
                    std::span<StartFigures> starts) {
  for (std::size_t p = 0; p < hearts.size(); ++p) {
    StartFigures& start = starts[p];
    start.heart = hearts[p];
    start.gold_near = 0;
    start.gems_near = 0;
    start.hazards_near = 0;
    start.nearest_portal.reset();
    std::int64_t nearest = std::numeric_limits<std::int64_t>::max();
    for (std::size_t q = 0; q < hearts.size(); ++q) {
      if (q != p) {
        nearest = std::min(nearest, squared(hearts[q].x - hearts[p].x, hearts[q].y - hearts[p].y));
      }
    }
    start.nearest_heart = std::sqrt(static_cast<double>(nearest));
    start.border_gap = border_gap(hearts[p], width, height);
  }
}

void measure_portals(const TileGrid& grid, std::span<StartFigures> starts) {
  nearest_portals(grid, starts);
}

void count_near(const TileGrid& grid, const Disc& disc, Near kind, std::span<StartFigures> starts) {
  for (StartFigures& start : starts) {
    switch (kind) {
      case Near::kGold:
        start.gold_near = count_disc<tile::kGold, tile::kGold>(grid, start.heart, disc);
        break;
      case Near::kGems:
        start.gems_near = count_disc<tile::kGems, tile::kGems>(grid, start.heart, disc);
        break;
      case Near::kHazards:
        start.hazards_near = count_disc<tile::kLava, tile::kWater>(grid, start.heart, disc);
        break;
    }
  }
}

void measure_near(const TileGrid& grid, std::span<const HeartCentre> hearts, const Disc& disc,
                  std::span<StartFigures> starts) {
  measure_hearts(grid.width(), grid.height(), hearts, starts);
  measure_portals(grid, starts);
  for (const Near kind : {Near::kGold, Near::kGems, Near::kHazards})
    count_near(grid, disc, kind, starts);
}

}  // namespace tarnix
