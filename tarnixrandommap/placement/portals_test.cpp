#include "tarnixrandommap/placement/portals.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "tarnixrandommap/placement/test_support.h"

namespace tarnix {
namespace {

// Every phase's budget, counted by hand from the generator's description,
// not taken from the code under test.
constexpr std::int64_t kBudget = 10000;

using testing::advanced;
using testing::count_code;
using testing::framed_grid;

// Every portal that did not fit, in order.
std::vector<std::int32_t> failed_indices(const PortalReport& report) {
  std::vector<std::int32_t> all = report.failed;
  for (std::int32_t k = report.no_room_from; k < report.requested; ++k)
    all.push_back(k);
  return all;
}

TEST(PlacePortals, NoneRequestedDrawsNothing) {
  TileGrid grid = framed_grid(30, 30);
  Random rng(5);
  const PortalReport report = place_portals(grid, rng, {}, 0, 4);
  EXPECT_EQ(report.placed, 0);
  EXPECT_TRUE(report.failed.empty());
  EXPECT_EQ(rng.state(), Random(5).state());
  EXPECT_EQ(count_code(grid, tile::kPortal), 0);
}

// Distances are per axis from the block's top-left corner: a corner exactly
// the spacing away on one axis is far enough even level on the other.
TEST(PlacePortals, HeartRuleBoundary) {
  // A seed whose first corner lies on rock, off the inner ring.
  std::uint32_t seed = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  for (; x < 2 || y < 2; ++seed) {
    Random shadow(seed);
    x = shadow.rand_range(1, 40 - 3);
    y = shadow.rand_range(1, 40 - 3);
  }
  --seed;
  struct Case {
    const char* name;
    HeartCentre heart;
    std::int32_t spacing;
    bool first_corner_taken;
  };
  const std::vector<Case> cases = {
      {"dx equal to spacing", {x + 6, y}, 6, true},
      {"dx one less", {x + 5, y}, 6, false},
      {"dy equal to spacing", {x, y - 6}, 6, true},
      {"diagonal inside", {x - 5, y + 5}, 6, false},
      {"spacing zero", {x, y}, 0, true},
      {"negative spacing", {x, y}, -3, true},
  };
  for (const Case& c : cases) {
    TileGrid grid = framed_grid(40, 40);
    Random rng(seed);
    const std::array<HeartCentre, 1> hearts = {c.heart};
    const PortalReport report = place_portals(grid, rng, hearts, 1, c.spacing);
    EXPECT_EQ(report.placed, 1) << c.name;
    EXPECT_EQ(grid.at(x, y) == tile::kPortal && grid.at(x + 2, y + 2) == tile::kPortal,
              c.first_corner_taken)
        << c.name;
  }
}

// A 7 × 7 map has room for exactly one block, at (2, 2). Each later portal
// spends its own full budget, two draws per rejection, and is reported.
TEST(PlacePortals, EachPortalHasItsOwnBudget) {
  TileGrid grid = framed_grid(7, 7);
  Random rng(9);
  const PortalReport report = place_portals(grid, rng, {}, 3, 0);
  EXPECT_EQ(report.placed, 1);
  EXPECT_EQ(failed_indices(report), (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(grid.rows(),
            "AAAAAAA\r\nASSSSSA\r\nASPPPSA\r\nASPPPSA\r\nASPPPSA\r\nASSSSSA\r\nAAAAAAA\r\n");

  // Count the draws the first portal took to hit (2, 2).
  Random shadow(9);
  std::int64_t draws = 0;
  for (;;) {
    const std::int32_t x = shadow.rand_range(1, 4);
    const std::int32_t y = shadow.rand_range(1, 4);
    draws += 2;
    if (x == 2 && y == 2) break;
  }
  EXPECT_EQ(rng.state(), advanced(9, draws + 4 * kBudget).state());
}

// Once no corner that can be drawn fits, the remaining portals fail at once,
// with the generator moved on as their draws would have moved it.
TEST(PlacePortals, NoRoomLeftSkipsTheHopelessDraws) {
  struct Case {
    const char* name;
    std::int32_t width;
    std::int32_t portals;
    std::int32_t spacing;
  };
  const std::vector<Case> cases = {
      {"one block fits", 7, 100000, 0},
      {"a heart's spacing covers the map", 30, 5000, 100},
      {"a crowded map", 16, 3000, 0},
  };
  for (const Case& c : cases) {
    TileGrid grid = framed_grid(c.width, c.width);
    const std::array<HeartCentre, 1> hearts = {HeartCentre{c.width / 2, c.width / 2}};
    Random rng(21);
    const PortalReport report = place_portals(grid, rng, hearts, c.portals, c.spacing);
    EXPECT_LT(report.no_room_from, c.portals) << c.name;
    EXPECT_EQ(report.placed + static_cast<std::int32_t>(failed_indices(report).size()), c.portals)
        << c.name;

    // The same phase, one portal at a time: a single portal never skips.
    TileGrid shadow_grid = framed_grid(c.width, c.width);
    Random shadow(21);
    std::vector<std::int32_t> failed;
    std::int32_t k = 0;
    for (; k < report.no_room_from; ++k) {
      if (place_portals(shadow_grid, shadow, hearts, 1, c.spacing).placed == 0) failed.push_back(k);
    }
    shadow.discard(static_cast<std::uint64_t>(2 * kBudget * (c.portals - k)));
    EXPECT_EQ(report.failed, failed) << c.name;
    EXPECT_EQ(grid.rows(), shadow_grid.rows()) << c.name;
    EXPECT_EQ(rng.state(), shadow.state()) << c.name;
  }
}

// Every portal covers nine squares that were untouched rock, and a failed
// portal leaves no trace.
TEST(PlacePortals, BlocksOnlyCoverRock) {
  for (std::uint32_t seed = 0; seed < 50; ++seed) {
    TileGrid grid = framed_grid(24, 18);
    grid.at(10, 9) = tile::kGems;  // something that is not rock
    const std::string before(grid.rows());
    Random rng(seed);
    const PortalReport report = place_portals(grid, rng, {}, 40, 0);
    EXPECT_EQ(report.placed + static_cast<std::int32_t>(failed_indices(report).size()), 40);
    EXPECT_EQ(count_code(grid, tile::kPortal), 9 * report.placed) << "seed " << seed;
    const std::string_view after = grid.rows();
    for (std::size_t i = 0; i < after.size(); ++i) {
      if (after[i] != before[i]) {
        ASSERT_EQ(before[i], tile::kRock) << "seed " << seed << " byte " << i;
        ASSERT_EQ(after[i], tile::kPortal) << "seed " << seed << " byte " << i;
      }
    }
  }
}

}  // namespace
}  // namespace tarnix
