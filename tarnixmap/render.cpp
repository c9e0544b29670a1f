#include "tarnixmap/render.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <vector>

namespace tarnix {

namespace {

constexpr std::int32_t kTargetSide = 1024;

// How each tile code is drawn. Where several tiles share a pixel, the one
// with the higher rank shows.
struct TileStyle {
  char code;
  Rgb colour;
  int rank;
};

constexpr std::array<TileStyle, kTileCodes.size()> kStyles = {{
    {tile::kSolidRock, {70, 70, 70}, 2},
    {tile::kRock, {150, 120, 90}, 1},
    {tile::kBorder, {0, 0, 0}, 3},
    {tile::heart(0), {220, 20, 60}, 9},
    {tile::heart(1), {0, 190, 0}, 9},
    {tile::heart(2), {0, 210, 230}, 9},
    {tile::heart(3), {150, 60, 230}, 9},
    {tile::kWater, {30, 90, 230}, 4},
    {tile::kLava, {255, 100, 0}, 5},
    {tile::kGold, {255, 215, 0}, 6},
    {tile::kGems, {255, 255, 255}, 7},
    {tile::kPortal, {255, 0, 255}, 8},
}};

// Indexed by the code's byte, so that drawing a huge map looks nothing up.
constexpr std::array<TileStyle, 256> kStyleOf = [] {
  std::array<TileStyle, 256> table{};
  for (TileStyle& style : table)
    style = {'?', {128, 128, 128}, 0};
  for (const TileStyle& style : kStyles)
    table[static_cast<unsigned char>(style.code)] = style;
  return table;
}();

const TileStyle& style_of(char code) {
  return kStyleOf[static_cast<unsigned char>(code)];
}

// The tile that stands for the block of `tiles` × `tiles` at (x, y).
char block_tile(const TileGrid& grid, std::int32_t x, std::int32_t y, std::int32_t tiles) {
  char best = grid.at(x, y);
  for (std::int32_t row = y; row < std::min(y + tiles, grid.height()); ++row) {
    for (std::int32_t col = x; col < std::min(x + tiles, grid.width()); ++col) {
      const char code = grid.at(col, row);
      if (style_of(code).rank > style_of(best).rank) best = code;
    }
  }
  return best;
}

std::int64_t ceil_div(std::int64_t a, std::int64_t b) {
  return (a + b - 1) / b;
}

}  // namespace

Rgb tile_colour(char code) {
  return style_of(code).colour;
}

Scale default_scale(std::int32_t width, std::int32_t height) {
  const std::int32_t longer = std::max(width, height);
  if (longer <= kTargetSide) return {std::max(1, kTargetSide / longer), 1};
  return {1, static_cast<std::int32_t>(ceil_div(longer, kTargetSide))};
}

std::optional<std::pair<std::int64_t, std::int64_t>> picture_size(const TileGrid& grid,
                                                                  Scale scale) {
  // Each side is below 2^31 tiles times below 2^31 pixels, so it fits in 64
  // bits; the area is only formed once both sides are known to be small.
  const std::int64_t width = ceil_div(grid.width(), scale.tiles) * scale.pixels;
  const std::int64_t height = ceil_div(grid.height(), scale.tiles) * scale.pixels;
  if (width > kMaxPixels || height > kMaxPixels || width * height > kMaxPixels) return std::nullopt;
  return std::pair{width, height};
}

std::int32_t largest_scale(const TileGrid& grid) {
  const std::int64_t area = std::int64_t{grid.width()} * grid.height();
  std::int64_t scale = 0;
  while ((scale + 1) * (scale + 1) <= kMaxPixels / area)
    ++scale;
  return static_cast<std::int32_t>(scale);
}

bool render_png(const TileGrid& grid, Scale scale, std::string* png, std::string* err) {
  const auto size = picture_size(grid, scale);
  if (!size) {
    const std::int32_t largest = largest_scale(grid);
    *err = "the picture would have more than " + std::to_string(kMaxPixels) + " pixels; " +
           (largest > 0
                ? "choose a smaller --scale (at most " + std::to_string(largest) + " for this map)"
                : std::string("leave out --scale to draw this map shrunk"));
    return false;
  }
  const auto [width, height] = *size;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * height * 3));
  for (std::int64_t py = 0; py < height; ++py) {
    const auto y = static_cast<std::int32_t>(py / scale.pixels * scale.tiles);
    std::uint8_t* out = pixels.data() + py * width * 3;
    for (std::int64_t px = 0; px < width; ++px) {
      const auto x = static_cast<std::int32_t>(px / scale.pixels * scale.tiles);
      const Rgb c = tile_colour(block_tile(grid, x, y, scale.tiles));
      out[px * 3] = c.r;
      out[px * 3 + 1] = c.g;
      out[px * 3 + 2] = c.b;
    }
  }
  // libpng's simplified interface: no setjmp, and it reports its own errors.
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  png_alloc_size_t bytes = 0;
  if (png_image_write_to_memory(&image, nullptr, &bytes, 0, pixels.data(), 0, nullptr) == 0) {
    *err = image.message;
    return false;
  }
  png->resize(bytes);
  if (png_image_write_to_memory(&image, png->data(), &bytes, 0, pixels.data(), 0, nullptr) == 0) {
    *err = image.message;
    return false;
  }
  png->resize(bytes);
  return true;
}

}  // namespace tarnix
