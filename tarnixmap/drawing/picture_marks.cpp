#include "tarnixmap/drawing/picture_marks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "tarnixmap/fairness/figure_text.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

constexpr const char* kFont = "DejaVu Sans";

struct ContextRelease {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using Context = std::unique_ptr<cairo_t, ContextRelease>;

void set_colour(cairo_t* cr, Rgb c) {
  cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

void text_at(cairo_t* cr, double x, double y, double size, bool bold, const std::string& text) {
  cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, text.c_str());
}

// Pixels per tile, fractional when the map is drawn shrunk.
double pixels_per_tile(Scale scale) {
  return static_cast<double>(scale.pixels) / scale.tiles;
}

// A ring around the heart's block, in the player's colour on black so that
// it shows on any tile, and the player's number in a disc above it: the
// block and the squares touching it stay in sight.
void heart_marker(cairo_t* cr, const HeartMark& mark, int player) {
  cairo_new_path(cr);  // text leaves a current point the arc would join with a line
  cairo_arc(cr, mark.x, mark.y, mark.ring, 0, 2 * M_PI);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 2 * kRingStroke);
  cairo_stroke_preserve(cr);
  set_colour(cr, tile_colour(tile::heart(player - 1)));
  cairo_set_line_width(cr, 2 * kRingStroke - 2);
  cairo_stroke(cr);
  cairo_arc(cr, mark.label_x, mark.label_y, kLabelRadius, 0, 2 * M_PI);
  set_colour(cr, tile_colour(tile::heart(player - 1)));
  cairo_fill_preserve(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);
  cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, kLabelRadius * 1.4);
  const std::string number = std::to_string(player);
  cairo_text_extents_t extents{};
  cairo_text_extents(cr, number.c_str(), &extents);
  cairo_move_to(cr, mark.label_x - extents.x_bearing - extents.width / 2,
                mark.label_y - extents.y_bearing - extents.height / 2);
  cairo_show_text(cr, number.c_str());
}

// A hollow diamond, white on black: a shape no heart marker has.
void portal_marker(cairo_t* cr, double x, double y, double half) {
  cairo_new_path(cr);
  cairo_move_to(cr, x, y - half);
  cairo_line_to(cr, x + half, y);
  cairo_line_to(cr, x, y + half);
  cairo_line_to(cr, x - half, y);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 4);
  cairo_stroke_preserve(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
}

// The middle square of each 3 × 3 portal block: the first portal square
// not yet taken, in row order, is a block's top-left corner.
std::vector<std::pair<std::int32_t, std::int32_t>> portal_middles(const TileGrid& grid) {
  std::vector<std::pair<std::int32_t, std::int32_t>> middles;
  const std::string_view cells = grid.rows();
  std::vector<bool> taken;
  for (std::size_t at = cells.find(tile::kPortal); at != std::string_view::npos;
       at = cells.find(tile::kPortal, at + 1)) {
    if (taken.empty()) taken.resize(cells.size());
    if (taken[at]) continue;
    const auto x = static_cast<std::int32_t>(at % grid.stride());
    const auto y = static_cast<std::int32_t>(at / grid.stride());
    for (std::int32_t row = y; row < std::min(y + 3, grid.height()); ++row) {
      for (std::int32_t col = x; col < std::min(x + 3, grid.width()); ++col) {
        if (grid.at(col, row) == tile::kPortal) taken[grid.index(col, row)] = true;
      }
    }
    middles.emplace_back(x + 1, y + 1);
  }
  return middles;
}

// A point moved, where it must be, so that everything within `reach` of it
// lies on the map.
std::pair<double, double> inside(double x, double y, double reach, const PictureLayout& layout) {
  const auto clamp = [reach](double v, std::int64_t start, std::int64_t length) {
    const double low = static_cast<double>(start) + reach;
    const double high = static_cast<double>(start + length) - reach;
    return low <= high ? std::clamp(v, low, high)
                       : static_cast<double>(start) + static_cast<double>(length) / 2;
  };
  return {clamp(x, layout.map_x, layout.map_width), clamp(y, layout.map_y, layout.map_height)};
}

// Thin dashed white over a wider translucent black: seen on any tile,
// hiding none.
void symmetry_marker(cairo_t* cr, const SymmetryMarks& marks) {
  for (const auto& [width, dashed] : {std::pair{3.0, false}, std::pair{1.2, true}}) {
    cairo_new_path(cr);
    for (const SymmetryMarks::Line& l : marks.lines) {
      cairo_move_to(cr, l.x0, l.y0);
      cairo_line_to(cr, l.x1, l.y1);
    }
    if (marks.ring > 0) {
      cairo_new_sub_path(cr);
      cairo_arc(cr, marks.centre_x, marks.centre_y, marks.ring, 0, 2 * M_PI);
    }
    const std::array<double, 2> dash = {6, 4};
    cairo_set_dash(cr, dash.data(), dashed ? 2 : 0, 0);
    cairo_set_line_width(cr, width);
    if (dashed) {
      cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
    } else {
      cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
    }
    cairo_stroke(cr);
  }
  cairo_set_dash(cr, nullptr, 0, 0);
}

void draw_markers(cairo_t* cr, const TileGrid& grid, Scale scale, const PictureLayout& layout,
                  const PictureLabels& labels) {
  if (labels.symmetry) symmetry_marker(cr, symmetry_marks(*labels.symmetry, grid, scale, layout));
  for (const PortalMark& mark : portal_marks(grid, scale, layout))
    portal_marker(cr, mark.x, mark.y, mark.half);
  const std::vector<HeartMark> marks = heart_marks(labels.hearts, scale, layout);
  for (std::size_t p = 0; p < marks.size(); ++p)
    heart_marker(cr, marks[p], static_cast<int>(p + 1));
}

std::string title_of(const TileGrid& grid, const PictureLabels& labels) {
  std::string title = printable(labels.name) + "  \xC2\xB7  " + std::to_string(grid.width()) +
                      " \xC3\x97 " + std::to_string(grid.height()) + "  \xC2\xB7  " +
                      std::to_string(labels.hearts.size()) + " players";
  if (labels.seed) title += "  \xC2\xB7  seed " + std::to_string(*labels.seed);
  if (labels.score) title += "  \xC2\xB7  fairness score " + fixed(*labels.score, 4);
  if (!labels.sealed.empty()) title += "  \xC2\xB7  sealed: " + labels.sealed;
  if (labels.symmetry)
    title += "  \xC2\xB7  symmetric: " + std::string(symmetry_mode(*labels.symmetry).name);
  if (labels.race) title += "  \xC2\xB7  race fairness " + fixed(labels.race->fairness, 4);
  return title;
}

// One swatch of colour with its words, on the line ending at `y`.
void swatch(cairo_t* cr, double x, double y, Rgb colour, const std::string& words) {
  cairo_rectangle(cr, x, y - 12, 15, 15);
  set_colour(cr, colour);
  cairo_fill_preserve(cr);
  cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  text_at(cr, x + 24, y, 12, false, words);
}

// The race's income as a plot below the legend, its top line at `top`:
// each player's gold over time, in its heart's colour, from 0 at time 0.
void draw_income(cairo_t* cr, double x, double top, const RaceCurves& race) {
  text_at(cr, x, top, 13, true, "Gold in the race");
  const double left = x + 26;
  const double right = x + 180;
  const double high = top + 14;
  const double low = top + 104;
  std::int64_t most = 1;
  for (const auto& gold : race.gold)
    most = std::max(most, gold[2]);
  cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
  cairo_set_line_width(cr, 1);
  cairo_move_to(cr, left, high);
  cairo_line_to(cr, left, low);
  cairo_line_to(cr, right, low);
  cairo_stroke(cr);
  text_at(cr, x, high + 9, 10, false, std::to_string(most));
  text_at(cr, x + 14, low + 4, 10, false, "0");
  text_at(cr, right - 18, low + 14, 10, false, std::to_string(race.time));
  text_at(cr, left + 40, low + 14, 10, false, "time");
  const std::array<double, 4> at = {0, 0.25, 0.5, 1};
  for (std::size_t p = 0; p < race.gold.size(); ++p) {
    set_colour(cr, tile_colour(tile::heart(static_cast<int>(p))));
    cairo_set_line_width(cr, 2);
    for (std::size_t i = 0; i < at.size(); ++i) {
      const double gold = i == 0 ? 0 : static_cast<double>(race.gold[p][i - 1]);
      const double px = left + at[i] * (right - left);
      const double py = low - gold / static_cast<double>(most) * (low - high);
      if (i == 0) {
        cairo_move_to(cr, px, py);
      } else {
        cairo_line_to(cr, px, py);
      }
    }
    cairo_stroke(cr);
  }
}

void draw_legend(cairo_t* cr, const PictureLayout& layout, const PictureLabels& labels) {
  const double x = static_cast<double>(layout.legend_x) + 14;
  double y = kTitleHeight + 22;
  cairo_set_source_rgb(cr, 0, 0, 0);
  if (labels.territory.empty()) {
    text_at(cr, x, y, 13, true, "Tiles");
    for (const TileCode& code : kTileCodes) {
      // Hearts of players the map does not have are not in it.
      const int heart_of = code.code - tile::heart(0);
      const bool a_heart = heart_of >= 0 && heart_of < kMaxPlayers;
      if (a_heart && heart_of >= std::ssize(labels.hearts)) continue;
      y += 21;
      swatch(cr, x, y, tile_colour(code.code), std::string(tile_label(code.code)));
    }
  } else {
    // A rock square of each tint stands for them all.
    text_at(
        cr, x, y, 13, true,
        labels.race ? "Floor at " + std::to_string(labels.race->time) + " of" : "Reached first by");
    for (std::size_t p = 0; p < labels.hearts.size(); ++p) {
      y += 21;
      swatch(cr, x, y, territory_colour(tile::kRock, static_cast<std::uint8_t>(1U << p)),
             "player " + std::to_string(p + 1));
    }
    y += 21;
    swatch(cr, x, y, territory_colour(tile::kRock, 0),
           labels.race ? "no one" : "shared, or no one");
  }
  y += 34;
  text_at(cr, x, y, 13, true, "Markers");
  y += 30;
  heart_marker(cr, {x + 9, y - 4, 8, x + 9, y - 4 - 8 - kLabelRadius - 1}, 1);
  cairo_set_source_rgb(cr, 0, 0, 0);
  text_at(cr, x + 24, y, 12, false, "a player's heart");
  y += 26;
  portal_marker(cr, x + 8, y - 4, 7);
  cairo_set_source_rgb(cr, 0, 0, 0);
  text_at(cr, x + 24, y, 12, false, "a neutral portal");
  if (labels.symmetry) {
    y += 26;
    SymmetryMarks axis;
    axis.lines.push_back({x + 9, y - 14, x + 9, y + 4});
    symmetry_marker(cr, axis);
    cairo_set_source_rgb(cr, 0, 0, 0);
    text_at(cr, x + 24, y, 12, false, "symmetry axis or centre");
  }
  if (labels.race) draw_income(cr, x, y + 34, *labels.race);
}

}  // namespace

void draw_background(cairo_surface_t* surface, const PictureLayout& layout) {
  const Context cr(cairo_create(surface));
  cairo_set_source_rgb(cr.get(), 1, 1, 1);
  cairo_paint(cr.get());
  cairo_set_source_rgb(cr.get(), 0.93, 0.93, 0.93);
  cairo_rectangle(cr.get(), static_cast<double>(layout.legend_x), 0,
                  static_cast<double>(layout.width - layout.legend_x),
                  static_cast<double>(layout.height));
  cairo_fill(cr.get());
}

void draw_title_and_legend(cairo_surface_t* surface, const TileGrid& grid,
                           const PictureLayout& layout, const PictureLabels& labels) {
  const Context cr(cairo_create(surface));
  cairo_set_source_rgb(cr.get(), 0, 0, 0);
  text_at(cr.get(), 10, 22, 15, true, title_of(grid, labels));
  draw_legend(cr.get(), layout, labels);
}

void draw_map_markers(cairo_surface_t* surface, const TileGrid& grid, Scale scale,
                      const PictureLayout& layout, const PictureLabels& labels) {
  const Context cr(cairo_create(surface));
  cairo_rectangle(cr.get(), static_cast<double>(layout.map_x), static_cast<double>(layout.map_y),
                  static_cast<double>(layout.map_width), static_cast<double>(layout.map_height));
  cairo_clip(cr.get());  // nothing lands off the map, though the places keep markers whole
  draw_markers(cr.get(), grid, scale, layout, labels);
}

std::vector<HeartMark> heart_marks(std::span<const HeartCentre> hearts, Scale scale,
                                   const PictureLayout& layout) {
  const double per_tile = pixels_per_tile(scale);
  // The middles of the squares that touch the block lie up to 4.24
  // squares from its centre (those at its corners): a ring half a square
  // beyond them, its line included, leaves every one of them in sight.
  const double ring = std::max(per_tile * 4.75 + kRingStroke + 1, 10.0);
  std::vector<HeartMark> marks;
  for (const HeartCentre& h : hearts) {
    const double x = static_cast<double>(layout.map_x) + (h.x + 0.5) * per_tile;
    const double y = static_cast<double>(layout.map_y) + (h.y + 0.5) * per_tile;
    HeartMark mark;
    std::tie(mark.x, mark.y) = inside(x, y, ring + kRingStroke, layout);
    mark.ring = ring;
    std::tie(mark.label_x, mark.label_y) =
        inside(mark.x, mark.y - ring - kLabelRadius - 1, kLabelRadius + 1, layout);
    marks.push_back(mark);
  }
  return marks;
}

std::vector<PortalMark> portal_marks(const TileGrid& grid, Scale scale,
                                     const PictureLayout& layout) {
  const double per_tile = pixels_per_tile(scale);
  const double half = std::clamp(per_tile * 2.2, 6.0, 14.0);
  std::vector<PortalMark> marks;
  for (const auto& [x, y] : portal_middles(grid)) {
    const auto [px, py] =
        inside(static_cast<double>(layout.map_x) + (x + 0.5) * per_tile,
               static_cast<double>(layout.map_y) + (y + 0.5) * per_tile, half + 2, layout);
    marks.push_back({px, py, half});
  }
  return marks;
}

SymmetryMarks symmetry_marks(Symmetry symmetry, const TileGrid& grid, Scale scale,
                             const PictureLayout& layout) {
  const double per_tile = pixels_per_tile(scale);
  const auto left = static_cast<double>(layout.map_x);
  const auto top = static_cast<double>(layout.map_y);
  const auto right = left + static_cast<double>(layout.map_width);
  const auto bottom = top + static_cast<double>(layout.map_height);
  // Half the side, not the middle square: on an odd side the axis runs
  // through the middle of its middle square, on an even one between two.
  const double mid_x = left + grid.width() / 2.0 * per_tile;
  const double mid_y = top + grid.height() / 2.0 * per_tile;
  SymmetryMarks marks;
  marks.centre_x = mid_x;
  marks.centre_y = mid_y;
  const bool across_x = symmetry == Symmetry::kMirrorX || symmetry == Symmetry::kQuad;
  const bool across_y = symmetry == Symmetry::kMirrorY || symmetry == Symmetry::kQuad;
  if (across_x) marks.lines.push_back({mid_x, top, mid_x, bottom});
  if (across_y) marks.lines.push_back({left, mid_y, right, mid_y});
  if (!across_x && !across_y) marks.ring = std::max(6.0, 1.5 * per_tile);
  return marks;
}

}  // namespace tarnix
