#include "tarnixmap/map_summary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>

#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

double distance(std::int64_t dx, std::int64_t dy) {
  return std::sqrt(static_cast<double>(dx * dx + dy * dy));
}

std::string one_decimal(std::optional<double> value) {
  if (!value) return "none";
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.1f", *value);
  return text.data();
}

// Counts every tile code and notes where the portal squares are: one pass
// over the map.
void count_tiles(const TileGrid& grid, MapSummary& summary, std::vector<HeartCentre>& portals) {
  std::array<std::int64_t, 256> counts{};
  for (std::int32_t y = 0; y < grid.height(); ++y) {
    const char* row = grid.cells() + grid.index(0, y);
    for (std::int32_t x = 0; x < grid.width(); ++x) {
      ++counts[static_cast<unsigned char>(row[x])];
      if (row[x] == tile::kPortal) portals.push_back({x, y});
    }
  }
  for (std::size_t i = 0; i < kTileCodes.size(); ++i) {
    summary.tile_counts[i] = counts[static_cast<unsigned char>(kTileCodes[i].code)];
  }
}

void count_near(const TileGrid& grid, PlayerSummary& player) {
  const HeartCentre c = player.heart;
  for (std::int32_t y = std::max(0, c.y - kNearRadius);
       y <= std::min(grid.height() - 1, c.y + kNearRadius); ++y) {
    for (std::int32_t x = std::max(0, c.x - kNearRadius);
         x <= std::min(grid.width() - 1, c.x + kNearRadius); ++x) {
      if (distance(x - c.x, y - c.y) > kNearRadius) continue;
      player.gold_near += grid.at(x, y) == tile::kGold ? 1 : 0;
      player.gems_near += grid.at(x, y) == tile::kGems ? 1 : 0;
    }
  }
}

}  // namespace

MapSummary summarize(const MapFileContents& contents) {
  const TileGrid& grid = *contents.grid;
  MapSummary summary;
  std::vector<HeartCentre> portals;
  count_tiles(grid, summary, portals);
  const std::span<const HeartCentre> hearts = contents.hearts.placed();
  for (std::size_t p = 0; p < hearts.size(); ++p) {
    PlayerSummary player;
    player.heart = hearts[p];
    for (const HeartCentre& square : portals) {
      const double d = distance(square.x - player.heart.x, square.y - player.heart.y);
      player.nearest_portal = std::min(player.nearest_portal.value_or(d), d);
    }
    for (std::size_t q = 0; q < hearts.size(); ++q) {
      if (q == p) continue;
      const double d = distance(hearts[q].x - player.heart.x, hearts[q].y - player.heart.y);
      player.nearest_heart = std::min(player.nearest_heart.value_or(d), d);
    }
    count_near(grid, player);
    summary.players.push_back(player);
  }
  return summary;
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
    const PlayerSummary& player = summary.players[p];
    out += "  player " + std::to_string(p + 1) + "  heart (" + std::to_string(player.heart.x) +
           ", " + std::to_string(player.heart.y) + "), nearest portal " +
           one_decimal(player.nearest_portal) + ", nearest heart " +
           one_decimal(player.nearest_heart) + ", within " + std::to_string(kNearRadius) +
           ": gold " + std::to_string(player.gold_near) + ", gems " +
           std::to_string(player.gems_near) + "\n";
  }
  return out;
}

}  // namespace tarnix
