#include "tarnixmap/commands/map_summary.h"

#include <cstdio>

#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

void count_tiles(const TileGrid& grid, MapSummary& summary) {
  std::array<std::int64_t, 256> counts{};
  for (const char c : grid.rows())
    ++counts[static_cast<unsigned char>(c)];
  for (std::size_t i = 0; i < kTileCodes.size(); ++i)
    summary.tile_counts[i] = counts[static_cast<unsigned char>(kTileCodes[i].code)];
}

std::string figure_text(const StartFigures& start, Figure figure) {
  if (figure == Figure::kNearestPortal) return one_decimal(start.nearest_portal);
  if (figure == Figure::kNearestHeart) return one_decimal(start.nearest_heart);
  return std::to_string(static_cast<std::int64_t>(figure_value(start, figure)));
}

}  // namespace

std::string fixed(double value, int decimals) {
  std::array<char, 48> text{};
  std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
  return text.data();
}

std::string one_decimal(std::optional<double> value) {
  return value ? fixed(*value, 1) : "none";
}

MapSummary summarize(const MapFileContents& contents, std::int32_t radius) {
  return summarize(*contents.grid, contents.hearts, radius);
}

MapSummary summarize(const TileGrid& grid, const HeartTable& hearts, std::int32_t radius) {
  MapSummary summary;
  summary.radius = radius;
  count_tiles(grid, summary);
  const std::span<const HeartCentre> centres = hearts.placed();
  summary.players.resize(centres.size());
  measure_starts(grid, centres, Disc(radius), summary.players);
  summary.fairness = judge(summary.players);
  return summary;
}

std::string least_even_text(std::span<const StartFigures> starts, const Fairness& fairness) {
  const Figure f = fairness.least_even;
  return "worst " + figure_text(starts[fairness.worst_player], f) + " (player " +
         std::to_string(fairness.worst_player + 1) + "), best " +
         figure_text(starts[fairness.best_player], f) + " (player " +
         std::to_string(fairness.best_player + 1) + ")";
}

std::string format_summary(std::string_view path, const MapFileContents& contents,
                           const MapSummary& summary) {
  std::string out = std::string(path) + ": sound\n";
  out += "  name     " + printable(contents.name) + "\n";
  out += "  size     " + std::to_string(contents.width) + " x " + std::to_string(contents.height) +
         "\n";
  out += "  players  " + std::to_string(contents.players) + "\n";
  out += "  tiles   ";
  for (std::size_t i = 0; i < kTileCodes.size(); ++i) {
    out += ' ';
    out += kTileCodes[i].code;
    out += ' ' + std::to_string(summary.tile_counts[i]);
  }
  out += "\n";
  for (std::size_t p = 0; p < summary.players.size(); ++p) {
    const StartFigures& player = summary.players[p];
    out += "  player " + std::to_string(p + 1) + "  heart (" + std::to_string(player.heart.x) +
           ", " + std::to_string(player.heart.y) + "), nearest portal " +
           one_decimal(player.nearest_portal) + ", nearest heart " +
           one_decimal(player.nearest_heart) + ", within " + std::to_string(summary.radius) +
           ": gold " + std::to_string(player.gold_near) + ", gems " +
           std::to_string(player.gems_near) + ", hazards " + std::to_string(player.hazards_near) +
           "\n";
  }
  out += "  fairness score " + fixed(summary.fairness.score, 4) + ", least even " +
         std::string(kFigures[static_cast<std::size_t>(summary.fairness.least_even)].name) + ": " +
         least_even_text(summary.players, summary.fairness) + "\n";
  return out;
}

}  // namespace tarnix
