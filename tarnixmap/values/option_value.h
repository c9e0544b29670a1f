#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnix {

// The whole numbers an option takes, from `low` to `high`.
struct OptionRange {
  std::string_view option;  // as the user types it, "--seed"
  std::int64_t low = 0;
  std::int64_t high = 0;
};

// An option's value read as a plain decimal number, as every number is in
// both programs: digits only, after a "-" where the range has negative
// numbers ("010" is ten; "0x10", "1e3", "+1", " 5" and "" are not numbers),
// and within the range. Nothing when it is not.
[[nodiscard]] std::optional<std::int64_t> parse_option_value(std::string_view text,
                                                             const OptionRange& range);

// Why a value was turned away: the option, the value and what is allowed,
// for example: --count must be a whole number from 1 to 4294967296, got "0".
[[nodiscard]] std::string option_value_problem(std::string_view text, const OptionRange& range);

// A word from the command line as a message shows it: quoted, escaped
// where a terminal could act on it, and cut after its first 40 bytes (a
// mistyped word can be of any length).
[[nodiscard]] std::string quoted_word(std::string_view word);

}  // namespace tarnix
