#include "tarnixmap/race/calibrate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tarnixmap/output/weights_file.h"
#include "tarnixrandommap/mapfile/file_system.h"

namespace tarnix {
namespace {

// Worked by hand: ranks of x and y, then Pearson of the ranks.
TEST(Spearman, OfRanksWithTiesSharingTheirMean) {
  struct Case {
    const char* name;
    std::vector<double> x;
    std::vector<double> y;
    double expected;
  };
  const std::vector<Case> cases = {
      // Any rising y orders as x does, however far apart the values.
      {"the same order", {1, 2, 3, 4}, {10, 200, 3000, 40000}, 1.0},
      {"the opposite order", {1, 2, 3, 4}, {4, 3, 2, 1}, -1.0},
      // ranks x: 1 2 3 4 5, y: 2 1 4 3 5; d² = 1+1+1+1+0 = 4;
      // 1 - 6·4 / (5·24) = 0.8.
      {"two swaps", {1, 2, 3, 4, 5}, {2, 1, 4, 3, 5}, 0.8},
      // x ranks 1.5 1.5 3 4 (a tie), y ranks 1 2 3 4. Deviations from 2.5:
      // x -1 -1 .5 1.5, y -1.5 -.5 .5 1.5; Σxy = 1.5+.5+.25+2.25 = 4.5,
      // Σx² = 1+1+.25+2.25 = 4.5, Σy² = 5; 4.5 / √22.5.
      {"a tie", {7, 7, 8, 9}, {1, 2, 3, 4}, 4.5 / 4.743416490252569},
      {"nothing to order", {3, 3, 3}, {1, 2, 3}, 0.0},
      {"one value", {1}, {1}, 0.0},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(spearman(c.x, c.y), c.expected, 1e-12) << c.name;
}

// Maps whose race follows one figure and not the others: the fit finds
// that figure, drops the others, and orders the maps exactly as the race.
TEST(FitWeights, FindsTheFigureTheRaceFollows) {
  std::vector<CalibrationSample> samples;
  std::uint32_t state = 12345;
  const auto noise = [&state] {
    state = state * 1103515245U + 12345U;
    return static_cast<double>((state >> 8U) % 1000) / 1000.0;
  };
  constexpr auto kFollowed = static_cast<std::size_t>(Figure::kPortalTime);
  for (std::uint32_t i = 0; i < 200; ++i) {
    CalibrationSample s;
    s.seed = i;
    for (double& spread : s.spreads)
      spread = noise();
    s.race = s.spreads[kFollowed] * s.spreads[kFollowed];  // rises with it, not in proportion
    samples.push_back(s);
  }
  const Weights start = default_weights();
  const Weights fitted = fit_weights(samples, start);
  EXPECT_GT(agreement(samples, start), 0.0);
  EXPECT_LT(agreement(samples, start), 0.5);
  EXPECT_DOUBLE_EQ(agreement(samples, fitted), 1.0);
  for (std::size_t f = 0; f < kFigureCount; ++f)
    EXPECT_EQ(fitted[f] > 0, f == kFollowed) << kFigures[f].name << " " << fitted[f];
}

// The file calibrate writes is read back as written; a file that is not
// one is refused with what is wrong, and the weights are left alone.
TEST(WeightsFile, ReadsWhatIsWrittenAndRefusesTheRest) {
  Weights written = default_weights();
  written[static_cast<std::size_t>(Figure::kTerritory)] = 0.5;
  MemoryFileSystem files;
  files.files["w.json"] = weights_file_text(written, {{"maps", 10}});
  Weights read{};
  std::string problem;
  ASSERT_TRUE(read_weights_file("w.json", files, &read, &problem)) << problem;
  EXPECT_EQ(read, written);

  struct Case {
    const char* name;
    std::string text;
    const char* problem;
  };
  const std::string all_but_territory =
      R"("border_gap":1,"gems_first":2,"gems_near":0,"gold_first":3,"gold_near":0,)"
      R"("gold_within":1,"hazards_near":0,"nearest_heart":0,"nearest_portal":0,)"
      R"("portal_time":1,"portals_first":2,"rival_time":1,"second_rival_time":1)";
  const std::vector<Case> cases = {
      {"a figure left out", "{\"weights\":{" + all_but_territory + "}}",
       "the weight of \"territory\" must be given, 0 to 100"},
      {"a weight too large", "{\"weights\":{" + all_but_territory + ",\"territory\":101}}",
       "the weight of \"territory\" must be given, 0 to 100"},
      {"a figure misspelt", "{\"weights\":{" + all_but_territory + ",\"teritory\":1}}",
       "\"teritory\" is not a figure"},
      {"every weight 0",
       R"({"weights":{"border_gap":0,"gems_first":0,"gems_near":0,"gold_first":0,"gold_near":0,)"
       R"("gold_within":0,"hazards_near":0,"nearest_heart":0,"nearest_portal":0,)"
       R"("portal_time":0,"portals_first":0,"rival_time":0,"second_rival_time":0,"territory":0}})",
       "every weight is 0"},
      {"no weights", "{\"calibration\":{}}", "must be a JSON object with \"weights\""},
      {"not JSON", "weights: 3", "not valid JSON"},
  };
  for (const Case& c : cases) {
    files.files["bad.json"] = c.text;
    Weights kept = written;
    EXPECT_FALSE(read_weights_file("bad.json", files, &kept, &problem)) << c.name;
    EXPECT_NE(problem.find(c.problem), std::string::npos) << c.name << ": " << problem;
    EXPECT_EQ(problem.rfind("--weights bad.json: ", 0), 0U) << c.name << ": " << problem;
    EXPECT_EQ(kept, written) << c.name;
  }
}

}  // namespace
}  // namespace tarnix
