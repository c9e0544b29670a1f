#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tarnixmap/fairness/figures.h"
#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/placement/hearts.h"

namespace tarnix {

// The straight-line figures: what lies within a radius of each heart, and
// how far the nearest portal square and the nearest other heart are.

// Squares within this many tiles of a heart centre count as the player's
// own, unless a search or check asks for another radius.
inline constexpr std::int32_t kDefaultRadius = 15;
inline constexpr std::int32_t kMaxRadius = 1000;

// The squares within `radius` of a centre, as one span of columns per row:
// they are counted without a distance per square.
class Disc {
 public:
  // Requires: 0 <= radius <= kMaxRadius.
  explicit Disc(std::int32_t radius);
  [[nodiscard]] std::int32_t radius() const { return radius_; }
  // The half-width of the disc's row `dy` rows from the centre: the row
  // holds every dx with dx² + dy² <= radius².
  [[nodiscard]] std::int32_t half_width(std::int32_t dy) const {
    return half_widths_[static_cast<std::size_t>(dy + radius_)];
  }

 private:
  std::int32_t radius_;
  std::vector<std::int32_t> half_widths_;
};

// Measures the straight-line figures of each player's start, and the
// border gap: `starts` gets them for each heart, the rest of each left as
// it was. Allocates nothing, so that a search can measure millions of maps.
// Requires: starts.size() == hearts.size() >= 2.
void measure_near(const TileGrid& grid, std::span<const HeartCentre> hearts, const Disc& disc,
                  std::span<StartFigures> starts);

// The same in parts, for a map measured while it is made: each part is
// final once the phase that places its squares is done.
// Sets each start's heart, nearest heart and border gap (final once the
// hearts are placed), clears its counts and forgets its nearest portal.
void measure_hearts(std::int32_t width, std::int32_t height, std::span<const HeartCentre> hearts,
                    std::span<StartFigures> starts);
// Sets each start's nearest portal (final once the portals are placed).
void measure_portals(const TileGrid& grid, std::span<StartFigures> starts);
enum class Near : std::uint8_t { kGold, kGems, kHazards };
// Counts one kind of square within the disc around each start's heart.
void count_near(const TileGrid& grid, const Disc& disc, Near kind, std::span<StartFigures> starts);

}  // namespace tarnix
