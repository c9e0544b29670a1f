#pragma once

#include <span>
#include <string>

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
// on it with its rank.
[[nodiscard]] std::string histogram_svg(const ScoreHistogram& histogram,
                                        std::span<const double> ranked);

}  // namespace tarnix
