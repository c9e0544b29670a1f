#pragma once

#include <optional>
#include <span>
#include <string>

#include "tarnixmap/fairness/figures.h"
#include "tarnixmap/fairness/score.h"

namespace tarnix {

// Every figure's name, in their order, as "gold_first, gems_first, ...".
[[nodiscard]] std::string figure_names();

// How figures and scores are written, the same on the terminal, the page
// and the pictures.

// `value` with `decimals` digits after the point, "0.4871"; scores are
// written with 4.
[[nodiscard]] std::string fixed(double value, int decimals);

// A share of squares given in twelfths, as a number with at most two
// decimals and no trailing zeros: 1230 twelfths is "102.5", 4 is "0.33".
[[nodiscard]] std::string share_text(std::int64_t twelfths);

// One player's figure as it is written: shares as share_text, counts and
// times as whole numbers, distances in tiles to one decimal; an absent
// time or distance as "none".
[[nodiscard]] std::string figure_text(const StartFigures& start, Figure figure);

// A score to four decimals, or "none" for a sealed map.
[[nodiscard]] std::string score_text(const Fairness& fairness);

// How the least even figure stands: its worst and best players' values,
// "worst 16 (player 3), best 95 (player 1)".
[[nodiscard]] std::string least_even_text(std::span<const StartFigures> starts,
                                          const Fairness& fairness);

// A weight as it is written: a whole number without decimals, "2", else
// with what it needs, "2.5".
[[nodiscard]] std::string weight_text(double weight);

// The parts of a score that are not 0, largest first, each as its weight
// times its figure's spread: "gems_first 0.8000 = 2 x 0.4000; gold_first
// 0.6000 = 3 x 0.2000; the rest 0".
[[nodiscard]] std::string parts_text(std::span<const ScorePart> parts);

// Which player cannot reach what, for a sealed map: "player 2 cannot reach
// any rival's heart"; one entry per sealed player.
[[nodiscard]] std::string sealed_text(std::span<const StartFigures> starts);

}  // namespace tarnix
