#include "tarnixmap/cli/suggest.h"

#include <algorithm>
#include <vector>

namespace tarnix {

// Optimal string alignment: the classic table of edit distances between
// prefixes, three rows of it at a time.
std::size_t edit_distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> before(b.size() + 1);
  std::vector<std::size_t> last(b.size() + 1);
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j)
    last[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
      row[j] = std::min({last[j] + 1, row[j - 1] + 1, last[j - 1] + change});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        row[j] = std::min(row[j], before[j - 2] + 1);
    }
    std::swap(before, last);
    std::swap(last, row);
  }
  return last[b.size()];
}

std::optional<std::string> nearest(std::string_view word, std::span<const std::string> candidates) {
  std::optional<std::string> best;
  std::size_t best_distance = 0;
  for (const std::string& candidate : candidates) {
    const std::size_t d = edit_distance(word, candidate);
    const std::size_t allowed =
        std::max<std::size_t>(1, std::max(word.size(), candidate.size()) / 3);
    if (d <= allowed && (!best || d < best_distance)) {
      best = candidate;
      best_distance = d;
    }
  }
  if (best) return best;
  std::optional<std::string> begun;
  for (const std::string& candidate : candidates) {
    if (word.size() >= 2 && candidate.starts_with(word)) {
      if (begun) return std::nullopt;  // more than one: no guess
      begun = candidate;
    }
  }
  return begun;
}

}  // namespace tarnix
