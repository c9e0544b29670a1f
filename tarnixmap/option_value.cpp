#include "tarnixmap/option_value.h"

#include <algorithm>
#include <limits>

#include "tarnixrandommap/run/printable.h"

namespace tarnix {

std::optional<std::uint64_t> parse_option_value(std::string_view text, const OptionRange& range) {
  if (text.empty() || !std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t value = 0;
  for (const char c : text) {
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (kMax - digit) / 10) return std::nullopt;  // past 64 bits
    value = value * 10U + digit;
  }
  if (value < range.low || value > range.high) return std::nullopt;
  return value;
}

std::string option_value_problem(std::string_view text, const OptionRange& range) {
  return std::string(range.option) + " must be a whole number from " + std::to_string(range.low) +
         " to " + std::to_string(range.high) + ", got \"" + printable(text) + "\"";
}

}  // namespace tarnix
