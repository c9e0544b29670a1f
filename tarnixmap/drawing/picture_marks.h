#pragma once

#include <cairo.h>

#include <span>
#include <vector>

#include "tarnixmap/drawing/render.h"

namespace tarnix {

// The white ground of the title line and the legend strip.
void draw_background(cairo_surface_t* surface, const PictureLayout& layout);

// The title line (name, size, players, and the seed and score where known)
// and the legend (each tile colour with its name, hearts only of the map's
// players, and the two markers).
void draw_title_and_legend(cairo_surface_t* surface, const TileGrid& grid,
                           const PictureLayout& layout, const PictureLabels& labels);

// A marker on each heart, with its player's number, and one on each portal.
// Markers keep a size of several pixels however small the map is drawn, so
// that the starts of an 8192 x 8192 map can still be found, and lie wholly
// on the map.
void draw_map_markers(cairo_surface_t* surface, const TileGrid& grid, Scale scale,
                      const PictureLayout& layout, const PictureLabels& labels);

// How far the ring's line reaches to each side of its circle (the line in
// the player's colour, edged in black), and the radius of the disc with
// the number.
inline constexpr double kRingStroke = 2.5;
inline constexpr double kLabelRadius = 8;

// Where a heart's marker goes, in pixels: a ring of radius `ring` about
// (x, y) and the number's disc about (label_x, label_y). Both lie wholly on
// the map: next to its edge they are moved in as far as needed.
struct HeartMark {
  double x = 0;
  double y = 0;
  double ring = 0;
  double label_x = 0;
  double label_y = 0;
};
[[nodiscard]] std::vector<HeartMark> heart_marks(std::span<const HeartCentre> hearts, Scale scale,
                                                 const PictureLayout& layout);

// Where a portal's marker goes: a diamond reaching `half` from (x, y) (its
// line 2 more), wholly on the map.
struct PortalMark {
  double x = 0;
  double y = 0;
  double half = 0;
};
[[nodiscard]] std::vector<PortalMark> portal_marks(const TileGrid& grid, Scale scale,
                                                   const PictureLayout& layout);

// Where a symmetric map's axes go, in pixels: lines from (x0, y0) to
// (x1, y1) through the middle of the map, across all of it; a map turned
// about its centre gets a ring of radius `ring` there instead.
struct SymmetryMarks {
  struct Line {
    double x0, y0, x1, y1;
  };
  std::vector<Line> lines;
  double centre_x = 0;
  double centre_y = 0;
  double ring = 0;  // 0: no ring
};
[[nodiscard]] SymmetryMarks symmetry_marks(Symmetry symmetry, const TileGrid& grid, Scale scale,
                                           const PictureLayout& layout);

}  // namespace tarnix
