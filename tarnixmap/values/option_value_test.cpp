#include "tarnixmap/values/option_value.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace tarnix {
namespace {

TEST(OptionValue, ReadsPlainDecimalNumbersInRange) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  struct Case {
    std::string text;
    std::int64_t low;
    std::int64_t high;
    std::optional<std::int64_t> value;
  };
  const std::vector<Case> cases = {
      {"10", 0, 100, 10},
      {"010", 0, 100, 10},  // decimal, not octal
      {"000000000000000000000000007", 0, 100, 7},
      {"0", 0, 100, 0},
      {"0", 1, 100, std::nullopt},
      {"100", 1, 100, 100},
      {"101", 1, 100, std::nullopt},
      {"9223372036854775807", 0, kMax, kMax},
      {"9223372036854775808", 0, kMax, std::nullopt},
      {"99999999999999999999", 0, kMax, std::nullopt},
      {"-9223372036854775808", kMin, kMax, kMin},
      {"-9223372036854775809", kMin, kMax, std::nullopt},
      {"-5", -10, 10, -5},
      {"-11", -10, 10, std::nullopt},
      {"-5", 0, 10, std::nullopt},  // no sign where the range has no negative numbers
      {"-", -10, 10, std::nullopt},
      {"--5", -10, 10, std::nullopt},
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
