#include "tarnixmap/fairness/score.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "tarnixmap/fairness/figure_text.h"

namespace tarnix {
namespace {

// Each figure's spread is (largest - smallest) / largest, from the whole
// numbers the figures are: territory in twelfths, times in ticks. Worked out
// by hand.
TEST(Score, SpreadsAreWorkedOutFromTheWholeNumbers) {
  std::array<StartFigures, 3> s{};
  s[0].territory = 1200;  // 100 squares
  s[1].territory = 1206;  // 100.5
  s[2].territory = 904;   // 75.33
  s[0].rival_time = 60;
  s[1].rival_time = std::nullopt;  // unreachable: counts 0
  s[2].rival_time = 90;
  s[0].border_gap = 0;  // all 0: no spread at all
  EXPECT_DOUBLE_EQ(spread(s, Figure::kTerritory), (1206.0 - 904.0) / 1206.0);
  EXPECT_DOUBLE_EQ(spread(s, Figure::kRivalTime), 1.0);
  EXPECT_EQ(spread(s, Figure::kBorderGap), 0.0);
  s[1].nearest_heart = 3.0;
  s[0].nearest_heart = 4.0;
  s[2].nearest_heart = 4.0;
  EXPECT_DOUBLE_EQ(spread(s, Figure::kNearestHeart), 0.25);
}

// The score weighs the spreads; the least even figure is the one that adds
// most, the first of equals; its worst player is the one it favours least.
// A sealed map has a score only when dig time does not weigh in.
TEST(Score, WeighsTheSpreadsAndNamesTheLeastEven) {
  std::array<StartFigures, 2> s{};
  s[0].gold_first = 24;  // 2 squares against 4: spread 0.5, weight 3
  s[1].gold_first = 48;
  s[0].border_gap = 3;  // 3 against 4: spread 0.25, weight 1
  s[1].border_gap = 4;
  s[0].portal_time = 10;  // 10 against 20: spread 0.5, weight 1, less is better
  s[1].portal_time = 20;
  s[0].rival_time = s[1].rival_time = 50;
  Weights weights{};
  weights[static_cast<std::size_t>(Figure::kGoldFirst)] = 3;
  weights[static_cast<std::size_t>(Figure::kBorderGap)] = 1;
  weights[static_cast<std::size_t>(Figure::kPortalTime)] = 1;
  weights[static_cast<std::size_t>(Figure::kRivalTime)] = 1;
  const Fairness f = judge(s, weights);
  ASSERT_TRUE(f.score);
  EXPECT_DOUBLE_EQ(*f.score, 1.5 + 0.5 + 0.25);
  EXPECT_EQ(f.least_even, Figure::kGoldFirst);
  EXPECT_EQ(f.worst_player, 0U);
  EXPECT_EQ(f.best_player, 1U);
  Weights portal_only{};
  portal_only[static_cast<std::size_t>(Figure::kPortalTime)] = 1;
  const Fairness p = judge(s, portal_only);
  EXPECT_EQ(p.least_even, Figure::kPortalTime);
  EXPECT_EQ(p.worst_player, 1U);  // the longer way to a portal
  s[1].sealed = true;
  EXPECT_FALSE(judge(s, default_weights()).score);
  EXPECT_TRUE(judge(s, default_weights()).sealed);
  Weights straight{};
  straight[static_cast<std::size_t>(Figure::kBorderGap)] = 1;
  EXPECT_FALSE(uses_dig_time(straight));
  EXPECT_DOUBLE_EQ(*judge(s, straight).score, 0.25);
}

// Which end of each figure is a player's good fortune, worked out by hand:
// the least even figure's worst player is the one at the other end.
TEST(Score, EachFiguresWorstPlayerIsAtItsUnluckyEnd) {
  struct Case {
    Figure figure;
    bool more_is_better;
  };
  const std::vector<Case> cases = {
      {Figure::kGoldFirst, true},    {Figure::kGemsFirst, true},      {Figure::kTerritory, true},
      {Figure::kGoldWithin, true},   {Figure::kPortalTime, false},    {Figure::kRivalTime, true},
      {Figure::kBorderGap, true},    {Figure::kGoldNear, true},       {Figure::kGemsNear, true},
      {Figure::kHazardsNear, false}, {Figure::kNearestPortal, false}, {Figure::kNearestHeart, true},
  };
  for (const Case& c : cases) {
    // Player 1 has 10 of it, player 2 has 20.
    std::array<StartFigures, 2> s{};
    for (std::size_t p = 0; p < 2; ++p) {
      const std::int32_t n = p == 0 ? 10 : 20;
      StartFigures& f = s[p];
      f.gold_first = f.gems_first = f.territory = std::int64_t{12} * n;
      f.gold_within = f.border_gap = f.gold_near = f.gems_near = f.hazards_near = n;
      f.portal_time = f.rival_time = n;
      f.nearest_portal = f.nearest_heart = n;
    }
    Weights only{};
    only[static_cast<std::size_t>(c.figure)] = 1;
    const Fairness f = judge(s, only);
    const std::string name(info(c.figure).name);
    EXPECT_EQ(f.least_even, c.figure) << name;
    EXPECT_EQ(f.worst_player, c.more_is_better ? 0U : 1U) << name;
    EXPECT_EQ(f.best_player, c.more_is_better ? 1U : 0U) << name;
    EXPECT_EQ(info(c.figure).more_is_better, c.more_is_better) << name;
  }
}

// The partial score of some figures, the rest counted as even, is never
// above the score of all of them: what lets a search drop a map early.
TEST(Score, APartialScoreIsNeverAboveTheWhole) {
  std::array<StartFigures, 4> s{};
  for (std::size_t p = 0; p < 4; ++p) {
    s[p].gold_first = static_cast<std::int64_t>(17 * p + 5);
    s[p].territory = static_cast<std::int64_t>(1000 + 333 * p);
    s[p].gold_within = static_cast<std::int32_t>(3 + p);
    s[p].border_gap = static_cast<std::int32_t>(p);
    s[p].nearest_heart = 10.0 / static_cast<double>(p + 1);
    s[p].rival_time = static_cast<std::int64_t>(40 + 7 * p);
  }
  Weights weights = default_weights();
  weights[static_cast<std::size_t>(Figure::kNearestHeart)] = 0.3;
  const double whole = *judge(s, weights).score;
  for (unsigned known = 0; known < (1U << kFigureCount); known += 37) {
    FigureSet set{};
    for (std::size_t f = 0; f < kFigureCount; ++f)
      set[f] = (known >> f & 1U) != 0;
    EXPECT_LE(partial_score(s, weights, set), whole) << known;
  }
  FigureSet all{};
  all.fill(true);
  EXPECT_EQ(partial_score(s, weights, all), whole);
}

TEST(Score, SharesAreWrittenWithAtMostTwoDecimals) {
  EXPECT_EQ(share_text(1230), "102.5");
  EXPECT_EQ(share_text(4), "0.33");
  EXPECT_EQ(share_text(8), "0.67");
  EXPECT_EQ(share_text(24), "2");
  EXPECT_EQ(share_text(0), "0");
}

}  // namespace
}  // namespace tarnix
