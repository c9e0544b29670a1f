#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tarnixmap/fairness/fairness.h"
#include "tarnixrandommap/mapfile/map_reader.h"

namespace tarnix {

// What check says of a sound map: its tiles, each player's start, and how
// fair the starts are.
struct MapSummary {
  std::array<std::int64_t, kTileCodes.size()> tile_counts{};  // in kTileCodes order
  std::int32_t radius = kDefaultRadius;                       // of the discs counted
  std::vector<StartFigures> players;
  Fairness fairness;
};

// Requires: contents.grid is present and holds 2 to 4 hearts.
[[nodiscard]] MapSummary summarize(const MapFileContents& contents,
                                   std::int32_t radius = kDefaultRadius);
// The same for a map in memory. Requires: 2 to 4 hearts.
[[nodiscard]] MapSummary summarize(const TileGrid& grid, const HeartTable& hearts,
                                   std::int32_t radius = kDefaultRadius);

// `value` with `decimals` digits after the point, "0.4871"; scores are
// printed with 4.
[[nodiscard]] std::string fixed(double value, int decimals);

// A distance as check prints it, to one decimal, or "none".
[[nodiscard]] std::string one_decimal(std::optional<double> value);

// How the least even figure stands: its worst and best players' values,
// "worst 16 (player 3), best 95 (player 1)".
[[nodiscard]] std::string least_even_text(std::span<const StartFigures> starts,
                                          const Fairness& fairness);

// The summary as `check` prints it, every line ending in a line feed.
[[nodiscard]] std::string format_summary(std::string_view path, const MapFileContents& contents,
                                         const MapSummary& summary);

}  // namespace tarnix
