#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "tarnixrandommap/grid/tile_grid.h"

namespace tarnix {

// A portal: one 3 x 3 block of portal squares, as the generator places it.
struct PortalBlock {
  std::int32_t x = 0;  // its top-left square
  std::int32_t y = 0;
  std::array<std::size_t, 9> squares{};  // the grid's indices of its portal squares
  std::size_t count = 0;                 // how many: 9 on a map the generator made
};

// Finds a map's portals, reusing its memory from one map to the next. The
// portal squares are taken row by row; each not yet in a portal is the
// top-left square of a new one, which takes the portal squares of the 3 x 3
// block from there. On a map whose portal squares are whole blocks, as the
// generator places them (side by side too), this finds exactly those
// blocks: the first square of any block, row by row, is its top-left.
class PortalFinder {
 public:
  // Requires: a framed grid.
  const std::vector<PortalBlock>& find(const TileGrid& grid);

 private:
  std::vector<PortalBlock> blocks_;
  std::vector<std::uint8_t> taken_;  // by grid index: already in a block
};

}  // namespace tarnix
