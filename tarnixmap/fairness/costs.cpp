#include "tarnixmap/fairness/costs.h"

#include <algorithm>

#include "tarnixrandommap/grid/tile_grid.h"

namespace tarnix {

CostTable::CostTable() {
  set(tile::kRock, 3);
  set(tile::kGold, 3);
  set(tile::kWater, 2);
  set(tile::kPortal, 1);
  for (int p = 0; p < 4; ++p)
    set(tile::heart(p), 1);
}

std::uint16_t CostTable::max_cost() const {
  return *std::ranges::max_element(costs_);
}

std::string cost_text(const CostTable& costs) {
  std::string text;
  for (const TileCode& code : kTileCodes) {
    if (!text.empty()) text += ", ";
    text += code.code;
    text += ' ';
    text += costs.passable(code.code) ? std::to_string(costs[code.code]) : "wall";
  }
  return text;
}

}  // namespace tarnix
