#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "tarnixrandommap/placement/hearts.h"

namespace tarnix {

// Every figure of one player's start. Dig-time figures count the squares a
// player reaches first (a square reached first by k players at once is
// shared, 1/k to each) and the times a player needs to reach things;
// straight-line figures count squares within a radius of the heart.
struct StartFigures {
  HeartCentre heart;

  // Shares of squares reached first, in twelfths of a square: 12 / k for a
  // square k players reach first at the same time, so that every share is
  // a whole number and adds up exactly.
  std::int64_t gold_first = 0;                    // gold squares
  std::int64_t gems_first = 0;                    // gem squares
  std::int64_t portals_first = 0;                 // portals, each a 3 x 3 block reached where
                                                  // any of its squares is first reached
  std::int64_t territory = 0;                     // squares that can be entered
  std::int32_t gold_within = 0;                   // gold squares reached within the reach time
  std::optional<std::int64_t> portal_time;        // to the nearest portal square; none without
                                                  // portals, or when none can be reached
  std::optional<std::int64_t> rival_time;         // to the nearest other heart's centre; none
                                                  // when none can be reached
  std::optional<std::int64_t> second_rival_time;  // to the second nearest: none with one
                                                  // rival, or when it cannot be reached
  std::int32_t border_gap = 0;  // rock squares between the heart's block and the inner ring
  bool sealed = false;          // no rival, or no portal of the map's, can be reached

  std::int32_t gold_near = 0;            // gold squares within the radius
  std::int32_t gems_near = 0;            // gem squares within the radius
  std::int32_t hazards_near = 0;         // lava and water squares within the radius
  std::optional<double> nearest_portal;  // to the nearest portal square; none without portals
  double nearest_heart = 0;              // to the nearest other heart centre
};

// The squares, gold, gems and portals reached first, counted by who
// reached them first (a set of players, as bits), and shared out among
// those players: k players reaching one first at the same time take
// 12 / k twelfths each.
struct FirstCounts {
  std::array<std::int64_t, 16> territory{};
  std::array<std::int64_t, 16> gold{};
  std::array<std::int64_t, 16> gems{};
  std::array<std::int64_t, 16> portals{};

  // Adds each player's shares to its gold_first, gems_first,
  // portals_first and territory.
  void share_out(std::span<StartFigures> starts) const;
};

// The figures the score compares, in the order they are listed and weighed.
enum class Figure : std::uint8_t {
  kGoldFirst,
  kGemsFirst,
  kPortalsFirst,
  kTerritory,
  kGoldWithin,
  kPortalTime,
  kRivalTime,
  kSecondRivalTime,
  kBorderGap,
  kGoldNear,
  kGemsNear,
  kHazardsNear,
  kNearestPortal,
  kNearestHeart,
};
inline constexpr std::size_t kFigureCount = 14;

struct FigureInfo {
  std::string_view name;  // as printed, in JSON and in --weight
  double weight;          // its share of the score by default: fitted so that the score
                          // orders typical maps as their races do (see calibrate)
  bool more_is_better;    // which end of its range is the player's good fortune
  bool dig_time;          // measured by digging: the costly part of measuring
};

inline constexpr std::array<FigureInfo, kFigureCount> kFigures = {{
    {"gold_first", 0.5, true, true},
    {"gems_first", 0.5, true, true},
    {"portals_first", 8, true, true},
    {"territory", 4, true, true},
    {"gold_within", 0, true, true},
    {"portal_time", 0, false, true},
    {"rival_time", 0, true, true},
    {"second_rival_time", 0.5, true, true},
    {"border_gap", 0, true, false},
    {"gold_near", 0, true, false},
    {"gems_near", 0, true, false},
    {"hazards_near", 0, false, false},
    {"nearest_portal", 6, false, false},
    {"nearest_heart", 0, true, false},
}};

[[nodiscard]] constexpr const FigureInfo& info(Figure figure) {
  return kFigures[static_cast<std::size_t>(figure)];
}

// Whether a figure shares out the whole map among the players (the squares,
// gold, gems and portals each reaches first): on a symmetric map each
// player's share is the whole divided among them, the same on every map.
[[nodiscard]] constexpr bool is_share(Figure figure) {
  return figure == Figure::kGoldFirst || figure == Figure::kGemsFirst ||
         figure == Figure::kPortalsFirst || figure == Figure::kTerritory;
}

// The figure's value for one player, in its own unit (squares, ticks of
// dig time, tiles); a time or distance that is absent counts 0.
[[nodiscard]] double figure_value(const StartFigures& start, Figure figure);

// The figure of that name, or nothing.
[[nodiscard]] std::optional<Figure> figure_named(std::string_view name);

// The rock squares between the 5 x 5 block around (cx, cy) and the map's
// inner frame ring on its nearest side, on a width x height map.
[[nodiscard]] std::int32_t border_gap(HeartCentre centre, std::int32_t width, std::int32_t height);

}  // namespace tarnix
