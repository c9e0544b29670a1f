#include "tarnixmap/output/json_output.h"

#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

nlohmann::json optional_json(const auto& value) {
  return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

}  // namespace

nlohmann::json starts_json(std::span<const StartFigures> starts, bool dig_time) {
  nlohmann::json list = nlohmann::json::array();
  for (std::size_t p = 0; p < starts.size(); ++p) {
    const StartFigures& s = starts[p];
    nlohmann::json start = {{"player", p + 1},
                            {"heart", {{"x", s.heart.x}, {"y", s.heart.y}}},
                            {"border_gap", s.border_gap},
                            {"gold_near", s.gold_near},
                            {"gems_near", s.gems_near},
                            {"hazards_near", s.hazards_near},
                            {"nearest_portal", optional_json(s.nearest_portal)},
                            {"nearest_heart", s.nearest_heart}};
    for (const FigureInfo& f : kFigures) {
      if (f.dig_time) start[std::string(f.name)] = nullptr;
    }
    start["sealed"] = nullptr;
    if (dig_time) {
      start["gold_first"] = static_cast<double>(s.gold_first) / 12;
      start["gems_first"] = static_cast<double>(s.gems_first) / 12;
      start["portals_first"] = static_cast<double>(s.portals_first) / 12;
      start["territory"] = static_cast<double>(s.territory) / 12;
      start["gold_within"] = s.gold_within;
      start["portal_time"] = optional_json(s.portal_time);
      start["rival_time"] = optional_json(s.rival_time);
      start["second_rival_time"] = optional_json(s.second_rival_time);
      start["sealed"] = s.sealed;
    }
    list.push_back(std::move(start));
  }
  return list;
}

void put_fairness(nlohmann::json& object, const Fairness& fairness, const Weights& weights) {
  object["score"] = optional_json(fairness.score);
  object["sealed"] = fairness.sealed;
  object["worst"] =
      fairness.score ? nlohmann::json(figure_name(fairness.least_even)) : nlohmann::json(nullptr);
  nlohmann::json parts = nullptr;
  if (fairness.score) {
    parts = nlohmann::json::object();
    for (const ScorePart& p : score_parts(fairness, weights))
      parts[figure_name(p.figure)] = p.part;
  }
  object["contributions"] = parts;
}

nlohmann::json race_options_json(const RaceOptions& race) {
  return {{"diggers", race.diggers},
          {"time", race.time},
          {"gem_period", race.gem_period},
          {"portal_period", race.portal_period}};
}

std::string figure_name(Figure figure) {
  return std::string(info(figure).name);
}

void put_text(nlohmann::json& object, const std::string& key, std::string_view bytes) {
  const std::string shown = printable(bytes);
  object[key] = shown;
  if (shown == bytes) return;
  std::string hex;
  for (const char c : bytes)
    hex += hex_byte(c);
  object[key + "_hex"] = hex;
}

std::string json_line(const nlohmann::json& object) {
  return object.dump(-1, ' ', true, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace tarnix
