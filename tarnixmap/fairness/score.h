#pragma once

#include <array>
#include <optional>
#include <span>
#include <vector>

#include "tarnixmap/fairness/figures.h"

namespace tarnix {

// How much each figure weighs in the score, in the order of kFigures.
using Weights = std::array<double, kFigureCount>;

// The most spread each figure may have for a map to be ranked at all, in
// the order of kFigures; none where there is no limit.
using SpreadCaps = std::array<std::optional<double>, kFigureCount>;

// The weights every figure has unless a user changes them.
[[nodiscard]] Weights default_weights();

// Whether any figure measured by digging weighs in: only then must a map's
// dig times be measured at all, and only then does a sealed map lose its
// score.
[[nodiscard]] bool uses_dig_time(const Weights& weights);

// How uneven one figure is: (largest - smallest) / largest over the
// players, 0 when the largest is 0. Counts of squares and times are
// compared as the whole numbers they are, so that the spread is rounded
// once, as exact arithmetic would round it.
[[nodiscard]] double spread(std::span<const StartFigures> starts, Figure figure);

// How uneven the starts are: the sum of each figure's spread times its
// weight, figures added in their listed order. 0 when every player starts
// alike. A sealed map (a player can reach no rival or no portal) has no
// score when dig time weighs in: it is never ranked.
struct Fairness {
  std::optional<double> score;
  bool sealed = false;
  std::array<double, kFigureCount> parts{};  // each figure's weight times its spread: the
                                             // score's terms, in the order they are added
  Figure least_even = Figure::kGoldFirst;    // the figure that adds most to the score
  std::size_t worst_player = 0;              // index of the player it favours least
  std::size_t best_player = 0;               // and most
};

// Requires: starts.size() >= 2.
[[nodiscard]] Fairness judge(std::span<const StartFigures> starts, const Weights& weights);

// The score of the figures in `known` alone, the rest counted as even:
// never above the score of the finished map, however the figures left come
// out, since every spread adds a share of zero or more, in the same order.
using FigureSet = std::array<bool, kFigureCount>;
// A figure's part of the score.
struct ScorePart {
  Figure figure = Figure::kGoldFirst;
  double weight = 0;
  double part = 0;  // weight times spread
};

// The parts of a scored map's score of the figures that weigh anything,
// largest first (figures of equal parts in their listed order).
[[nodiscard]] std::vector<ScorePart> score_parts(const Fairness& fairness, const Weights& weights);

// Whether a figure's part is large enough to be pointed out: a quarter of
// the score or more (and something at all).
[[nodiscard]] bool weighs_heavily(double part, double score);

[[nodiscard]] double partial_score(std::span<const StartFigures> starts, const Weights& weights,
                                   const FigureSet& known);

}  // namespace tarnix
