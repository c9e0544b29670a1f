#include "tarnixrandommap/grid/tile_grid.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnix {
namespace {

std::string framed(std::int32_t width, std::int32_t height) {
  std::optional<TileGrid> grid = TileGrid::create(width, height);
  EXPECT_TRUE(grid.has_value());
  init_grid(*grid);
  return std::string(grid->rows());
}

TEST(InitGrid, SevenBySevenHasBorderRingAndThreeByThreeInterior) {
  EXPECT_EQ(framed(7, 7),
            "AAAAAAA\r\n"
            "ASSSSSA\r\n"
            "AS...SA\r\n"
            "AS...SA\r\n"
            "AS...SA\r\n"
            "ASSSSSA\r\n"
            "AAAAAAA\r\n");
}

TEST(InitGrid, WidthAndHeightAreIndependent) {
  EXPECT_EQ(framed(10, 8),
            "AAAAAAAAAA\r\n"
            "ASSSSSSSSA\r\n"
            "AS......SA\r\n"
            "AS......SA\r\n"
            "AS......SA\r\n"
            "AS......SA\r\n"
            "ASSSSSSSSA\r\n"
            "AAAAAAAAAA\r\n");
}

// Every square against the framing rules, first matching rule wins.
TEST(InitGrid, EverySquareFollowsTheFramingRules) {
  struct Case {
    std::int32_t width;
    std::int32_t height;
  };
  for (const Case c : {Case{7, 9}, Case{9, 7}, Case{33, 12}, Case{64, 64}}) {
    std::optional<TileGrid> grid = TileGrid::create(c.width, c.height);
    ASSERT_TRUE(grid.has_value());
    init_grid(*grid);
    for (std::int32_t y = 0; y < c.height; ++y) {
      for (std::int32_t x = 0; x < c.width; ++x) {
        char want = tile::kRock;
        if (y == 0 || y == c.height - 1 || x == 0 || x == c.width - 1) {
          want = tile::kBorder;
        } else if (y == 1 || y == c.height - 2 || x == 1 || x == c.width - 2) {
          want = tile::kSolidRock;
        }
        ASSERT_EQ(grid->at(x, y), want) << c.width << "x" << c.height << " at " << x << "," << y;
      }
      ASSERT_EQ(grid->cells()[grid->index(c.width, y)], '\r');
      ASSERT_EQ(grid->cells()[grid->index(c.width + 1, y)], '\n');
    }
  }
}

TEST(TileGrid, AddressesColumnThenRow) {
  std::optional<TileGrid> grid = TileGrid::create(12, 9);
  ASSERT_TRUE(grid.has_value());
  init_grid(*grid);
  grid->at(5, 3) = tile::kGems;
  EXPECT_EQ(grid->rows()[3 * (12 + 2) + 5], tile::kGems);
  EXPECT_EQ(grid->stride(), 14U);
}

TEST(TileGrid, ImpossibleSizeReportsNoMemory) {
  // About 4.6e18 bytes: no machine can hold it.
  EXPECT_FALSE(TileGrid::create(2147483647, 2147483647).has_value());
}

}  // namespace
}  // namespace tarnix
