#include "tarnixmap/values/option_value.h"

#include <algorithm>
#include <limits>

#include "tarnixrandommap/run/printable.h"

namespace tarnix {

std::optional<std::int64_t> parse_option_value(std::string_view text, const OptionRange& range) {
  const bool negative = text.starts_with('-') && range.low < 0;
  const std::string_view digits = negative ? text.substr(1) : text;
  if (digits.empty() || !std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  // Accumulated as a magnitude, so that the most negative 64-bit number
  // fits; anything past 64 bits is out of every range.
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t magnitude = 0;
  for (const char c : digits) {
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (magnitude > (kMax - digit) / 10) return std::nullopt;
    magnitude = magnitude * 10U + digit;
  }
  constexpr auto kLargest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (magnitude > kLargest + (negative ? 1 : 0)) return std::nullopt;
  const std::int64_t value =
      negative ? static_cast<std::int64_t>(0U - magnitude) : static_cast<std::int64_t>(magnitude);
  if (value < range.low || value > range.high) return std::nullopt;
  return value;
}

std::string option_value_problem(std::string_view text, const OptionRange& range) {
  return std::string(range.option) + " must be a whole number from " + std::to_string(range.low) +
         " to " + std::to_string(range.high) + ", got \"" + printable(text) + "\"";
}

std::string quoted_word(std::string_view word) {
  constexpr std::size_t kShown = 40;
  std::string shown(1, '"');  // g++ 12 at -O3 warns on a literal before a temporary
  shown += printable(word.substr(0, kShown));
  shown += word.size() > kShown ? "...\"" : "\"";
  return shown;
}

}  // namespace tarnix
