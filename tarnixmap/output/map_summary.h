#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "tarnixmap/fairness/measure.h"
#include "tarnixrandommap/mapfile/map_reader.h"

namespace tarnix {

// What check says of a sound map: its tiles, each player's figures, and
// how fair the starts are.
struct MapSummary {
  std::array<std::int64_t, kTileCodes.size()> tile_counts{};  // in kTileCodes order
  MeasureOptions options;                                     // how it was measured
  MapMeasure measure;
};

// `start_gold`, each player's, where known.
// Requires: 2 to 4 hearts inside a framed grid.
[[nodiscard]] MapSummary summarize(const TileGrid& grid, const HeartTable& hearts,
                                   const MeasureOptions& options,
                                   std::span<const std::int32_t> start_gold = {});
// Requires: contents.grid is present and holds 2 to 4 hearts.
[[nodiscard]] MapSummary summarize(const MapFileContents& contents, const MeasureOptions& options);

// The summary as `check` prints it, every line ending in a line feed.
[[nodiscard]] std::string format_summary(std::string_view path, const MapFileContents& contents,
                                         const MapSummary& summary);

}  // namespace tarnix
