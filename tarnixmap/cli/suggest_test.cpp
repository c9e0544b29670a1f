#include "tarnixmap/cli/suggest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnix {
namespace {

TEST(Suggest, EditDistanceCountsEachKindOfEdit) {
  struct Case {
    const char* a;
    const char* b;
    std::size_t distance;
  };
  for (const Case& c :
       {Case{"generate", "generate", 0}, Case{"generat", "generate", 1}, Case{"serch", "search", 1},
        Case{"chekc", "check", 1}, Case{"rendr", "reader", 2}, Case{"kitten", "sitting", 3},
        Case{"", "abc", 3}, Case{"abc", "", 3}}) {
    EXPECT_EQ(edit_distance(c.a, c.b), c.distance) << c.a << " " << c.b;
    EXPECT_EQ(edit_distance(c.b, c.a), c.distance) << c.b << " " << c.a;
  }
}

TEST(Suggest, NearestIsCloseOrTheOnlyOneBegun) {
  const std::vector<std::string> commands = {"generate", "check", "render", "search", "report"};
  const std::vector<std::string> options = {"--seed", "--count", "--preview", "--scale"};
  struct Case {
    const char* word;
    const std::vector<std::string>& candidates;
    std::optional<std::string> meant;
  };
  const std::vector<Case> cases = {
      {"generat", commands, "generate"}, {"chek", commands, "check"},
      {"--cout", options, "--count"},    {"--scael", options, "--scale"},
      {"xyz", commands, std::nullopt},   {"re", commands, std::nullopt},  // render or report
      {"rep", commands, "report"},       {"gen", commands, "generate"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(nearest(c.word, c.candidates), c.meant) << c.word;
}

}  // namespace
}  // namespace tarnix
