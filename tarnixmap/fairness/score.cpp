#include "tarnixmap/fairness/score.h"

#include <algorithm>
#include <cstdint>

namespace tarnix {

namespace {

// A figure as the whole number it is, where it is one.
std::optional<std::int64_t> whole(const StartFigures& s, Figure figure) {
  switch (figure) {
    case Figure::kGoldFirst:
      return s.gold_first;
    case Figure::kGemsFirst:
      return s.gems_first;
    case Figure::kPortalsFirst:
      return s.portals_first;
    case Figure::kTerritory:
      return s.territory;
    case Figure::kGoldWithin:
      return s.gold_within;
    case Figure::kPortalTime:
      return s.portal_time.value_or(0);
    case Figure::kRivalTime:
      return s.rival_time.value_or(0);
    case Figure::kSecondRivalTime:
      return s.second_rival_time.value_or(0);
    case Figure::kBorderGap:
      return s.border_gap;
    case Figure::kGoldNear:
      return s.gold_near;
    case Figure::kGemsNear:
      return s.gems_near;
    case Figure::kHazardsNear:
      return s.hazards_near;
    case Figure::kNearestPortal:
    case Figure::kNearestHeart:
      break;
  }
  return std::nullopt;
}

// The index of the first player with the least, and with the most, of a
// figure.
std::pair<std::size_t, std::size_t> extremes(std::span<const StartFigures> starts, Figure figure) {
  std::size_t low = 0;
  std::size_t high = 0;
  for (std::size_t p = 1; p < starts.size(); ++p) {
    const double value = figure_value(starts[p], figure);
    if (value < figure_value(starts[low], figure)) low = p;
    if (value > figure_value(starts[high], figure)) high = p;
  }
  return {low, high};
}

}  // namespace

Weights default_weights() {
  Weights weights{};
  for (std::size_t f = 0; f < kFigureCount; ++f)
    weights[f] = kFigures[f].weight;
  return weights;
}

bool uses_dig_time(const Weights& weights) {
  for (std::size_t f = 0; f < kFigureCount; ++f) {
    if (kFigures[f].dig_time && weights[f] > 0) return true;
  }
  return false;
}

double spread(std::span<const StartFigures> starts, Figure figure) {
  if (whole(starts[0], figure)) {
    std::int64_t largest = *whole(starts[0], figure);
    std::int64_t smallest = largest;
    for (const StartFigures& s : starts) {
      largest = std::max(largest, *whole(s, figure));
      smallest = std::min(smallest, *whole(s, figure));
    }
    return largest > 0 ? static_cast<double>(largest - smallest) / static_cast<double>(largest) : 0;
  }
  const auto [low, high] = extremes(starts, figure);
  const double largest = figure_value(starts[high], figure);
  const double smallest = figure_value(starts[low], figure);
  return largest > 0 ? (largest - smallest) / largest : 0;
}

Fairness judge(std::span<const StartFigures> starts, const Weights& weights) {
  Fairness fairness;
  fairness.sealed = std::ranges::any_of(starts, [](const StartFigures& s) { return s.sealed; });
  if (fairness.sealed && uses_dig_time(weights)) return fairness;
  double score = 0;
  double largest_share = -1;
  for (std::size_t f = 0; f < kFigureCount; ++f) {
    const auto figure = static_cast<Figure>(f);
    const double share = weights[f] * spread(starts, figure);
    fairness.parts[f] = share;
    score += share;
    if (share > largest_share) {
      largest_share = share;
      const auto [low, high] = extremes(starts, figure);
      fairness.least_even = figure;
      fairness.worst_player = kFigures[f].more_is_better ? low : high;
      fairness.best_player = kFigures[f].more_is_better ? high : low;
    }
  }
  fairness.score = score;
  return fairness;
}

std::vector<ScorePart> score_parts(const Fairness& fairness, const Weights& weights) {
  std::vector<ScorePart> parts;
  for (std::size_t f = 0; f < kFigureCount; ++f) {
    if (weights[f] > 0) parts.push_back({static_cast<Figure>(f), weights[f], fairness.parts[f]});
  }
  std::ranges::stable_sort(parts,
                           [](const ScorePart& a, const ScorePart& b) { return a.part > b.part; });
  return parts;
}

bool weighs_heavily(double part, double score) {
  return part > 0 && part >= score / 4;
}

double partial_score(std::span<const StartFigures> starts, const Weights& weights,
                     const FigureSet& known) {
  double score = 0;
  for (std::size_t f = 0; f < kFigureCount; ++f) {
    if (known[f]) score += weights[f] * spread(starts, static_cast<Figure>(f));
  }
  return score;
}

}  // namespace tarnix
