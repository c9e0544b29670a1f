#pragma once

#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <string_view>

#include "tarnixmap/fairness/score.h"
#include "tarnixmap/race/race.h"

namespace tarnix {

// The figures of each player's start: player (from 1), heart {x, y},
// sealed, and every figure by its name: shares of squares as numbers
// (102.5), times as whole numbers or null (unreachable; portal_time also
// without portals), distances in tiles. With `dig_time` false the
// dig-time figures were not measured: they are null.
[[nodiscard]] nlohmann::json starts_json(std::span<const StartFigures> starts,
                                         bool dig_time = true);

// A map's fairness: "score" (null for a sealed map), "sealed", "worst",
// the least even figure, and "contributions", each weighed figure's part
// of the score, its weight times its spread (both null without a score).
void put_fairness(nlohmann::json& object, const Fairness& fairness, const Weights& weights);

// A race's options as JSON: "diggers", "time", "gem_period" and
// "portal_period" (its costs are the measure's, written with it).
[[nodiscard]] nlohmann::json race_options_json(const RaceOptions& race);

// The name of a figure, as the JSON and the tables call it.
[[nodiscard]] std::string figure_name(Figure figure);

// Puts the text `bytes` (a file name, a map's name) at `key` as a terminal
// shows it, escaped as printable() escapes it; where that differs from the
// bytes (they are not UTF-8, or hold controls), `key`_hex holds the bytes
// themselves in hex, so that two names never print alike and each can be
// recovered.
void put_text(nlohmann::json& object, const std::string& key, std::string_view bytes);

// One object on one line, keys in alphabetical order, everything outside
// ASCII escaped (a terminal can show it safely) and bytes that are not
// UTF-8 replaced.
[[nodiscard]] std::string json_line(const nlohmann::json& object);

}  // namespace tarnix
