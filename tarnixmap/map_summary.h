#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tarnixrandommap/mapfile/map_reader.h"

namespace tarnix {

// Within this many tiles of a heart centre, gold and gems count as the
// player's own.
inline constexpr std::int32_t kNearRadius = 15;

// What a designer needs to judge one player's start.
struct PlayerSummary {
  HeartCentre heart;
  std::optional<double> nearest_portal;  // to the nearest portal square; none without portals
  std::optional<double> nearest_heart;   // to the nearest other heart centre
  std::int64_t gold_near = 0;            // gold squares within kNearRadius
  std::int64_t gems_near = 0;            // gem squares within kNearRadius
};

struct MapSummary {
  std::array<std::int64_t, kTileCodes.size()> tile_counts{};  // in kTileCodes order
  std::vector<PlayerSummary> players;
};

// Requires: contents.grid is present.
[[nodiscard]] MapSummary summarize(const MapFileContents& contents);

// The summary as `check` prints it, every line ending in a line feed.
[[nodiscard]] std::string format_summary(std::string_view path, const MapFileContents& contents,
                                         const MapSummary& summary);

}  // namespace tarnix
