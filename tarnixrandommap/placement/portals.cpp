#include "tarnixrandommap/placement/portals.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "tarnixrandommap/placement/max_tries.h"

namespace tarnix {

namespace {

// Where a portal may go. Its corner is drawn as 1 + (an output of 0 … 32767)
// mod (side − 4), so on sides above 32772 squares only the first 32768 are
// ever drawn.
struct Corner {
  std::int32_t x;
  std::int32_t y;
};

constexpr std::int32_t kOutputs = 32768;  // the generator's 15-bit outputs

bool block_is_rock(const TileGrid& grid, Corner c) {
  for (std::int32_t row = c.y; row < c.y + 3; ++row) {
    for (std::int32_t col = c.x; col < c.x + 3; ++col) {
      if (grid.at(col, row) != tile::kRock) return false;
    }
  }
  return true;
}

// Distances are measured from the block's top-left corner, not its middle,
// and per axis: a corner is too close when it lies strictly inside the square
// of half-side `min_dist` around a heart centre.
bool near_a_heart(std::span<const HeartCentre> hearts, Corner c, std::int32_t min_dist) {
  return std::any_of(hearts.begin(), hearts.end(), [&](const HeartCentre& h) {
    return std::abs(h.x - c.x) < min_dist && std::abs(h.y - c.y) < min_dist;
  });
}

bool fits(const TileGrid& grid, std::span<const HeartCentre> hearts, Corner c,
          std::int32_t min_dist) {
  return block_is_rock(grid, c) && !near_a_heart(hearts, c, min_dist);
}

void stamp(TileGrid& grid, Corner c) {
  for (std::int32_t row = c.y; row < c.y + 3; ++row) {
    for (std::int32_t col = c.x; col < c.x + 3; ++col)
      grid.at(col, row) = tile::kPortal;
  }
}

// Draws corners until one fits, within one portal's budget of rejections.
std::optional<Corner> find_corner(const TileGrid& grid, Random& rng,
                                  std::span<const HeartCentre> hearts, std::int32_t min_dist) {
  for (std::int32_t rejections = 0; rejections < MAX_TRIES; ++rejections) {
    Corner c{};
    c.x = rng.rand_range(1, grid.width() - 3);
    c.y = rng.rand_range(1, grid.height() - 3);
    if (fits(grid, hearts, c, min_dist)) return c;
  }
  return std::nullopt;
}

// The number of corners that can be drawn and would fit. Once it is zero,
// every later portal is certain to spend its whole budget, two draws per
// rejection, and fail: those draws can be skipped at once instead of made.
// Counting costs a pass over the map, so it is done only when the portals
// left would cost more draws than that; afterwards each placed portal
// updates it in constant time.
class Room {
 public:
  Room(const TileGrid& grid, std::span<const HeartCentre> hearts, std::int32_t min_dist)
      : hearts_(hearts),
        min_dist_(min_dist),
        last_x_(std::min(grid.width() - 4, kOutputs)),
        last_y_(std::min(grid.height() - 4, kOutputs)) {
    for (std::int32_t y = 1; y <= last_y_; ++y) {
      for (std::int32_t x = 1; x <= last_x_; ++x)
        free_ += fits(grid, hearts_, {x, y}, min_dist_) ? 1 : 0;
    }
  }

  // Worth counting: the draws the portals left could cost exceed the corners.
  static bool worth_counting(const TileGrid& grid, std::int64_t portals_left) {
    const std::int64_t corners =
        std::int64_t{std::min(grid.width() - 4, kOutputs)} * std::min(grid.height() - 4, kOutputs);
    return portals_left * 2 * MAX_TRIES > corners;
  }

  // Before a portal is stamped at `placed`: every corner whose block it
  // overlaps and that fitted fits no more.
  void take(const TileGrid& grid, Corner placed) {
    for (std::int32_t y = std::max(placed.y - 2, 1); y <= std::min(placed.y + 2, last_y_); ++y) {
      for (std::int32_t x = std::max(placed.x - 2, 1); x <= std::min(placed.x + 2, last_x_); ++x) {
        free_ -= fits(grid, hearts_, {x, y}, min_dist_) ? 1 : 0;
      }
    }
  }

  [[nodiscard]] bool none() const { return free_ == 0; }

 private:
  std::span<const HeartCentre> hearts_;
  std::int32_t min_dist_;
  std::int32_t last_x_;  // the last corner column that can be drawn
  std::int32_t last_y_;
  std::int64_t free_ = 0;
};

}  // namespace

PortalReport place_portals(TileGrid& grid, Random& rng, std::span<const HeartCentre> hearts,
                           std::int32_t portals, std::int32_t min_portal_dist) {
  PortalReport report;
  report.requested = std::max(portals, 0);
  report.no_room_from = report.requested;
  std::optional<Room> room;
  for (std::int32_t k = 0; k < portals; ++k) {
    if (room && room->none()) {
      report.no_room_from = k;
      rng.discard(std::uint64_t{2} * MAX_TRIES * static_cast<std::uint64_t>(portals - k));
      break;
    }
    const std::optional<Corner> corner = find_corner(grid, rng, hearts, min_portal_dist);
    if (corner) {
      if (room) room->take(grid, *corner);
      stamp(grid, *corner);
      ++report.placed;
      continue;
    }
    report.failed.push_back(k);
    if (!room && Room::worth_counting(grid, portals - k - 1)) {
      room.emplace(grid, hearts, min_portal_dist);
    }
  }
  return report;
}

}  // namespace tarnix
