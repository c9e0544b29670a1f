#include "tarnixrandommap/placement/gems.h"

#include <gtest/gtest.h>

#include "tarnixrandommap/placement/test_support.h"

namespace tarnix {
namespace {

// Every phase's budget, counted by hand from the generator's description,
// not taken from the code under test.
constexpr std::int64_t kBudget = 10000;

using testing::advanced;
using testing::count_code;
using testing::framed_grid;

TEST(PlaceGems, NoneRequestedDrawsNothing) {
  TileGrid grid = framed_grid(16, 16);
  Random rng(2);
  const GemReport report = place_gems(grid, rng, 0);
  EXPECT_EQ(report.placed, 0);
  EXPECT_FALSE(report.ran_out);
  EXPECT_EQ(rng.state(), Random(2).state());
}

TEST(PlaceGems, PlacesAllWhenThereIsRoom) {
  TileGrid grid = framed_grid(64, 64);
  Random rng(77);
  const GemReport report = place_gems(grid, rng, 40);
  EXPECT_EQ(report.placed, 40);
  EXPECT_FALSE(report.ran_out);
  EXPECT_EQ(count_code(grid, tile::kGems), 40);
}

// The 7 × 7 map has nine rock squares. The rejections are counted across all
// gems, never per gem: every draw pair either places a gem or is one of the
// 10000 rejections of the whole phase.
TEST(PlaceGems, AllGemsShareOneBudget) {
  for (const std::uint32_t seed : {0U, 1U, 1234U}) {
    TileGrid grid = framed_grid(7, 7);
    Random rng(seed);
    const GemReport report = place_gems(grid, rng, 20);
    EXPECT_TRUE(report.ran_out) << "seed " << seed;
    EXPECT_LE(report.placed, 9) << "seed " << seed;
    EXPECT_EQ(count_code(grid, tile::kGems), report.placed) << "seed " << seed;
    EXPECT_EQ(rng.state(), advanced(seed, 2 * (report.placed + kBudget)).state())
        << "seed " << seed;
  }
}

TEST(PlaceGems, NeverTouchesTheFrameOrOtherTiles) {
  TileGrid grid = framed_grid(9, 9);
  grid.at(4, 4) = tile::kPortal;
  Random rng(8);
  const GemReport report = place_gems(grid, rng, 100);
  EXPECT_EQ(grid.at(4, 4), tile::kPortal);
  EXPECT_EQ(report.placed, 24);  // 25 rock squares less the portal
  EXPECT_EQ(count_code(grid, tile::kGems), 24);
  for (std::int32_t i = 0; i < 9; ++i) {
    EXPECT_NE(grid.at(i, 1), tile::kGems);
    EXPECT_NE(grid.at(1, i), tile::kGems);
    EXPECT_NE(grid.at(i, 7), tile::kGems);
    EXPECT_NE(grid.at(7, i), tile::kGems);
  }
}

}  // namespace
}  // namespace tarnix
