#include "tarnixmap/output/map_summary.h"

#include <algorithm>
#include <functional>

#include "tarnixmap/fairness/figure_text.h"
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

// The figures from `first` up to `last`, as "name value, name value".
std::string figures_line(const StartFigures& start, Figure first, Figure last) {
  std::string line;
  for (auto f = static_cast<std::size_t>(first); f <= static_cast<std::size_t>(last); ++f) {
    if (!line.empty()) line += ", ";
    line += std::string(kFigures[f].name) + " " + figure_text(start, static_cast<Figure>(f));
  }
  return line;
}

bool alike(std::span<const std::int32_t> gold) {
  return std::ranges::adjacent_find(gold, std::ranges::not_equal_to()) == gold.end();
}

std::string gold_list(std::span<const std::int32_t> gold) {
  std::string list;
  for (std::size_t p = 0; p < gold.size(); ++p) {
    list += (p > 0 ? ", " : "") + std::string("player ") + std::to_string(p + 1) + " " +
            std::to_string(gold[p]);
  }
  return list;
}

}  // namespace

MapSummary summarize(const TileGrid& grid, const HeartTable& hearts, const MeasureOptions& options,
                     std::span<const std::int32_t> start_gold) {
  MapSummary summary;
  summary.options = options;
  count_tiles(grid, summary);
  summary.measure = measure_map(grid, hearts.placed(), options, start_gold);
  return summary;
}

MapSummary summarize(const MapFileContents& contents, const MeasureOptions& options) {
  return summarize(*contents.grid, contents.hearts, options, contents.gold_of_players());
}

std::string format_summary(std::string_view path, const MapFileContents& contents,
                           const MapSummary& summary) {
  std::string out = std::string(path) + ": sound\n";
  out += "  name     " + printable(contents.name) + "\n";
  out += "  size     " + std::to_string(contents.width) + " x " + std::to_string(contents.height) +
         "\n";
  out += "  players  " + std::to_string(contents.players) + "\n";
  if (summary.measure.symmetry) {
    out += "  symmetry " + std::string(symmetry_mode(*summary.measure.symmetry).name) +
           ": every square is the image of another, every player starts alike\n";
  }
  out += "  tiles   ";
  for (std::size_t i = 0; i < kTileCodes.size(); ++i) {
    out += ' ';
    out += kTileCodes[i].code;
    out += ' ' + std::to_string(summary.tile_counts[i]);
  }
  out += "\n";
  const std::vector<StartFigures>& players = summary.measure.players;
  for (std::size_t p = 0; p < players.size(); ++p) {
    const StartFigures& player = players[p];
    out += "  player " + std::to_string(p + 1) + "  heart (" + std::to_string(player.heart.x) +
           ", " + std::to_string(player.heart.y) + ")\n";
    out += "    dig time  " + figures_line(player, Figure::kGoldFirst, Figure::kBorderGap) + "\n";
    out += "    straight  " + figures_line(player, Figure::kGoldNear, Figure::kNearestHeart) + "\n";
  }
  const Fairness& fairness = summary.measure.fairness;
  if (fairness.sealed) out += "  sealed: " + sealed_text(players) + "\n";
  if (!fairness.score) {
    out += "  fairness score none: the map is sealed\n";
  } else if (*fairness.score == 0 && !alike(contents.gold_of_players())) {
    // The score weighs the ground; what the file gives each player besides
    // is not the same.
    out += "  fairness score " + score_text(fairness) +
           ": the ground is alike, but the starting gold is not (" +
           gold_list(contents.gold_of_players()) + ")\n";
  } else if (*fairness.score == 0) {
    out += "  fairness score " + score_text(fairness) + ": every player starts alike\n";
  } else {
    out += "  fairness score " + score_text(fairness) + ", least even " +
           std::string(info(fairness.least_even).name) + ": " + least_even_text(players, fairness) +
           "\n";
    out += "  parts     " + parts_text(score_parts(fairness, summary.options.weights)) + "\n";
  }
  return out;
}

}  // namespace tarnix
