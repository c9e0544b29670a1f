#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tarnixmap/fairness/measure.h"

namespace tarnix {

// The options that say how maps are measured, as check, search, render and
// report take them: --cost CODE=N|wall and --weight NAME=W, each as often
// as wanted.

// One --cost: "CODE=N", N a whole number from 1 to 1000, or "CODE=wall",
// CODE a tile code other than the border 'A'. Nothing, with *problem
// saying what is allowed, when the text is not one.
struct CostChange {
  char code;
  std::uint16_t cost;
};
[[nodiscard]] std::optional<CostChange> parse_cost(std::string_view text, std::string* problem);

// One --weight: "NAME=W", NAME a figure's name and W a decimal number from
// 0 to 100 (digits, with at most one point: "2", "0.5"). Nothing, with
// *problem set, when the text is not one.
struct WeightChange {
  Figure figure;
  double weight;
};
[[nodiscard]] std::optional<WeightChange> parse_weight(std::string_view text, std::string* problem);

// One --max-spread: "FIGURE=X", FIGURE a figure's name and X a decimal
// number from 0 to 1 (as for --weight). Nothing, with *problem set, when
// the text is not one.
struct CapChange {
  Figure figure;
  double cap;
};
[[nodiscard]] std::optional<CapChange> parse_cap(std::string_view text, std::string* problem);

// Applies every --max-spread given to `caps`. False, with *problem set, at
// the first that is not one.
[[nodiscard]] bool apply_caps(const std::vector<std::string>& texts, SpreadCaps& caps,
                              std::string* problem);

// Applies every --cost and --weight given to `options`. False, with
// *problem set, at the first that is not one, or when every weight ends
// up 0 (nothing would be compared).
[[nodiscard]] bool apply_figure_options(const std::vector<std::string>& costs,
                                        const std::vector<std::string>& weights,
                                        MeasureOptions& options, std::string* problem);

// The score in a few sentences, with the cost table, for --help.
[[nodiscard]] std::string score_help();

}  // namespace tarnix
