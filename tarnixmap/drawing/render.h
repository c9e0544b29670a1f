#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tarnixmap/fairness/measure.h"
#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/placement/hearts.h"
#include "tarnixrandommap/placement/symmetry.h"

namespace tarnix {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
};

// The colour a tile code is drawn in. The four players' hearts have the
// Okabe-Ito colours that people with any common colour blindness can tell
// apart (orange, sky blue, bluish green, reddish purple); portals are a
// dark violet no heart comes near.
[[nodiscard]] Rgb tile_colour(char code);

// What the legend calls a tile code: "rock", "heart of player 1", ...
[[nodiscard]] std::string_view tile_label(char code);

// How tiles become pixels: `pixels` pixels per tile side when the map is
// drawn larger, or one pixel per `tiles` × `tiles` block when it is drawn
// smaller (the block's most telling tile decides its colour: hearts, then
// portals, gems, gold, lava, water, border, solid rock, rock).
struct Scale {
  std::int32_t pixels = 1;
  std::int32_t tiles = 1;
};

// The scale that draws the map about `side` pixels on its longer side:
// whole pixels per tile up to it, or whole tiles per pixel beyond it.
// Requires: side >= 1.
[[nodiscard]] Scale scale_to(std::int32_t width, std::int32_t height, std::int32_t side);

// The scale that draws the map about 1024 pixels on its longer side.
[[nodiscard]] Scale default_scale(std::int32_t width, std::int32_t height);

// A picture has at most this many pixels, and at most kMaxSide a side (the
// most the drawing library takes).
inline constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26U;
inline constexpr std::int64_t kMaxSide = 32767;

// The map's own size in pixels at `scale`, or nothing when it alone would
// be too big to draw.
[[nodiscard]] std::optional<std::pair<std::int64_t, std::int64_t>> picture_size(
    const TileGrid& grid, Scale scale);

// A race's income, drawn as a small plot in the legend: each player's gold
// at 0, T / 4, T / 2 and T.
struct RaceCurves {
  std::int32_t time = 0;                          // T
  std::vector<std::array<std::int64_t, 3>> gold;  // each player's, at T / 4, T / 2, T
  double fairness = 0;                            // for the title
};

// What a picture shows besides the tiles.
struct PictureLabels {
  bool legend = true;   // a title line and a legend strip beside the map
  bool markers = true;  // a marker on each heart and each portal
  std::string name;     // the map's name, for the title
  std::optional<std::uint32_t> seed;
  std::optional<double> score;          // the fairness score; none for a sealed map
  std::string sealed;                   // who is sealed in, for the title ("player 2")
  std::span<const HeartCentre> hearts;  // each gets a marker with its player's number
  std::optional<Symmetry> symmetry;     // a thin line on each axis, or a ring at the centre
  // When not empty: who reaches each square first (a bit per player, by
  // grid index, as DigTimes gives them); every square is tinted with the
  // light shade of its player's colour, grey when shared or reached by no
  // one.
  std::span<const std::uint8_t> territory;
  // Of a race's picture: `territory` then holds each player's floor at the
  // race's end, and the legend plots the income.
  std::optional<RaceCurves> race;
};

// What a picture of a measured map shows besides its tiles: its name,
// seed, score and who is sealed in; the territory (who reaches each square
// first, `first` as DigTimes gives it) when not empty.
[[nodiscard]] PictureLabels picture_labels(const std::string& name,
                                           std::optional<std::uint32_t> seed,
                                           const HeartTable& hearts, const MapMeasure& measure,
                                           std::span<const std::uint8_t> first = {});

// The colour a square of `code` is drawn in when `first` (a bit per player)
// reach it first, in a territory picture.
[[nodiscard]] Rgb territory_colour(char code, std::uint8_t first);

// Where the parts of a picture lie, in pixels.
struct PictureLayout {
  std::int64_t width = 0;  // the whole picture
  std::int64_t height = 0;
  std::int64_t map_x = 0;  // the map's top-left pixel
  std::int64_t map_y = 0;
  std::int64_t map_width = 0;
  std::int64_t map_height = 0;
  std::int64_t legend_x = 0;  // where the legend strip begins: the width without one
};

inline constexpr std::int64_t kTitleHeight = 32;
inline constexpr std::int64_t kLegendWidth = 210;
// Tall enough for every entry: the tiles of 4 players, the markers and a
// symmetry axis, so that a small map's legend is never cut off.
inline constexpr std::int64_t kLegendHeight = 440;

// The layout of the picture of `grid` at `scale`, or nothing when it would
// have more than kMaxPixels pixels or more than kMaxSide a side.
[[nodiscard]] std::optional<PictureLayout> picture_layout(const TileGrid& grid, Scale scale,
                                                          bool legend);

// The largest number of pixels per tile whose whole picture, title and
// legend included where `legend`, can be drawn; 0 when none can (the map
// can then only be drawn shrunk).
[[nodiscard]] std::int32_t largest_scale(const TileGrid& grid, bool legend);

// Why the picture of `grid` at `scale` cannot be drawn, and the largest
// --scale that can, with --no-legend named where it would help.
[[nodiscard]] std::string too_big_message(const TileGrid& grid, Scale scale, bool legend);

// Draws the map as a PNG file's bytes. Returns false and sets *err when it
// cannot (a picture too big, or the drawing library's own error).
[[nodiscard]] bool render_png(const TileGrid& grid, Scale scale, const PictureLabels& labels,
                              std::string* png, std::string* err);

}  // namespace tarnix
