#include "tarnixmap/fairness/sealing.h"

#include <algorithm>
#include <array>

namespace tarnix {

namespace {

// The squares reachable from `seeds` by steps towards higher bits through
// the squares of `open`: an occluded fill, in six doublings. A seed need
// not be open itself; every square it spreads to must be.
std::uint64_t fill_up(std::uint64_t seeds, std::uint64_t open) {
  seeds |= open & (seeds << 1U);
  open &= open << 1U;
  seeds |= open & (seeds << 2U);
  open &= open << 2U;
  seeds |= open & (seeds << 4U);
  open &= open << 4U;
  seeds |= open & (seeds << 8U);
  open &= open << 8U;
  seeds |= open & (seeds << 16U);
  open &= open << 16U;
  return seeds | (open & (seeds << 32U));
}

// The same towards lower bits.
std::uint64_t fill_down(std::uint64_t seeds, std::uint64_t open) {
  seeds |= open & (seeds >> 1U);
  open &= open >> 1U;
  seeds |= open & (seeds >> 2U);
  open &= open >> 2U;
  seeds |= open & (seeds >> 4U);
  open &= open >> 4U;
  seeds |= open & (seeds >> 8U);
  open &= open >> 8U;
  seeds |= open & (seeds >> 16U);
  open &= open >> 16U;
  return seeds | (open & (seeds >> 32U));
}

}  // namespace

void SealCheck::flood(std::int32_t x, std::int32_t y) {
  std::fill(flood_.begin(), flood_.end(), 0);
  flood_[word(x, y)] = bit(x);
  // One row: what the row beside it (`from`) has flooded comes in where
  // the row is open, and spreads along the row's open runs, across words.
  // Returns whether the row grew.
  const auto spread = [&](std::size_t row, std::size_t from) {
    std::uint64_t* const r = &flood_[row * words_];
    const std::uint64_t* const f = &flood_[from * words_];
    const std::uint64_t* const o = &open_[row * words_];
    bool grew = false;
    std::uint64_t carry = 0;
    for (std::size_t w = 0; w < words_; ++w) {
      const std::uint64_t seeds = r[w] | (f[w] & o[w]) | (carry & o[w]);
      const std::uint64_t filled = fill_up(seeds, o[w]);
      grew = grew || filled != r[w];
      r[w] = filled;
      carry = filled >> 63U;
    }
    carry = 0;
    for (std::size_t w = words_; w-- > 0;) {
      const std::uint64_t filled = fill_down(r[w] | ((carry << 63U) & o[w]), o[w]);
      grew = grew || filled != r[w];
      r[w] = filled;
      carry = filled & 1U;
    }
    return grew;
  };
  const auto rows = static_cast<std::size_t>(height_);
  for (bool grew = true; grew;) {
    grew = false;
    for (std::size_t y = 0; y < rows; ++y)
      grew = spread(y, y == 0 ? y : y - 1) || grew;
    for (std::size_t y = rows; y-- > 0;)
      grew = spread(y, y + 1 == rows ? y : y + 1) || grew;
  }
}

// A square is reached by entering it, or, for a wall, from a neighbour that
// was entered: the start is flooded whatever it is, but only the squares
// that can be entered count.
bool SealCheck::reached(std::int32_t x, std::int32_t y) const {
  const auto flooded = [&](std::int32_t fx, std::int32_t fy) {
    if (fx < 0 || fy < 0 || fx >= width_ || fy >= height_) return false;
    const std::size_t w = word(fx, fy);
    return (flood_[w] & open_[w] & bit(fx)) != 0;
  };
  return flooded(x, y) || flooded(x - 1, y) || flooded(x + 1, y) || flooded(x, y - 1) ||
         flooded(x, y + 1);
}

bool SealCheck::portal_reached() const {
  const auto rows = static_cast<std::size_t>(height_);
  // The flooded squares that were entered, row by row.
  const auto entered = [&](std::size_t y, std::size_t w) {
    const std::size_t at = y * words_ + w;
    return flood_[at] & open_[at];
  };
  for (std::size_t y = 0; y < rows; ++y) {
    const std::uint64_t* const p = &portals_[y * words_];
    for (std::size_t w = 0; w < words_; ++w) {
      const std::uint64_t here = entered(y, w);
      const std::uint64_t left_in = w > 0 ? entered(y, w - 1) >> 63U : 0;
      const std::uint64_t right_in = w + 1 < words_ ? entered(y, w + 1) << 63U : 0;
      const std::uint64_t above = y > 0 ? entered(y - 1, w) : 0;
      const std::uint64_t below = y + 1 < rows ? entered(y + 1, w) : 0;
      const std::uint64_t near =
          here | (here << 1U) | left_in | (here >> 1U) | right_in | above | below;
      if ((near & p[w]) != 0) return true;
    }
  }
  return false;
}

bool SealCheck::check(const TileGrid& grid, std::span<const HeartCentre> hearts,
                      const CostTable& costs, std::span<StartFigures> starts) {
  width_ = grid.width();
  height_ = grid.height();
  words_ = (static_cast<std::size_t>(width_) + 63) / 64;
  const std::size_t size = words_ * static_cast<std::size_t>(height_);
  open_.assign(size, 0);
  portals_.assign(size, 0);
  flood_.resize(size);
  bool has_portals = false;
  for (std::int32_t y = 0; y < height_; ++y) {
    const char* row = grid.cells() + grid.index(0, y);
    for (std::int32_t x = 0; x < width_; ++x) {
      const char code = row[x];
      if (costs.passable(code)) open_[word(x, y)] |= bit(x);
      if (code == tile::kPortal) {
        portals_[word(x, y)] |= bit(x);
        has_portals = true;
      }
    }
  }
  std::array<bool, kMaxPlayers> known{};
  bool any = false;
  for (std::size_t p = 0; p < hearts.size(); ++p) {
    if (known[p]) continue;
    flood(hearts[p].x, hearts[p].y);
    const bool portal = !has_portals || portal_reached();
    // Every player whose centre the flood holds has the same squares
    // within reach, unless the flood began on a wall: a player stands on
    // its own centre, but no one else can pass through it.
    const bool shared = costs.passable(grid.at(hearts[p].x, hearts[p].y));
    for (std::size_t q = p; q < hearts.size(); ++q) {
      const HeartCentre c = hearts[q];
      if (q != p && (!shared || (flood_[word(c.x, c.y)] & bit(c.x)) == 0)) continue;
      bool rival = false;
      for (std::size_t r = 0; r < hearts.size(); ++r)
        rival = rival || (r != q && reached(hearts[r].x, hearts[r].y));
      starts[q].sealed = !rival || !portal;
      any = any || starts[q].sealed;
      known[q] = true;
    }
  }
  return any;
}

}  // namespace tarnix
