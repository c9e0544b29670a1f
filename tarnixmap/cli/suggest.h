#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarnix {

// How many single-character edits (an insertion, a deletion, a change, or
// two neighbours swapped) turn `a` into `b`.
[[nodiscard]] std::size_t edit_distance(std::string_view a, std::string_view b);

// The candidate `word` was most likely meant to be: the one fewest edits
// away, when that is at most a third of the longer word's length (at least
// one edit), or the only one that `word` begins. Nothing when none is near.
[[nodiscard]] std::optional<std::string> nearest(std::string_view word,
                                                 std::span<const std::string> candidates);

}  // namespace tarnix
