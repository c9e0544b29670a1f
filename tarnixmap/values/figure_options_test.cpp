#include "tarnixmap/values/figure_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnix {
namespace {

// Costs and weights are read strictly; a bad one says what is allowed.
TEST(FigureOptions, ReadsCostsAndWeightsStrictly) {
  struct Case {
    std::vector<std::string> costs;
    std::vector<std::string> weights;
    std::string problem;  // the start of it; empty when all is well
  };
  const std::vector<Case> cases = {
      {{"W=1", ".=1000", "G=wall", "L=7"}, {"territory=2.5", "rival_time=0"}, ""},
      {{"W=0"}, {}, "--cost must be CODE=N or CODE=wall"},
      {{"W=1001"}, {}, "--cost must be CODE=N or CODE=wall"},
      {{"W=+5"}, {}, "--cost must be CODE=N or CODE=wall"},
      {{"X=5"}, {}, "--cost must be CODE=N or CODE=wall"},
      {{"W5"}, {}, "--cost must be CODE=N or CODE=wall"},
      {{"A=3"}, {}, "--cost cannot change the border 'A'"},
      {{}, {"territory=100.5"}, "--weight must be NAME=W"},
      {{}, {"territory=1e2"}, "--weight must be NAME=W"},
      {{}, {"territory=-1"}, "--weight must be NAME=W"},
      {{}, {"territory=.5"}, "--weight must be NAME=W"},
      {{}, {"territory=nan"}, "--weight must be NAME=W"},
      {{}, {"terrain=1"}, "--weight must be NAME=W"},
      {{},
       {"gold_first=0", "gems_first=0", "portals_first=0", "territory=0", "second_rival_time=0",
        "nearest_portal=0"},
       "--weight leaves every weight 0"},
  };
  for (const Case& c : cases) {
    MeasureOptions options;
    std::string problem;
    const bool ok = apply_figure_options(c.costs, c.weights, options, &problem);
    EXPECT_EQ(ok, c.problem.empty()) << problem;
    EXPECT_TRUE(problem.starts_with(c.problem)) << problem;
  }
  MeasureOptions options;
  std::string problem;
  ASSERT_TRUE(apply_figure_options({"W=1", "G=wall", "G=4"}, {"territory=2.5"}, options, &problem));
  EXPECT_EQ(options.costs[tile::kWater], 1);
  EXPECT_EQ(options.costs[tile::kGems], 4);  // the last one given counts
  EXPECT_EQ(options.weights[static_cast<std::size_t>(Figure::kTerritory)], 2.5);
  EXPECT_EQ(options.weights[static_cast<std::size_t>(Figure::kGoldFirst)], 0.5);  // its default
}

// The help tells every default weight as it is, halves too.
TEST(FigureOptions, TheHelpGivesTheDefaultWeights) {
  const std::string help = score_help();
  for (const char* weight : {"gold_first 0.5", "gems_first 0.5", "portals_first 8", "territory 4",
                             "second_rival_time 0.5", "nearest_portal 6"}) {
    EXPECT_NE(help.find(weight), std::string::npos) << weight << " in " << help;
  }
}

// A cap is a figure and a spread from 0 to 1, read as weights are; the last
// one given for a figure counts, and figures not named have none.
TEST(FigureOptions, ReadsCapsStrictly) {
  SpreadCaps caps{};
  std::string problem;
  ASSERT_TRUE(apply_caps({"portals_first=0.5", "border_gap=1", "border_gap=0.25", "territory=0"},
                         caps, &problem))
      << problem;
  EXPECT_EQ(caps[static_cast<std::size_t>(Figure::kPortalsFirst)], 0.5);
  EXPECT_EQ(caps[static_cast<std::size_t>(Figure::kBorderGap)], 0.25);
  EXPECT_EQ(caps[static_cast<std::size_t>(Figure::kTerritory)], 0.0);
  EXPECT_FALSE(caps[static_cast<std::size_t>(Figure::kGoldFirst)].has_value());
  for (const char* bad : {"portals_first=1.5", "portals_first", "portal=0.5", "territory=-0.1",
                          "territory=.5", "territory=1e-1"}) {
    SpreadCaps none{};
    EXPECT_FALSE(apply_caps({bad}, none, &problem)) << bad;
    EXPECT_TRUE(problem.starts_with("--max-spread must be FIGURE=X, FIGURE one of gold_first"))
        << problem;
  }
}

}  // namespace
}  // namespace tarnix
