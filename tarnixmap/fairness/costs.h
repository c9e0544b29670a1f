#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tarnix {

// The time a player needs to dig into a square and stand on it, by the
// square's tile code; a wall cannot be entered at all. The defaults: rock
// and gold 3, water 2, a portal and a heart 1; lava, gems, solid rock and
// the border are walls (a gem is mined from the square beside it).
class CostTable {
 public:
  static constexpr std::uint16_t kWall = 0;
  static constexpr std::uint16_t kMaxCost = 1000;

  CostTable();

  // The cost of entering a square of `code`; kWall for a wall and for any
  // byte that is not a tile code.
  [[nodiscard]] std::uint16_t operator[](char code) const {
    return costs_[static_cast<unsigned char>(code)];
  }
  [[nodiscard]] bool passable(char code) const { return (*this)[code] != kWall; }
  // The dearest square that can be entered.
  [[nodiscard]] std::uint16_t max_cost() const;

  // Requires: `code` is a tile code other than the border, and `cost` is
  // kWall or 1 … kMaxCost.
  void set(char code, std::uint16_t cost) { costs_[static_cast<unsigned char>(code)] = cost; }

  bool operator==(const CostTable&) const = default;

 private:
  std::array<std::uint16_t, 256> costs_{};
};

// The table as a line of text: ". 3, g 3, W 2, P 1, 1 1, ..., L wall, ...".
[[nodiscard]] std::string cost_text(const CostTable& costs);

}  // namespace tarnix
