#include "tarnixmap/fairness/portal_blocks.h"

#include <string_view>

namespace tarnix {

const std::vector<PortalBlock>& PortalFinder::find(const TileGrid& grid) {
  blocks_.clear();
  const std::string_view rows = grid.rows();
  if (rows.find(tile::kPortal) == std::string_view::npos) return blocks_;
  if (taken_.size() != rows.size()) taken_.assign(rows.size(), 0);
  for (std::size_t at = rows.find(tile::kPortal); at != std::string_view::npos;
       at = rows.find(tile::kPortal, at + 1)) {
    if (taken_[at] != 0) continue;
    PortalBlock block;
    block.x = static_cast<std::int32_t>(at % grid.stride());
    block.y = static_cast<std::int32_t>(at / grid.stride());
    // The frame keeps a portal square two squares from every edge: the
    // block stays inside the grid.
    for (std::int32_t y = block.y; y < block.y + 3 && y < grid.height(); ++y) {
      for (std::int32_t x = block.x; x < block.x + 3 && x < grid.width(); ++x) {
        const std::size_t square = grid.index(x, y);
        if (grid.at(x, y) != tile::kPortal || taken_[square] != 0) continue;
        taken_[square] = 1;
        block.squares[block.count++] = square;
      }
    }
    blocks_.push_back(block);
  }
  // Left clean for the next map: only the squares marked are cleared.
  for (const PortalBlock& b : blocks_) {
    for (std::size_t i = 0; i < b.count; ++i)
      taken_[b.squares[i]] = 0;
  }
  return blocks_;
}

}  // namespace tarnix
