#include "tarnixrandommap/placement/symmetry.h"

#include <algorithm>

namespace tarnix {

namespace {

bool is_heart(char code) {
  return code >= tile::heart(0) && code <= tile::heart(kMaxPlayers - 1);
}

// Which player's heart each player's heart lands on under one copy; nothing
// when some heart lands on none.
std::optional<std::array<std::int32_t, kMaxPlayers>> player_images(
    const SymmetryLayout& layout, std::span<const HeartCentre> hearts, std::int32_t k) {
  std::array<std::int32_t, kMaxPlayers> to{};
  for (std::size_t p = 0; p < hearts.size(); ++p) {
    const HeartCentre image = layout.image(hearts[p], k);
    const auto found = std::ranges::find_if(
        hearts, [image](const HeartCentre& c) { return c.x == image.x && c.y == image.y; });
    if (found == hearts.end()) return std::nullopt;
    to[p] = static_cast<std::int32_t>(found - hearts.begin());
  }
  return to;
}

bool follows(const TileGrid& grid, std::span<const HeartCentre> hearts,
             std::span<const std::int32_t> start_gold, Symmetry symmetry) {
  const SymmetryLayout layout(symmetry, grid.width(), grid.height());
  for (std::int32_t k = 1; k < layout.copies(); ++k) {
    const auto to = player_images(layout, hearts, k);
    if (!to) return false;
    // What a player is given, not only the ground, goes to its image.
    for (std::size_t p = 0; p < start_gold.size(); ++p) {
      const auto image = static_cast<std::size_t>((*to)[p]);
      if (image >= start_gold.size() || start_gold[p] != start_gold[image]) return false;
    }
    for (std::int32_t y = 0; y < grid.height(); ++y) {
      for (std::int32_t x = 0; x < grid.width(); ++x) {
        const char code = grid.at(x, y);
        const HeartCentre image = layout.image({x, y}, k);
        const char expected =
            is_heart(code) && code - tile::heart(0) < static_cast<int>(hearts.size())
                ? tile::heart((*to)[static_cast<std::size_t>(code - tile::heart(0))])
                : code;
        if (grid.at(image.x, image.y) != expected) return false;
      }
    }
  }
  return true;
}

}  // namespace

const SymmetryMode& symmetry_mode(Symmetry symmetry) {
  return kSymmetryModes[static_cast<std::size_t>(symmetry)];
}

std::optional<Symmetry> symmetry_named(std::string_view name) {
  for (const SymmetryMode& mode : kSymmetryModes) {
    if (mode.name == name) return mode.symmetry;
  }
  return std::nullopt;
}

bool symmetry_fits(Symmetry symmetry, std::int32_t width, std::int32_t height,
                   std::int32_t players) {
  if (players != symmetry_mode(symmetry).copies) return false;
  return symmetry != Symmetry::kRot4 || width == height;
}

SymmetryLayout::SymmetryLayout(Symmetry symmetry, std::int32_t width, std::int32_t height)
    : symmetry_(symmetry), width_(width), height_(height) {}

HeartCentre SymmetryLayout::image(HeartCentre s, std::int32_t k) const {
  const HeartCentre across_x{width_ - 1 - s.x, s.y};
  const HeartCentre across_y{s.x, height_ - 1 - s.y};
  const HeartCentre across_both{width_ - 1 - s.x, height_ - 1 - s.y};
  if (k == 0) return s;
  switch (symmetry_) {
    case Symmetry::kMirrorX:
      return across_x;
    case Symmetry::kMirrorY:
      return across_y;
    case Symmetry::kRot2:
      return across_both;
    case Symmetry::kQuad:
      return k == 1 ? across_x : k == 2 ? across_both : across_y;
    case Symmetry::kRot4:
      // A quarter turn clockwise on the screen (rows run down) takes
      // (x, y) to (n − 1 − y, x).
      if (k == 1) return {width_ - 1 - s.y, s.x};
      if (k == 2) return across_both;
      return {s.y, width_ - 1 - s.x};
  }
  return s;
}

bool SymmetryLayout::in_region(HeartCentre s) const {
  // Twice a coordinate against the side less one: below it is before the
  // axis, equal to it is on the axis (odd sides only).
  const std::int32_t x2 = 2 * s.x - (width_ - 1);
  const std::int32_t y2 = 2 * s.y - (height_ - 1);
  switch (symmetry_) {
    case Symmetry::kMirrorX:
      return x2 <= 0;
    case Symmetry::kMirrorY:
      return y2 <= 0;
    case Symmetry::kRot2:
      // The left half, and the upper half of a middle column.
      return x2 < 0 || (x2 == 0 && y2 <= 0);
    case Symmetry::kQuad:
      return x2 <= 0 && y2 <= 0;
    case Symmetry::kRot4:
      // The quarter turns of a block of columns before the centre and rows
      // up to it tile the map around the centre square (on odd sides; on
      // even ones the block is the top-left quarter).
      return (x2 < 0 && y2 <= 0) || (x2 == 0 && y2 == 0);
  }
  return false;
}

bool SymmetryLayout::fixed(HeartCentre s) const {
  for (std::int32_t k = 1; k < copies(); ++k) {
    const HeartCentre i = image(s, k);
    if (i.x == s.x && i.y == s.y) return true;
  }
  return false;
}

char copied_code(char code, std::int32_t k, std::int32_t copies) {
  if (!is_heart(code)) return code;
  return tile::heart((code - tile::heart(0) + k) % copies);
}

void copy_region(TileGrid& grid, const SymmetryLayout& layout) {
  for (std::int32_t y = 0; y < grid.height(); ++y) {
    for (std::int32_t x = 0; x < grid.width(); ++x) {
      if (!layout.in_region({x, y})) continue;
      const char code = grid.at(x, y);
      for (std::int32_t k = 1; k < layout.copies(); ++k) {
        const HeartCentre image = layout.image({x, y}, k);
        grid.at(image.x, image.y) = copied_code(code, k, layout.copies());
      }
    }
  }
}

std::optional<Symmetry> find_symmetry(const TileGrid& grid, std::span<const HeartCentre> hearts,
                                      std::span<const std::int32_t> start_gold) {
  for (const SymmetryMode& mode : kSymmetryModes) {
    if (symmetry_fits(mode.symmetry, grid.width(), grid.height(),
                      static_cast<std::int32_t>(hearts.size())) &&
        follows(grid, hearts, start_gold, mode.symmetry)) {
      return mode.symmetry;
    }
  }
  return std::nullopt;
}

}  // namespace tarnix
