#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tarnixmap/fairness/measure.h"
#include "tarnixmap/fairness/search.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

// One map on the page: its pictures (files beside the page) and figures.
struct ReportMap {
  std::string name;                   // the map's name
  std::string source;                 // where it came from: a file, or "rank 1"
  std::optional<std::uint32_t> seed;  // where known
  std::string picture;                // the picture's file name, beside the page
  std::string territory;              // the territory picture's file name
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::optional<MapParams> params;  // its values, where known (a map made from a seed)
  MapMeasure measure;
};

// The page: a heading, the histogram (drawn as inline SVG from the counts)
// when there is one, and the maps side by side, each with its picture and
// its territory picture, seed, score and a table of the players' figures
// (a row per figure, a column per player), the least even figure's row
// marked. It needs no server and no network: pictures are files beside
// it, styles are in the page. Text from the maps is escaped.
[[nodiscard]] std::string report_html(const std::string& heading, std::span<const ReportMap> maps,
                                      const std::optional<ScoreHistogram>& histogram);

}  // namespace tarnix
