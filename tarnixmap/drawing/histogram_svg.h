#pragma once

#include <span>
#include <string>
#include <vector>

#include "tarnixmap/fairness/search.h"

namespace tarnix {

// The step between labelled ticks on an axis that spans `range`: 1, 2, 2.5
// or 5 times a power of ten, the smallest that needs no more than `most`
// steps to cover the range. Requires: range > 0, most >= 1.
[[nodiscard]] double tick_step(double range, int most);

// The histogram as an SVG drawing that scales to its box: the bars of the
// bins from the lowest score seen to the highest, in at most 40 bars; the
// score along the bottom axis and the number of seeds up the side, each
// with labelled ticks; and each of the `ranked` scores (best first) marked
// on it by a line that tells its rank and score when pointed at, and
// labelled with its rank, or with those of ranks so near that their labels
// would run into each other ("1–4", telling each rank and score when
// pointed at).
[[nodiscard]] std::string histogram_svg(const ScoreHistogram& histogram,
                                        std::span<const double> ranked);

// The labels of ranked maps at positions `x` (of ranks 1, 2, ..., in the
// drawing's units, in order), grouped so that no two overlap when each
// character is `char_width` wide: each group its first and last rank
// (from 0) and where its label is centred.
struct RankLabel {
  std::size_t first = 0;
  std::size_t last = 0;
  double x = 0;
};
[[nodiscard]] std::vector<RankLabel> rank_labels(std::span<const double> x, double char_width);

}  // namespace tarnix
