#include "tarnixmap/values/figure_options.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "tarnixmap/fairness/figure_text.h"
#include "tarnixmap/values/option_value.h"

namespace tarnix {

namespace {

constexpr double kMaxWeight = 100;

}  // namespace

std::optional<CostChange> parse_cost(std::string_view text, std::string* problem) {
  const std::string allowed =
      "--cost must be CODE=N or CODE=wall, CODE a tile code (. g W P 1 2 3 4 L G S) and N a "
      "whole number from 1 to " +
      std::to_string(CostTable::kMaxCost) + ", got " + quoted_word(text);
  const bool tile_code =
      text.size() >= 3 && text[1] == '=' &&
      std::ranges::any_of(kTileCodes, [&](const TileCode& c) { return c.code == text[0]; });
  if (!tile_code) {
    *problem = allowed;
    return std::nullopt;
  }
  if (text[0] == tile::kBorder) {
    *problem = "--cost cannot change the border 'A': it is the map's edge, always a wall";
    return std::nullopt;
  }
  const std::string_view value = text.substr(2);
  if (value == "wall") return CostChange{text[0], CostTable::kWall};
  const std::optional<std::int64_t> cost =
      parse_option_value(value, {"--cost", 1, CostTable::kMaxCost});
  if (!cost) {
    *problem = allowed;
    return std::nullopt;
  }
  return CostChange{text[0], static_cast<std::uint16_t>(*cost)};
}

namespace {

// "NAME=X": a figure's name and a plain decimal number (digits, at most one
// point, neither first nor last) from 0 to `most`. Nothing when it is not.
std::optional<std::pair<Figure, double>> figure_and_number(std::string_view text, double most) {
  const std::size_t equals = text.find('=');
  const std::optional<Figure> figure =
      equals == std::string_view::npos ? std::nullopt : figure_named(text.substr(0, equals));
  const std::string_view value =
      equals == std::string_view::npos ? std::string_view() : text.substr(equals + 1);
  const bool decimal =
      !value.empty() && value.front() != '.' && value.back() != '.' &&
      std::ranges::count(value, '.') <= 1 &&
      std::ranges::all_of(value, [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
  double number = -1;
  if (decimal) {
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (ec != std::errc() || end != value.data() + value.size()) number = -1;
  }
  if (!figure || number < 0 || number > most) return std::nullopt;
  return std::pair{*figure, number};
}

}  // namespace

std::optional<WeightChange> parse_weight(std::string_view text, std::string* problem) {
  const auto read = figure_and_number(text, kMaxWeight);
  if (!read) {
    *problem = "--weight must be NAME=W, NAME one of " + figure_names() +
               " and W a decimal number from 0 to 100, got " + quoted_word(text);
    return std::nullopt;
  }
  return WeightChange{read->first, read->second};
}

std::optional<CapChange> parse_cap(std::string_view text, std::string* problem) {
  const auto read = figure_and_number(text, 1);
  if (!read) {
    *problem = "--max-spread must be FIGURE=X, FIGURE one of " + figure_names() +
               " and X a decimal number from 0 to 1, got " + quoted_word(text);
    return std::nullopt;
  }
  return CapChange{read->first, read->second};
}

bool apply_caps(const std::vector<std::string>& texts, SpreadCaps& caps, std::string* problem) {
  for (const std::string& text : texts) {
    const std::optional<CapChange> change = parse_cap(text, problem);
    if (!change) return false;
    caps[static_cast<std::size_t>(change->figure)] = change->cap;
  }
  return true;
}

bool apply_figure_options(const std::vector<std::string>& costs,
                          const std::vector<std::string>& weights, MeasureOptions& options,
                          std::string* problem) {
  for (const std::string& text : costs) {
    const std::optional<CostChange> change = parse_cost(text, problem);
    if (!change) return false;
    options.costs.set(change->code, change->cost);
  }
  for (const std::string& text : weights) {
    const std::optional<WeightChange> change = parse_weight(text, problem);
    if (!change) return false;
    options.weights[static_cast<std::size_t>(change->figure)] = change->weight;
  }
  if (std::ranges::all_of(options.weights, [](double w) { return w == 0; })) {
    *problem = "--weight leaves every weight 0: the score would compare nothing";
    return false;
  }
  return true;
}

std::string score_help() {
  std::string weights;
  for (const FigureInfo& f : kFigures) {
    if (f.weight > 0)
      weights += (weights.empty() ? "" : ", ") + std::string(f.name) + " " + weight_text(f.weight);
  }
  return "The fairness score compares the players' starts by dig time: the time to dig into a "
         "square and stand on it (" +
         cost_text(CostTable()) +
         "; change with --cost CODE=N|wall). A player's dig time to a square is the least sum "
         "of costs along a path from its heart's centre; a wall is reached from beside it. For "
         "each figure, its spread is (largest - smallest) / largest over the players; the score "
         "adds the spreads times their weights (" +
         weights +
         ", every other figure 0; change with --weight NAME=W). 0 is a perfectly even map; a map "
         "where a player can reach no rival or no portal is sealed and has no score.";
}

}  // namespace tarnix
