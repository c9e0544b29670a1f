#include "tarnixmap/option_value.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace tarnix {
namespace {

TEST(OptionValue, ReadsPlainDecimalNumbersInRange) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  struct Case {
    std::string text;
    std::uint64_t low;
    std::uint64_t high;
    std::optional<std::uint64_t> value;
  };
  const std::vector<Case> cases = {
      {"10", 0, 100, 10},
      {"010", 0, 100, 10},  // decimal, not octal
      {"000000000000000000000000007", 0, 100, 7},
      {"0", 0, 100, 0},
      {"0", 1, 100, std::nullopt},
      {"100", 1, 100, 100},
      {"101", 1, 100, std::nullopt},
      {"18446744073709551615", 0, kMax, kMax},
      {"18446744073709551616", 0, kMax, std::nullopt},
      {"99999999999999999999", 0, kMax, std::nullopt},
      {"", 0, 100, std::nullopt},
      {"0x10", 0, 100, std::nullopt},
      {"1e3", 0, 10000, std::nullopt},
      {"+1", 0, 100, std::nullopt},
      {"-0", 0, 100, std::nullopt},
      {" 1", 0, 100, std::nullopt},
      {"1 ", 0, 100, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parse_option_value(c.text, {"--n", c.low, c.high}), c.value)
        << "\"" << c.text << "\"";
  }
  EXPECT_EQ(option_value_problem("\x1B[2J", {"--seed", 0, 9}),
            R"(--seed must be a whole number from 0 to 9, got "\x1B[2J")");
}

}  // namespace
}  // namespace tarnix
