#pragma once

#include <cstdint>
#include <string_view>

#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/random/random.h"

namespace tarnix {

// What tells the three material phases apart.
struct Material {
  std::string_view name;   // as the console reports it
  char code;               // the tile code written
  std::int32_t threshold;  // a square grows when a draw of 0 … 99 is at most this
};

inline constexpr Material kGoldMaterial{"gold", tile::kGold, 20};
inline constexpr Material kLavaMaterial{"lava", tile::kLava, 40};
inline constexpr Material kWaterMaterial{"water", tile::kWater, 40};

// The random fill from square (x, y): a square grows when `count` is below
// `target`, the square is untouched rock and a growth draw passes
// `threshold`; a grown square gets `code`, adds one to `count` and tries its
// neighbours depth first, left, right, down, up. A draw is made only for
// squares that pass the first two tests, so the order of tests and
// neighbours decides which draws go where.
// Requires: a framed grid (the frame, never rock, keeps the fill inside) and
// (x, y) inside it.
void grow_cluster(TileGrid& grid, Random& rng, std::int32_t& count, std::int32_t target, char code,
                  std::int32_t x, std::int32_t y, std::int32_t threshold);

struct ClusterReport {
  std::int32_t placed = 0;  // squares of the material written
  bool ran_out = false;     // all MAX_TRIES seeds were spent below the target
};

// One material phase: drops seeds and grows a blob from each until `target`
// squares are placed or MAX_TRIES seeds are spent.
// Requires: a framed grid with width, height >= 7.
[[nodiscard]] ClusterReport place_material(TileGrid& grid, Random& rng, const Material& material,
                                           std::int32_t target);

struct ClustersReport {
  ClusterReport gold;
  ClusterReport lava;
  ClusterReport water;
};

// Gold, then lava, then water.
[[nodiscard]] ClustersReport place_clusters(TileGrid& grid, Random& rng, std::int32_t gold,
                                            std::int32_t lava, std::int32_t water);

}  // namespace tarnix
