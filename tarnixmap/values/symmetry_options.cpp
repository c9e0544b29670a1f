#include "tarnixmap/values/symmetry_options.h"

#include <array>
#include <cstdint>
#include <utility>

#include "tarnixmap/fairness/figure_text.h"
#include "tarnixmap/values/option_value.h"
#include "tarnixrandommap/run/symmetric_phases.h"

namespace tarnix {

namespace {

// The modes that fit a map of these values, by name.
std::string fitting_modes(const MapParams& params) {
  std::string names;
  for (const SymmetryMode& mode : kSymmetryModes) {
    if (symmetry_fits(mode.symmetry, params.width, params.height, params.players))
      names += (names.empty() ? "" : ", ") + std::string(mode.name);
  }
  return names;
}

std::string players_text(std::int32_t players) {
  return std::to_string(players) + (players == 1 ? " player" : " players");
}

}  // namespace

std::string symmetry_names() {
  std::string names;
  for (const SymmetryMode& mode : kSymmetryModes)
    names += (names.empty() ? "" : ", ") + std::string(mode.name);
  return names;
}

std::string symmetry_modes_text() {
  return "mirror-x, mirror-y, rot2 (2 players); quad, rot4 (4 players, rot4 on square maps)";
}

bool read_symmetry(std::string_view text, std::optional<Symmetry>* symmetry, std::string* problem) {
  if (text == "none") {
    *symmetry = std::nullopt;
    return true;
  }
  *symmetry = symmetry_named(text);
  if (*symmetry) return true;
  *problem =
      "--symmetry must be one of " + symmetry_modes_text() + ", or none; got " + quoted_word(text);
  return false;
}

std::string symmetry_problem(Symmetry symmetry, const MapParams& params) {
  if (symmetry_fits(symmetry, params.width, params.height, params.players)) return {};
  const SymmetryMode& mode = symmetry_mode(symmetry);
  std::string text = "--symmetry " + std::string(mode.name);
  if (params.players != mode.copies) {
    text += " is for " + players_text(mode.copies) + ", not " + std::to_string(params.players);
  } else {
    text += " turns a square map a quarter turn, and " + std::to_string(params.width) + " x " +
            std::to_string(params.height) + " is not square";
  }
  if (params.players == 3) {
    return text +
           ": no mirror or turn of a square grid gives 3 players alike starts; for 3 players, "
           "tarnixmap search finds the fairest of many random maps";
  }
  // Every size has a mode for 2 players and one for 4.
  return text + "; for " + players_text(params.players) + " on this map: " + fitting_modes(params);
}

std::vector<std::string> shared_amounts(Symmetry symmetry, const MapParams& params) {
  const std::int32_t copies = symmetry_mode(symmetry).copies;
  const std::array<std::pair<std::string_view, std::int32_t>, 5> amounts = {
      {{"portals", params.portals},
       {"gems", params.gems},
       {"gold", params.gold},
       {"lava", params.lava},
       {"water", params.water}}};
  std::vector<std::string> changed;
  for (const auto& [what, amount] : amounts) {
    const std::int32_t share = share_of(amount, copies);
    if (amount <= 0 || std::int64_t{share} * copies == amount) continue;
    changed.push_back(std::to_string(amount) + " " + std::string(what) + " become " +
                      std::to_string(std::int64_t{share} * copies) + ", " + std::to_string(share) +
                      " in each of " + std::to_string(copies) + " copies");
  }
  return changed;
}

bool check_symmetry(const std::string& who, Symmetry symmetry, const MapParams& params,
                    Console& err) {
  if (const std::string problem = symmetry_problem(symmetry, params); !problem.empty()) {
    err.line(who + ": " + problem);
    return false;
  }
  const std::string note = who + ": note: amounts are shared among the copies: ";
  for (const std::string& shared : shared_amounts(symmetry, params))
    err.line(note + shared);
  return true;
}

std::string prefer_problem(Figure figure, Symmetry symmetry) {
  if (!is_share(figure)) return {};
  std::string others;
  for (std::size_t f = 0; f < kFigureCount; ++f) {
    if (!is_share(static_cast<Figure>(f)))
      others += (others.empty() ? "" : ", ") + std::string(kFigures[f].name);
  }
  const SymmetryMode& mode = symmetry_mode(symmetry);
  return "--prefer " + std::string(info(figure).name) + " cannot rank maps of --symmetry " +
         std::string(mode.name) + ": each player's " + std::string(info(figure).name) +
         " is the map's whole shared out among the " + std::to_string(mode.copies) +
         " copies, the same on every map; prefer one of " + others;
}

bool read_prefer(std::string_view text, Figure* figure, std::string* problem) {
  if (const std::optional<Figure> named = figure_named(text)) {
    *figure = *named;
    return true;
  }
  *problem = "--prefer must be a figure: " + figure_names() + "; got " + quoted_word(text);
  return false;
}

}  // namespace tarnix
