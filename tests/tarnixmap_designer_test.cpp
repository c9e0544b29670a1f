// tarnixmap as a designer uses it: what it says when nothing can be made,
// and the options that shape a search.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/file_test_support.h"

namespace {

using tarnix::testing::Result;

class DesignerTest : public tarnix::testing::ProcessTest {
 protected:
  [[nodiscard]] Result tarnixmap(const std::vector<std::string>& args) const {
    return run_program(TARNIXMAP_PATH, args);
  }
};

// When the hearts fit on no seed, one line says so and what would fit, in
// place of an empty table; and what it says holds: the spacing it names
// fits on some seed of its trial (seeds 1 to 16) and one more does not, the
// size it names fits and one square less does not.
TEST_F(DesignerTest, HeartsThatFitNowhereAreSaidInOneLineWithWhatWouldFit) {
  const Result search =
      tarnixmap({"search", "--from", "1", "--seeds", "1000", "--no-write", "C", "32", "32", "4",
                 "500", "5", "300", "40", "200", "200", "20", "10"});
  EXPECT_EQ(search.code, 1);
  EXPECT_EQ(search.out, "");
  EXPECT_EQ(search.err,
            "tarnixmap search: 4 hearts 25 squares apart (min_vosk_dist 20) fit on none of the "
            "1000 seeds of 32 x 32; in a quick trial of 16 seeds they fit with --min-vosk-dist 17 "
            "or less, or on 36 x 36 or larger; nothing was written\n");
  const auto trial = [this](const std::vector<std::string>& values) {
    std::vector<std::string> args = {"search",     "--from",  "1",     "--seeds", "16",
                                     "--no-write", "--quiet", "--top", "1"};
    args.insert(args.end(), values.begin(), values.end());
    args.emplace_back("C");
    return tarnixmap(args).code;
  };
  EXPECT_EQ(trial({"--size", "32x32", "--min-vosk-dist", "17"}), 0);
  EXPECT_EQ(trial({"--size", "32x32", "--min-vosk-dist", "18"}), 1);
  EXPECT_EQ(trial({"--size", "36x36"}), 0);
  EXPECT_EQ(trial({"--size", "35x35"}), 1);

  const Result batch = tarnixmap({"generate", "--seed", "5", "--count", "2", "C", "32", "32", "4",
                                  "500", "5", "300", "40", "200", "200", "20", "10"});
  EXPECT_EQ(batch.code, 1);
  EXPECT_EQ(batch.err,
            "tarnixmap: C_1.map (seed 5): failed to find proper minimal distance between hearts\n"
            "tarnixmap: C_2.map (seed 6): failed to find proper minimal distance between hearts\n"
            "tarnixmap generate: 4 hearts 25 squares apart (min_vosk_dist 20) fit on none of the "
            "2 seeds of 32 x 32; in a quick trial of 16 seeds they fit with --min-vosk-dist 17 or "
            "less, or on 36 x 36 or larger\n");
  EXPECT_TRUE(entries().empty());
}

}  // namespace
