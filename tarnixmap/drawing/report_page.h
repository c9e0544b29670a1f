#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "tarnixmap/drawing/render.h"
#include "tarnixmap/fairness/measure.h"
#include "tarnixmap/fairness/search.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

// One map on the page: its pictures (files beside the page) and figures.
struct ReportMap {
  std::string name;                   // the map's name
  std::string source;                 // where it came from: a file, or "rank 1"
  std::optional<std::uint32_t> seed;  // where known
  std::string picture;                // the picture's file name, beside the page, with legend
  std::string territory;              // the territory picture's file name, with legend
  std::string thumbnail;              // the bare map with its markers, small, for the card
  std::string territory_thumbnail;    // the same of the territory
  std::string params_file;            // its values as JSON, to download; none when empty
  std::string command;                // the command that makes it again; none when empty
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::optional<MapParams> params;         // its values, where known (a map made from a seed)
  std::optional<Symmetry> made_symmetric;  // the layout it was made with, for its command
  MapMeasure measure;
  // Where a search raced it: its race's income, and the pictures of each
  // player's floor at the race's end (full and small).
  std::optional<RaceCurves> race;
  std::string race_picture;
  std::string race_thumbnail;
};

// A race's income as a small SVG plot: each player's gold over time in its
// colour, the time along the bottom and the gold up the side.
[[nodiscard]] std::string income_svg(const RaceCurves& race);

// How the page's maps were made and measured, as the page tells it, so
// that its scores can be made again.
struct PageOrigin {
  Weights weights = default_weights();  // listed beside the figures of each table
  // What the maps were made and measured with, each a name and its text:
  // ("weights", "gold_first 3, ..."), ("costs", ". 3, g 3, ...").
  std::vector<std::pair<std::string, std::string>> settings;
  std::string command;  // the command that makes the page again; none when empty
};

// The page: a heading, one legend for every picture on it (the tiles, the
// markers and the territory tints, for as many players as its maps have),
// the histogram with its axes and the ranked maps marked on it (when there
// is one), and a card per map: its two pictures, small, each opening the
// full picture; its seed, score and values, with the command that makes it
// again and a button that copies it; and a table of the players' figures
// (a row per figure, a column per player), the least even figure's row
// marked, with each figure's weight and part of the score, and every row
// whose part is a quarter of the score or more marked as weighing
// heavily); and how the maps were made, with the command that makes the
// page again. It needs no server and no network: pictures are files beside
// it, styles and the one script are in the page. Text from the maps is
// escaped.
[[nodiscard]] std::string report_html(const std::string& heading, std::span<const ReportMap> maps,
                                      const std::optional<ScoreHistogram>& histogram,
                                      const PageOrigin& origin);

}  // namespace tarnix
