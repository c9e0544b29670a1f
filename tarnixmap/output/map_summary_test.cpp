#include "tarnixmap/output/map_summary.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

#include "tarnixrandommap/grid/tile_grid.h"

namespace tarnix {
namespace {

// A 50 x 40 map built by hand, its figures worked out by hand: hearts at
// (10, 10) and (30, 10), 20 apart, and squares placed at known distances.
//
//   gold (25, 10): 15 from heart 1 (exactly the radius: in), 5 from heart 2
//   gold (10, 26): 16 from heart 1, 25.6 from heart 2: out for both
//   gold (19, 22): 9 and 12 from heart 1, so 15 (in); 16.3 from heart 2
//   gold (21, 21): 15.6 from heart 1 (out); 9 and 11 from heart 2, 14.2 (in)
//   gold (45, 10): 35 from heart 1; 15 from heart 2 (in)
//   gem  (10, 25): 15 from heart 1 (in); 25 from heart 2
//   gem  (30, 26): 16 from heart 2 (out); 25.6 from heart 1
//   gem  (18, 3):  10.6 from heart 1 and 13.9 from heart 2: in for both
//   gem  (5, 20):  11.2 from heart 1 (in); 25 and 10 from heart 2
//   lava (10, 24): 14 from heart 1 (in); 24.4 from heart 2
//   water (30, 24) and (30, 25): 14 and 15 from heart 2 (in)
//   lava (31, 25): 15.03 from heart 2 (out)
//   portal at (14 … 16, 30 … 32): its square (14, 30) is 4 and 20 from
//   heart 1, sqrt(416) = 20.4; its square (16, 30) is 14 and 20 from heart
//   2, sqrt(596) = 24.4
MapFileContents hand_built_map() {
  MapFileContents map;
  map.name = "Hand";
  map.players = 2;
  map.width = 50;
  map.height = 40;
  map.grid = TileGrid::create(50, 40);
  init_grid(*map.grid);
  map.hearts.count = 2;
  map.hearts.centres[0] = {10, 10};
  map.hearts.centres[1] = {30, 10};
  for (std::int32_t p = 0; p < 2; ++p) {
    const HeartCentre c = map.hearts.centres[static_cast<std::size_t>(p)];
    for (std::int32_t y = c.y - 2; y <= c.y + 2; ++y) {
      for (std::int32_t x = c.x - 2; x <= c.x + 2; ++x)
        map.grid->at(x, y) = tile::heart(p);
    }
  }
  for (const auto& [x, y] : {std::pair{25, 10}, {10, 26}, {19, 22}, {21, 21}, {45, 10}})
    map.grid->at(x, y) = tile::kGold;
  for (const auto& [x, y] : {std::pair{10, 25}, {30, 26}, {18, 3}, {5, 20}})
    map.grid->at(x, y) = tile::kGems;
  map.grid->at(10, 24) = tile::kLava;
  map.grid->at(31, 25) = tile::kLava;
  map.grid->at(30, 24) = tile::kWater;
  map.grid->at(30, 25) = tile::kWater;
  for (std::int32_t y = 30; y < 33; ++y) {
    for (std::int32_t x = 14; x < 17; ++x)
      map.grid->at(x, y) = tile::kPortal;
  }
  return map;
}

// The straight-line figures alone, weighed as the score once weighed them:
// gold 3, gems 2, hazards, the nearest portal and the nearest heart 1 each.
MeasureOptions straight_line() {
  MeasureOptions options;
  options.weights.fill(0);
  const std::array<std::pair<Figure, double>, 5> weights = {{{Figure::kGoldNear, 3},
                                                             {Figure::kGemsNear, 2},
                                                             {Figure::kHazardsNear, 1},
                                                             {Figure::kNearestPortal, 1},
                                                             {Figure::kNearestHeart, 1}}};
  for (const auto& [figure, weight] : weights)
    options.weights[static_cast<std::size_t>(figure)] = weight;
  return options;
}

TEST(MapSummary, FiguresAtTheirBoundaries) {
  const MapFileContents map = hand_built_map();
  const MapSummary summary = summarize(map, MeasureOptions());
  ASSERT_EQ(summary.measure.players.size(), 2U);
  const StartFigures& one = summary.measure.players[0];
  const StartFigures& two = summary.measure.players[1];
  EXPECT_EQ(one.gold_near, 2);
  EXPECT_EQ(two.gold_near, 3);
  EXPECT_EQ(one.gems_near, 3);
  EXPECT_EQ(two.gems_near, 1);
  EXPECT_EQ(one.hazards_near, 1);
  EXPECT_EQ(two.hazards_near, 2);
  EXPECT_NEAR(*one.nearest_portal, 20.396, 0.001);
  EXPECT_NEAR(*two.nearest_portal, 24.413, 0.001);
  EXPECT_DOUBLE_EQ(one.nearest_heart, 20.0);
  EXPECT_DOUBLE_EQ(two.nearest_heart, 20.0);
  // 50 x 40 has 176 border squares and 168 of solid rock inside them.
  EXPECT_EQ(summary.tile_counts[0], 168);  // S: no heart reaches the ring
  EXPECT_EQ(summary.tile_counts[2], 176);  // A
  EXPECT_EQ(summary.tile_counts[9], 5);    // g
  EXPECT_EQ(summary.tile_counts[10], 4);   // G
  EXPECT_EQ(summary.tile_counts[11], 9);   // P
  const std::string text = format_summary("hand.map", map, summary);
  EXPECT_NE(text.find("  player 1  heart (10, 10)\n    dig time  "), std::string::npos) << text;
  EXPECT_NE(text.find("\n    straight  gold_near 2, gems_near 3, hazards_near 1, nearest_portal "
                      "20.4, nearest_heart 20.0\n  player 2  heart (30, 10)\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\n    straight  gold_near 3, gems_near 1, hazards_near 2, nearest_portal "
                      "24.4, nearest_heart 20.0\n"),
            std::string::npos)
      << text;
}

// Spreads, worked out from the figures above: gold (3 - 2) / 3, gems
// (3 - 1) / 3, hazards (2 - 1) / 2, nearest portal 1 - sqrt(416 / 596),
// nearest heart 0. Weighted 3, 2, 1, 1, 1, gems add the most: 4/3.
TEST(MapSummary, TheScoreWeighsEachFiguresSpread) {
  const MapSummary summary = summarize(hand_built_map(), straight_line());
  const Fairness& fairness = summary.measure.fairness;
  ASSERT_TRUE(fairness.score);
  EXPECT_NEAR(*fairness.score, 1.0 + 4.0 / 3 + 0.5 + (1 - std::sqrt(416.0 / 596)), 1e-12);
  EXPECT_EQ(fairness.least_even, Figure::kGemsNear);
  EXPECT_EQ(fairness.worst_player, 1U);
  EXPECT_EQ(fairness.best_player, 0U);
  const std::string text = format_summary("hand.map", hand_built_map(), summary);
  EXPECT_NE(text.find("  fairness score 2.9979, least even gems_near: worst 1 (player 2), best 3 "
                      "(player 1)\n"),
            std::string::npos)
      << text;
  // Each figure's part of it, largest first: its weight times its spread.
  EXPECT_NE(text.find("  parts     gems_near 1.3333 = 2 x 0.6667; gold_near 1.0000 = 3 x 0.3333; "
                      "hazards_near 0.5000 = 1 x 0.5000; nearest_portal 0.1645 = 1 x 0.1645; the "
                      "rest 0\n"),
            std::string::npos)
      << text;
  // A wider radius takes in the squares just past 15.
  MeasureOptions radius_16 = straight_line();
  radius_16.radius = 16;
  const MapSummary wider = summarize(hand_built_map(), radius_16);
  EXPECT_EQ(wider.measure.players[0].gold_near, 4);  // (10, 26) at 16, (21, 21) at 15.6
  EXPECT_EQ(wider.measure.players[1].gems_near, 2);  // (30, 26) at 16
  EXPECT_EQ(wider.measure.players[1].hazards_near, 3);
}

// Even starts score 0, whatever the figures.
TEST(MapSummary, EvenStartsScoreZero) {
  std::array<StartFigures, 3> starts{};
  for (StartFigures& s : starts) {
    s.gold_near = 7;
    s.gems_near = 0;
    s.nearest_heart = 12.5;
  }
  const Weights weights = straight_line().weights;
  EXPECT_EQ(judge(starts, weights).score, 0.0);
  starts[2].nearest_portal = 3.0;  // the others have none: counted as 0
  EXPECT_DOUBLE_EQ(*judge(starts, weights).score, 1.0);
  EXPECT_EQ(judge(starts, weights).least_even, Figure::kNearestPortal);
}

// Without portals there is no nearest one; a heart's nearest other heart
// is the closest of several, never itself.
TEST(MapSummary, NoPortalsAndTheClosestOfSeveralHearts) {
  MapFileContents map = hand_built_map();
  for (std::int32_t y = 30; y < 33; ++y) {
    for (std::int32_t x = 14; x < 17; ++x)
      map.grid->at(x, y) = tile::kRock;
  }
  map.players = 3;
  map.hearts.count = 3;
  map.hearts.centres[2] = {10, 34};  // 24 from heart 1, sqrt(400 + 576) = 31.2 from heart 2
  const MapSummary summary = summarize(map, MeasureOptions());
  const std::vector<StartFigures>& players = summary.measure.players;
  ASSERT_EQ(players.size(), 3U);
  for (const StartFigures& player : players)
    EXPECT_FALSE(player.nearest_portal.has_value());
  EXPECT_DOUBLE_EQ(players[0].nearest_heart, 20.0);
  EXPECT_DOUBLE_EQ(players[1].nearest_heart, 20.0);
  EXPECT_DOUBLE_EQ(players[2].nearest_heart, 24.0);
  EXPECT_NE(format_summary("m", map, summary).find("nearest_portal none"), std::string::npos);
  EXPECT_NE(format_summary("m", map, summary).find("portal_time none"), std::string::npos);
}

}  // namespace
}  // namespace tarnix
