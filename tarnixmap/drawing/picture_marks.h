#pragma once

#include <cairo.h>

#include "tarnixmap/drawing/render.h"

namespace tarnix {

// The white ground of the title line and the legend strip.
void draw_background(cairo_surface_t* surface, const PictureLayout& layout);

// What is drawn over the tiles: the title line (name, size, players, and
// the seed and score where known), the legend (each tile colour with its
// name, and the two markers), a marker with the player's number on each
// heart and one on each portal. Markers keep a size of several pixels
// however small the map is drawn, so that the starts of an 8192 × 8192 map
// can still be found.
void draw_marks(cairo_surface_t* surface, const TileGrid& grid, Scale scale,
                const PictureLayout& layout, const PictureLabels& labels);

}  // namespace tarnix
