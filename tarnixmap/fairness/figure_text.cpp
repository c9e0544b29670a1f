#include "tarnixmap/fairness/figure_text.h"

#include <array>
#include <cstdio>

namespace tarnix {

std::string fixed(double value, int decimals) {
  std::array<char, 48> text{};
  std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
  return text.data();
}

std::string share_text(std::int64_t twelfths) {
  std::string text = fixed(static_cast<double>(twelfths) / 12, 2);
  while (text.ends_with('0'))
    text.pop_back();
  if (text.ends_with('.')) text.pop_back();
  return text;
}

std::string figure_text(const StartFigures& start, Figure figure) {
  const auto time = [](const std::optional<std::int64_t>& t) {
    return t ? std::to_string(*t) : std::string("none");
  };
  switch (figure) {
    case Figure::kGoldFirst:
      return share_text(start.gold_first);
    case Figure::kGemsFirst:
      return share_text(start.gems_first);
    case Figure::kPortalsFirst:
      return share_text(start.portals_first);
    case Figure::kTerritory:
      return share_text(start.territory);
    case Figure::kPortalTime:
      return time(start.portal_time);
    case Figure::kRivalTime:
      return time(start.rival_time);
    case Figure::kSecondRivalTime:
      return time(start.second_rival_time);
    case Figure::kNearestPortal:
      return start.nearest_portal ? fixed(*start.nearest_portal, 1) : "none";
    case Figure::kNearestHeart:
      return fixed(start.nearest_heart, 1);
    case Figure::kGoldWithin:
    case Figure::kBorderGap:
    case Figure::kGoldNear:
    case Figure::kGemsNear:
    case Figure::kHazardsNear:
      break;
  }
  return std::to_string(static_cast<std::int64_t>(figure_value(start, figure)));
}

std::string score_text(const Fairness& fairness) {
  return fairness.score ? fixed(*fairness.score, 4) : "none";
}

std::string least_even_text(std::span<const StartFigures> starts, const Fairness& fairness) {
  const Figure f = fairness.least_even;
  return "worst " + figure_text(starts[fairness.worst_player], f) + " (player " +
         std::to_string(fairness.worst_player + 1) + "), best " +
         figure_text(starts[fairness.best_player], f) + " (player " +
         std::to_string(fairness.best_player + 1) + ")";
}

std::string weight_text(double weight) {
  std::string text = fixed(weight, 6);
  while (text.ends_with('0'))
    text.pop_back();
  if (text.ends_with('.')) text.pop_back();
  return text;
}

std::string parts_text(std::span<const ScorePart> parts) {
  std::string text;
  bool rest = false;
  for (const ScorePart& p : parts) {
    if (p.part == 0) {
      rest = true;
      continue;
    }
    if (!text.empty()) text += "; ";
    text += std::string(info(p.figure).name) + " " + fixed(p.part, 4) + " = " +
            weight_text(p.weight) + " x " + fixed(p.part / p.weight, 4);
  }
  if (rest) text += text.empty() ? "every part 0" : "; the rest 0";
  return text;
}

std::string sealed_text(std::span<const StartFigures> starts) {
  std::string text;
  for (std::size_t p = 0; p < starts.size(); ++p) {
    const StartFigures& s = starts[p];
    if (!s.sealed) continue;
    // A map has portals where the straight-line distance to one is known.
    const bool no_portal = s.nearest_portal.has_value() && !s.portal_time;
    std::string what = !s.rival_time ? "any rival's heart" : "";
    if (no_portal) what += what.empty() ? "any portal" : " or any portal";
    if (!text.empty()) text += "; ";
    text += "player " + std::to_string(p + 1) + " cannot reach " + what;
  }
  return text;
}

std::string figure_names() {
  std::string names;
  for (const FigureInfo& f : kFigures)
    names += (names.empty() ? "" : ", ") + std::string(f.name);
  return names;
}

}  // namespace tarnix
