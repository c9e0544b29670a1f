#include "tarnixmap/fairness/figures.h"

#include <algorithm>
#include <bit>

namespace tarnix {

void FirstCounts::share_out(std::span<StartFigures> starts) const {
  // Twelve twelfths make a square: a square shared by k players gives each
  // 12 / k, a whole number for k = 1 … 4.
  constexpr std::int64_t kWholeSquare = 12;
  for (unsigned who = 1; who < territory.size(); ++who) {
    const std::int64_t share = kWholeSquare / std::popcount(who);
    for (std::size_t p = 0; p < starts.size(); ++p) {
      if ((who >> p & 1U) == 0) continue;
      starts[p].territory += territory[who] * share;
      starts[p].gold_first += gold[who] * share;
      starts[p].gems_first += gems[who] * share;
      starts[p].portals_first += portals[who] * share;
    }
  }
}

namespace {

constexpr double kTwelfths = 12;

}  // namespace

double figure_value(const StartFigures& start, Figure figure) {
  switch (figure) {
    case Figure::kGoldFirst:
      return static_cast<double>(start.gold_first) / kTwelfths;
    case Figure::kGemsFirst:
      return static_cast<double>(start.gems_first) / kTwelfths;
    case Figure::kPortalsFirst:
      return static_cast<double>(start.portals_first) / kTwelfths;
    case Figure::kTerritory:
      return static_cast<double>(start.territory) / kTwelfths;
    case Figure::kGoldWithin:
      return start.gold_within;
    case Figure::kPortalTime:
      return static_cast<double>(start.portal_time.value_or(0));
    case Figure::kRivalTime:
      return static_cast<double>(start.rival_time.value_or(0));
    case Figure::kSecondRivalTime:
      return static_cast<double>(start.second_rival_time.value_or(0));
    case Figure::kBorderGap:
      return start.border_gap;
    case Figure::kGoldNear:
      return start.gold_near;
    case Figure::kGemsNear:
      return start.gems_near;
    case Figure::kHazardsNear:
      return start.hazards_near;
    case Figure::kNearestPortal:
      return start.nearest_portal.value_or(0);
    case Figure::kNearestHeart:
      return start.nearest_heart;
  }
  return 0;
}

std::optional<Figure> figure_named(std::string_view name) {
  for (std::size_t f = 0; f < kFigureCount; ++f) {
    if (kFigures[f].name == name) return static_cast<Figure>(f);
  }
  return std::nullopt;
}

std::int32_t border_gap(HeartCentre centre, std::int32_t width, std::int32_t height) {
  return std::max(
      0, std::min({centre.x - 4, centre.y - 4, width - 5 - centre.x, height - 5 - centre.y}));
}

}  // namespace tarnix
