#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/random/random.h"

namespace tarnix::testing {

// A freshly framed grid.
inline TileGrid framed_grid(std::int32_t width, std::int32_t height) {
  std::optional<TileGrid> grid = TileGrid::create(width, height);
  EXPECT_TRUE(grid.has_value());
  init_grid(*grid);
  return std::move(*grid);
}

inline std::int64_t count_code(const TileGrid& grid, char code) {
  const std::string_view rows = grid.rows();
  return std::count(rows.begin(), rows.end(), code);
}

// A generator that has made `draws` draws since `seed`.
inline Random advanced(std::uint32_t seed, std::int64_t draws) {
  Random rng(seed);
  for (std::int64_t i = 0; i < draws; ++i)
    rng.next();
  return rng;
}

}  // namespace tarnix::testing
