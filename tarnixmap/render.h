#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "tarnixrandommap/grid/tile_grid.h"

namespace tarnix {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
};

// The colour a tile code is drawn in: a clear colour for each of rock, solid
// rock, border, each player's heart, water, lava, gold, gems and portals.
[[nodiscard]] Rgb tile_colour(char code);

// How tiles become pixels: `pixels` pixels per tile side when the map is
// drawn larger, or one pixel per `tiles` × `tiles` block when it is drawn
// smaller (the block's most telling tile decides its colour: hearts, then
// portals, gems, gold, lava, water, border, solid rock, rock).
struct Scale {
  std::int32_t pixels = 1;
  std::int32_t tiles = 1;
};

// The scale that draws the map about 1024 pixels on its longer side.
[[nodiscard]] Scale default_scale(std::int32_t width, std::int32_t height);

// The picture's size at `scale`, or nothing when it is too big to draw (more
// than kMaxPixels pixels).
inline constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26U;
[[nodiscard]] std::optional<std::pair<std::int64_t, std::int64_t>> picture_size(
    const TileGrid& grid, Scale scale);

// The largest number of pixels per tile that stays within kMaxPixels; 0
// when the map can only be drawn shrunk.
[[nodiscard]] std::int32_t largest_scale(const TileGrid& grid);

// Draws the map as a PNG file's bytes. Returns false and sets *err when it
// cannot (a picture too big, or the PNG library's own error).
[[nodiscard]] bool render_png(const TileGrid& grid, Scale scale, std::string* png,
                              std::string* err);

}  // namespace tarnix
