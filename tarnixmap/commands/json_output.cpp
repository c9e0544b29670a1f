#include "tarnixmap/commands/json_output.h"

#include "tarnixrandommap/run/printable.h"

namespace tarnix {

nlohmann::json starts_json(std::span<const StartFigures> starts) {
  nlohmann::json list = nlohmann::json::array();
  for (std::size_t p = 0; p < starts.size(); ++p) {
    const StartFigures& s = starts[p];
    list.push_back({{"player", p + 1},
                    {"heart", {{"x", s.heart.x}, {"y", s.heart.y}}},
                    {"gold_near", s.gold_near},
                    {"gems_near", s.gems_near},
                    {"hazards_near", s.hazards_near},
                    {"nearest_portal", s.nearest_portal ? nlohmann::json(*s.nearest_portal)
                                                        : nlohmann::json(nullptr)},
                    {"nearest_heart", s.nearest_heart}});
  }
  return list;
}

std::string figure_name(Figure figure) {
  return std::string(kFigures[static_cast<std::size_t>(figure)].name);
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
