#include "tarnixrandommap/placement/hearts.h"

#include <gtest/gtest.h>

#include <vector>

#include "tarnixrandommap/placement/test_support.h"

namespace tarnix {
namespace {

// Every phase's budget, counted by hand from the generator's description,
// not taken from the code under test.
constexpr std::int64_t kBudget = 10000;

using testing::advanced;
using testing::framed_grid;

TEST(PlaceHearts, KnownCentresForSeedOne) {
  TileGrid grid = framed_grid(64, 64);
  Random rng(1);
  const std::optional<HeartTable> hearts = place_hearts(grid, rng, 4, 20 + 5);
  ASSERT_TRUE(hearts.has_value());
  ASSERT_EQ(hearts->count, 4);
  const std::vector<std::pair<int, int>> want = {{44, 26}, {15, 55}, {40, 55}, {5, 31}};
  for (std::size_t p = 0; p < want.size(); ++p) {
    EXPECT_EQ(hearts->centres[p].x, want[p].first) << "player " << p + 1;
    EXPECT_EQ(hearts->centres[p].y, want[p].second) << "player " << p + 1;
  }
}

// Each block is 5 × 5 of its digit around its centre, later hearts winning
// where blocks overlap; nothing else changes.
TEST(PlaceHearts, StampsFiveByFiveBlocksLaterOverEarlier) {
  for (std::uint32_t seed = 0; seed < 200; ++seed) {
    TileGrid grid = framed_grid(20, 16);
    const TileGrid before = framed_grid(20, 16);
    Random rng(seed);
    const std::optional<HeartTable> hearts = place_hearts(grid, rng, 4, 0);  // blocks may overlap
    ASSERT_TRUE(hearts.has_value()) << "seed " << seed;
    for (std::int32_t y = 0; y < 16; ++y) {
      for (std::int32_t x = 0; x < 20; ++x) {
        char want = before.at(x, y);
        for (std::int32_t p = 0; p < 4; ++p) {
          const HeartCentre c = hearts->centres[static_cast<std::size_t>(p)];
          if (std::abs(c.x - x) <= 2 && std::abs(c.y - y) <= 2) want = tile::heart(p);
        }
        ASSERT_EQ(grid.at(x, y), want) << "seed " << seed << " at " << x << "," << y;
      }
    }
  }
}

// Finds a seed whose first two candidates on a 64 × 64 map lie 3 and 4
// squares apart, that is exactly 5 apart.
std::uint32_t seed_with_first_candidates_five_apart() {
  for (std::uint32_t seed = 0;; ++seed) {
    Random rng(seed);
    const int x1 = rng.rand_range(3, 61);
    const int y1 = rng.rand_range(3, 61);
    const int x2 = rng.rand_range(3, 61);
    const int y2 = rng.rand_range(3, 61);
    if (std::abs(x1 - x2) == 3 && std::abs(y1 - y2) == 4) return seed;
  }
}

// The spacing is compared by its square: exactly the spacing apart is far
// enough, and a negative spacing acts as its absolute value.
TEST(PlaceHearts, SpacingBoundary) {
  const std::uint32_t seed = seed_with_first_candidates_five_apart();
  struct Case {
    std::int32_t spacing;
    bool second_candidate_accepted;
  };
  for (const Case c :
       {Case{5, true}, Case{-5, true}, Case{4, true}, Case{6, false}, Case{-6, false}}) {
    TileGrid grid = framed_grid(64, 64);
    Random rng(seed);
    const std::optional<HeartTable> hearts = place_hearts(grid, rng, 2, c.spacing);
    ASSERT_TRUE(hearts.has_value()) << "spacing " << c.spacing;
    Random shadow(seed);
    shadow.next();
    shadow.next();
    const int x2 = shadow.rand_range(3, 61);
    const int y2 = shadow.rand_range(3, 61);
    const bool accepted = hearts->centres[1].x == x2 && hearts->centres[1].y == y2;
    EXPECT_EQ(accepted, c.second_candidate_accepted) << "spacing " << c.spacing;
    // Either way the second heart keeps its distance.
    const std::int64_t dx = hearts->centres[1].x - hearts->centres[0].x;
    const std::int64_t dy = hearts->centres[1].y - hearts->centres[0].y;
    EXPECT_GE(dx * dx + dy * dy, std::int64_t{c.spacing} * c.spacing) << "spacing " << c.spacing;
  }
}

// On a 7 × 7 map every centre is (3, 3): the second heart can never keep a
// spacing of 1. The first heart costs two draws, then the whole budget of
// rejections is spent at two draws each, and nothing is stamped.
TEST(PlaceHearts, FailureSpendsTheSharedBudgetAndStampsNothing) {
  for (const std::int32_t players : {2, 3, 4}) {
    TileGrid grid = framed_grid(7, 7);
    const std::string before(grid.rows());
    Random rng(42);
    EXPECT_FALSE(place_hearts(grid, rng, players, 1).has_value()) << players << " players";
    EXPECT_EQ(grid.rows(), before) << players << " players";
    EXPECT_EQ(rng.state(), advanced(42, 2 + 2 * kBudget).state()) << players << " players";
  }
}

// The budget is the phase's, not each player's. On a 20 x 7 map every
// centre is on row 3, columns 3 to 16, and with a spacing of 7 any first
// heart leaves room for a second but never a third: so two hearts are
// placed at two draws each, whatever the rejections before the second, and
// all rejections together, before and after it, are the budget.
TEST(PlaceHearts, OneBudgetForAllPlayers) {
  for (const std::int32_t players : {3, 4}) {
    for (const std::uint32_t seed : {1U, 2U, 3U}) {
      TileGrid grid = framed_grid(20, 7);
      Random rng(seed);
      EXPECT_FALSE(place_hearts(grid, rng, players, 7).has_value()) << players << ", " << seed;
      EXPECT_EQ(rng.state(), advanced(seed, 4 + 2 * kBudget).state())
          << players << " players, seed " << seed;
    }
  }
}

TEST(PlaceHearts, SpacingZeroAllowsHeartsOnTheSameCentre) {
  TileGrid grid = framed_grid(7, 7);
  Random rng(3);
  const std::optional<HeartTable> hearts = place_hearts(grid, rng, 4, 0);
  ASSERT_TRUE(hearts.has_value());
  EXPECT_EQ(grid.at(3, 3), '4');
  EXPECT_EQ(grid.at(1, 1), '4');  // the block covers the inner ring
  EXPECT_EQ(grid.at(0, 0), tile::kBorder);
  EXPECT_EQ(rng.state(), advanced(3, 8).state());
}

}  // namespace
}  // namespace tarnix
