#include <new>
#include <string>

#include "tarnixmap/commands/commands.h"
#include "tarnixmap/fairness/figure_text.h"
#include "tarnixmap/output/json_output.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

std::string contact_text(const RacePlayer& player, std::size_t self, std::size_t players) {
  std::string text;
  for (std::size_t q = 0; q < players; ++q) {
    if (q == self) continue;
    if (!text.empty()) text += ", ";
    text += std::to_string(q + 1) + " " +
            (player.contact[q] ? "at " + std::to_string(*player.contact[q]) : "none");
  }
  return text;
}

std::string race_text(const std::string& path, std::span<const RacePlayer> players,
                      const RaceOptions& options) {
  const std::int32_t end = options.time;
  std::string text = printable(path) + ": a race to " + std::to_string(end) + ", " +
                     std::to_string(options.diggers) + " diggers a player\n";
  for (std::size_t p = 0; p < players.size(); ++p) {
    const RacePlayer& r = players[p];
    text += "  player " + std::to_string(p + 1) + ": gold " + std::to_string(r.gold[0]) + ", " +
            std::to_string(r.gold[1]) + ", " + std::to_string(r.gold[2]) + " (at " +
            std::to_string(end / 4) + ", " + std::to_string(end / 2) + ", " + std::to_string(end) +
            "); floor " + std::to_string(r.floor) + "; portals " + std::to_string(r.portals) +
            "; contact " + contact_text(r, p, players.size()) + "\n";
  }
  text += "  race fairness " + fixed(race_fairness(players), 4) + " (the spread of gold at " +
          std::to_string(end) + ")\n";
  return text;
}

nlohmann::json race_json(const std::string& path, std::span<const RacePlayer> players,
                         const RaceOptions& options) {
  nlohmann::json list = nlohmann::json::array();
  for (std::size_t p = 0; p < players.size(); ++p) {
    const RacePlayer& r = players[p];
    nlohmann::json contact = nlohmann::json::object();
    for (std::size_t q = 0; q < players.size(); ++q) {
      if (q == p) continue;
      contact[std::to_string(q + 1)] =
          r.contact[q] ? nlohmann::json(*r.contact[q]) : nlohmann::json(nullptr);
    }
    list.push_back({{"player", p + 1},
                    {"gold", {r.gold[0], r.gold[1], r.gold[2]}},
                    {"floor", r.floor},
                    {"portals", r.portals},
                    {"contact", contact}});
  }
  nlohmann::json object = {{"fairness", race_fairness(players)},
                           {"players", list},
                           {"time", options.time},
                           {"diggers", options.diggers}};
  put_text(object, "file", path);
  return object;
}

}  // namespace

int race_command(const RaceRequest& request, Console& out, Console& err, FileSystem& files) {
  RaceOptions options = request.race;
  options.costs = request.measure.costs;
  Race race;
  int status = kExitOk;
  for (const std::string& path : request.paths) {
    try {
      const std::optional<MapFileContents> map = read_sound_map(path, err, files);
      if (!map) {
        status = kExitFailed;
        continue;
      }
      const std::vector<RacePlayer> players = race.run(*map->grid, map->hearts.placed(), options);
      out.text(request.json ? json_line(race_json(path, players, options))
                            : race_text(path, players, options));
      out.flush();
    } catch (const std::bad_alloc&) {
      err.line(printable(path) + ": not enough memory to race it");
      status = kExitFailed;
    }
  }
  return status;
}

}  // namespace tarnix
