#include "tarnixmap/drawing/render.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>

#include "tarnixmap/drawing/picture_marks.h"

namespace tarnix {

namespace {

constexpr std::int32_t kTargetSide = 1024;

// How each tile code is drawn. Where several tiles share a pixel, the one
// with the higher rank shows.
struct TileStyle {
  char code;
  Rgb colour;
  int rank;
  std::string_view label;
};

constexpr std::array<TileStyle, kTileCodes.size()> kStyles = {{
    {tile::kSolidRock, {64, 64, 64}, 2, "solid rock"},
    {tile::kRock, {176, 148, 110}, 1, "rock"},
    {tile::kBorder, {0, 0, 0}, 3, "border"},
    {tile::heart(0), {230, 159, 0}, 9, "heart of player 1"},
    {tile::heart(1), {86, 180, 233}, 9, "heart of player 2"},
    {tile::heart(2), {0, 158, 115}, 9, "heart of player 3"},
    {tile::heart(3), {204, 121, 167}, 9, "heart of player 4"},
    {tile::kWater, {0, 114, 178}, 4, "water"},
    {tile::kLava, {213, 94, 0}, 5, "lava"},
    {tile::kGold, {240, 228, 66}, 6, "gold"},
    {tile::kGems, {255, 255, 255}, 7, "gems"},
    {tile::kPortal, {56, 16, 92}, 8, "neutral portal"},
}};

// Indexed by the code's byte, so that drawing a huge map looks nothing up.
constexpr std::array<TileStyle, 256> kStyleOf = [] {
  std::array<TileStyle, 256> table{};
  for (TileStyle& style : table)
    style = {'?', {128, 128, 128}, 0, "?"};
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

std::uint32_t packed(Rgb c) {
  return std::uint32_t{c.r} << 16U | std::uint32_t{c.g} << 8U | c.b;
}

// A mix of two colours, `share` of the second.
Rgb mix(Rgb a, Rgb b, double share) {
  const auto one = [share](std::uint8_t x, std::uint8_t y) {
    return static_cast<std::uint8_t>(std::lround(x + (y - x) * share));
  };
  return {one(a.r, b.r), one(a.g, b.g), one(a.b, b.b)};
}

// Every colour a square can show, packed: by tile code and, where the
// territory is drawn, by who reaches the square first. Worked out once a
// picture, not once a pixel.
class Palette {
 public:
  explicit Palette(bool territory) : territory_(territory) {
    for (std::size_t code = 0; code < 256; ++code) {
      const auto c = static_cast<char>(code);
      for (std::uint8_t who = 0; who < kOwners; ++who) {
        colours_[code * kOwners + who] =
            packed(territory ? territory_colour(c, who) : tile_colour(c));
        if (!territory) break;
      }
    }
  }

  [[nodiscard]] std::uint32_t operator()(char code, std::uint8_t who) const {
    return colours_[static_cast<unsigned char>(code) * kOwners + (territory_ ? who : 0U)];
  }

 private:
  static constexpr std::size_t kOwners = 16;  // each set of the four players
  bool territory_;
  std::array<std::uint32_t, 256 * kOwners> colours_{};
};

// The map's tiles, one colour per pixel, straight into the surface's memory.
// The pixel rows of one row of tiles are alike: each after the first is a
// copy.
void draw_tiles(const TileGrid& grid, Scale scale, const PictureLayout& layout,
                std::span<const std::uint8_t> territory, cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const auto stride = static_cast<std::size_t>(cairo_image_surface_get_stride(surface));
  const Palette palette(!territory.empty());
  const auto row_bytes = static_cast<std::size_t>(layout.map_width) * sizeof(std::uint32_t);
  const std::uint32_t* drawn = nullptr;  // the row before, when it shows the same tiles
  std::int32_t drawn_y = -1;
  for (std::int64_t py = 0; py < layout.map_height; ++py) {
    const auto y = static_cast<std::int32_t>(py / scale.pixels * scale.tiles);
    auto* out = reinterpret_cast<std::uint32_t*>(
        data + static_cast<std::size_t>(layout.map_y + py) * stride);
    out += layout.map_x;
    if (y == drawn_y) {
      std::memcpy(out, drawn, row_bytes);
      continue;
    }
    for (std::int64_t px = 0; px < layout.map_width; ++px) {
      const auto x = static_cast<std::int32_t>(px / scale.pixels * scale.tiles);
      const char code = block_tile(grid, x, y, scale.tiles);
      out[px] = palette(code, territory.empty() ? 0 : territory[grid.index(x, y)]);
    }
    drawn = out;
    drawn_y = y;
  }
  cairo_surface_mark_dirty(surface);
}

// Called from Cairo's C code, through which nothing may be thrown.
cairo_status_t append_bytes(void* closure, const unsigned char* data, unsigned int length) {
  try {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  } catch (const std::bad_alloc&) {
    return CAIRO_STATUS_NO_MEMORY;
  }
  return CAIRO_STATUS_SUCCESS;
}

// Why Cairo could not draw or encode a picture of that size.
std::string drawing_failed(cairo_status_t status, const PictureLayout& layout) {
  const std::string size = std::to_string(layout.width) + " x " + std::to_string(layout.height);
  if (status == CAIRO_STATUS_NO_MEMORY) {
    return "not enough memory for a picture of " + size + " pixels";
  }
  return "the picture of " + size + " pixels could not be drawn (" +
         cairo_status_to_string(status) + ")";
}

struct SurfaceRelease {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};

}  // namespace

Rgb tile_colour(char code) {
  return style_of(code).colour;
}

Rgb territory_colour(char code, std::uint8_t first) {
  // One player: a light shade of the player's colour; shared or no one:
  // grey. The tile shows through, a little, so that lava and water can
  // still be told from rock.
  const bool one = first != 0 && (first & (first - 1)) == 0;
  const Rgb grey{190, 190, 190};
  const Rgb tint =
      one ? mix(tile_colour(tile::heart(std::countr_zero(first))), Rgb{255, 255, 255}, 0.45) : grey;
  return mix(tile_colour(code), tint, 0.7);
}

std::string_view tile_label(char code) {
  return style_of(code).label;
}

Scale scale_to(std::int32_t width, std::int32_t height, std::int32_t side) {
  const std::int32_t longer = std::max(width, height);
  if (longer <= side) return {std::max(1, side / longer), 1};
  return {1, static_cast<std::int32_t>(ceil_div(longer, side))};
}

Scale default_scale(std::int32_t width, std::int32_t height) {
  return scale_to(width, height, kTargetSide);
}

std::optional<std::pair<std::int64_t, std::int64_t>> picture_size(const TileGrid& grid,
                                                                  Scale scale) {
  // Each side is below 2^31 tiles times below 2^31 pixels, so it fits in 64
  // bits; the area is only formed once both sides are known to be small.
  const std::int64_t width = ceil_div(grid.width(), scale.tiles) * scale.pixels;
  const std::int64_t height = ceil_div(grid.height(), scale.tiles) * scale.pixels;
  if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels) return std::nullopt;
  return std::pair{width, height};
}

std::optional<PictureLayout> picture_layout(const TileGrid& grid, Scale scale, bool legend) {
  const auto size = picture_size(grid, scale);
  if (!size) return std::nullopt;
  PictureLayout layout;
  layout.map_width = size->first;
  layout.map_height = size->second;
  layout.width = layout.map_width;
  layout.height = layout.map_height;
  layout.legend_x = layout.width;
  if (legend) {
    layout.map_y = kTitleHeight;
    layout.width += kLegendWidth;
    layout.height = kTitleHeight + std::max(layout.map_height, kLegendHeight);
  }
  if (layout.width > kMaxSide || layout.height > kMaxSide ||
      layout.width * layout.height > kMaxPixels) {
    return std::nullopt;
  }
  return layout;
}

std::int32_t largest_scale(const TileGrid& grid, bool legend) {
  // A picture only grows with its scale: the largest that fits is found by
  // halving the range.
  std::int64_t fits = 0;
  std::int64_t too_big = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  while (too_big - fits > 1) {
    const std::int64_t middle = fits + (too_big - fits) / 2;
    const Scale scale{static_cast<std::int32_t>(middle), 1};
    (picture_layout(grid, scale, legend) ? fits : too_big) = middle;
  }
  return static_cast<std::int32_t>(fits);
}

std::string too_big_message(const TileGrid& grid, Scale scale, bool legend) {
  const std::int64_t width =
      ceil_div(grid.width(), scale.tiles) * scale.pixels + (legend ? kLegendWidth : 0);
  const std::int64_t height =
      ceil_div(grid.height(), scale.tiles) * scale.pixels + (legend ? kTitleHeight : 0);
  std::string text = "the picture would be at least " + std::to_string(width) + " x " +
                     std::to_string(height) + " pixels, more than a picture may have (" +
                     std::to_string(kMaxPixels) + " pixels, " + std::to_string(kMaxSide) +
                     " a side); ";
  const std::int32_t with_legend = legend ? largest_scale(grid, true) : 0;
  const std::int32_t bare = largest_scale(grid, false);
  if (with_legend > 0) {
    text += "choose --scale " + std::to_string(with_legend) + " or less";
    if (bare > with_legend) text += " (up to " + std::to_string(bare) + " with --no-legend)";
  } else if (bare > 0) {
    text += (legend ? "draw it with --no-legend and --scale " : "choose --scale ") +
            std::to_string(bare) + " or less, or leave out --scale to draw the map shrunk";
  } else {
    text += "leave out --scale to draw this map shrunk";
  }
  return text;
}

bool render_png(const TileGrid& grid, Scale scale, const PictureLabels& labels, std::string* png,
                std::string* err) {
  const std::optional<PictureLayout> layout = picture_layout(grid, scale, labels.legend);
  if (!layout) {
    *err = too_big_message(grid, scale, labels.legend);
    return false;
  }
  const std::unique_ptr<cairo_surface_t, SurfaceRelease> surface(cairo_image_surface_create(
      CAIRO_FORMAT_RGB24, static_cast<int>(layout->width), static_cast<int>(layout->height)));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    *err = drawing_failed(cairo_surface_status(surface.get()), *layout);
    return false;
  }
  if (labels.legend) draw_background(surface.get(), *layout);
  draw_tiles(grid, scale, *layout, labels.territory, surface.get());
  if (labels.markers) draw_map_markers(surface.get(), grid, scale, *layout, labels);
  if (labels.legend) draw_title_and_legend(surface.get(), grid, *layout, labels);
  png->clear();
  const cairo_status_t status = cairo_surface_write_to_png_stream(surface.get(), append_bytes, png);
  if (status != CAIRO_STATUS_SUCCESS) {
    *err = drawing_failed(status, *layout);
    return false;
  }
  return true;
}

PictureLabels picture_labels(const std::string& name, std::optional<std::uint32_t> seed,
                             const HeartTable& hearts, const MapMeasure& measure,
                             std::span<const std::uint8_t> first) {
  PictureLabels labels;
  labels.name = name;
  labels.seed = seed;
  labels.score = measure.fairness.score;
  if (measure.fairness.sealed) {
    for (std::size_t p = 0; p < measure.players.size(); ++p) {
      if (measure.players[p].sealed)
        labels.sealed += (labels.sealed.empty() ? "player " : ", ") + std::to_string(p + 1);
    }
  }
  labels.hearts = hearts.placed();
  labels.symmetry = measure.symmetry;
  labels.territory = first;
  return labels;
}

}  // namespace tarnix
