#include "tarnixmap/fairness/dig_time.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tarnixmap/fairness/measure.h"
#include "tarnixmap/fairness/sealing.h"
#include "tarnixrandommap/run/generate.h"

namespace tarnix {
namespace {

// A map drawn row by row; hearts at the centres given.
struct Drawn {
  TileGrid grid;
  HeartTable hearts;
};

Drawn drawn(const std::vector<std::string>& rows, std::vector<HeartCentre> centres) {
  const auto width = static_cast<std::int32_t>(rows[0].size());
  const auto height = static_cast<std::int32_t>(rows.size());
  Drawn map{*TileGrid::create(width, height), {}};
  init_grid(map.grid);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x)
      map.grid.at(x, y) = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
  }
  map.hearts.count = static_cast<std::int32_t>(centres.size());
  std::copy(centres.begin(), centres.end(), map.hearts.centres.begin());
  return map;
}

// Maps drawn by hand, their figures worked out by hand, measured with
// every code that runs the wave of all players: each must find them.
class HandDrawn : public ::testing::TestWithParam<WaveKernel> {
 protected:
  [[nodiscard]] static MapMeasure measured(const Drawn& map, MeasureOptions options = {}) {
    options.wave = GetParam();
    return measure_map(map.grid, map.hearts.placed(), options);
  }
};

INSTANTIATE_TEST_SUITE_P(EveryWave, HandDrawn,
                         ::testing::Values(WaveKernel::kQueue, WaveKernel::kPlain,
                                           WaveKernel::kAvx2),
                         [](const ::testing::TestParamInfo<WaveKernel>& info) {
                           switch (info.param) {
                             case WaveKernel::kQueue:
                               return std::string("Queue");
                             case WaveKernel::kPlain:
                               return std::string("Plain");
                             case WaveKernel::kAvx2:
                               return std::string("Avx2");
                             default:
                               return std::string("Auto");
                           }
                         });

// Two hearts with one column of rock between them; each column square is
// the same dig time from both (heart squares cost 1, rock 3), so every one
// is shared.
//
//   x  0123456789ABCDE           player 1 stands at (4, 4), player 2 at
//   0  AAAAAAAAAAAAAAA           (10, 4). (7, 4) is 2 heart squares and
//   1  ASSSSSSSSSSSSSA           one of rock from each: 1 + 1 + 3 = 5.
//   2  AS11111g22222SA           (7, 2) is 4 heart squares and the gold's
//   3  AS11111.22222SA           3: 7 from each. Player 2's centre is 5,
//   4  AS11111.22222SA           then 3 heart squares: 8.
//   5  AS11111.22222SA
//   6  AS11111.22222SA           Territory: 25 of one's own block and
//   7  ASSSSSSSSSSSSSA           half of each of the 5 column squares,
//   8  AAAAAAAAAAAAAAA           27.5 = 330 twelfths.
const std::vector<std::string> kTwoBlocks = {
    "AAAAAAAAAAAAAAA", "ASSSSSSSSSSSSSA", "AS11111g22222SA", "AS11111.22222SA", "AS11111.22222SA",
    "AS11111.22222SA", "AS11111.22222SA", "ASSSSSSSSSSSSSA", "AAAAAAAAAAAAAAA"};

TEST_P(HandDrawn, SquaresReachedAtTheSameTimeAreShared) {
  const Drawn map = drawn(kTwoBlocks, {{4, 4}, {10, 4}});
  const MapMeasure m = measured(map);
  for (std::size_t p = 0; p < 2; ++p) {
    const StartFigures& s = m.players[p];
    EXPECT_EQ(s.territory, 330) << "player " << p + 1;
    EXPECT_EQ(s.gold_first, 6) << "player " << p + 1;  // half a square
    EXPECT_EQ(s.gems_first, 0) << "player " << p + 1;
    EXPECT_EQ(s.gold_within, 1) << "player " << p + 1;  // at 7, within 45
    EXPECT_EQ(s.rival_time, 8) << "player " << p + 1;
    EXPECT_FALSE(s.portal_time) << "player " << p + 1;  // no portal on the map
    EXPECT_EQ(s.border_gap, 0) << "player " << p + 1;   // both blocks touch the ring
    EXPECT_FALSE(s.sealed) << "player " << p + 1;
  }
  ASSERT_TRUE(m.fairness.score);
  EXPECT_EQ(*m.fairness.score, 0.0);
  // The reach limit counts the gold at 7 only from 7 on.
  MeasureOptions short_reach;
  short_reach.reach = 6;
  EXPECT_EQ(measured(map, short_reach).players[0].gold_within, 0);
  short_reach.reach = 7;
  EXPECT_EQ(measured(map, short_reach).players[0].gold_within, 1);
}

// A gem in the middle: a wall, reached from beside it. Its nearest
// neighbours are (6, 4) and (8, 4), heart squares at 2 from each player:
// shared. The way between the hearts goes round it: (6, 3) at 3, (7, 3) at
// 6, (8, 3) at 7, then three heart squares to (10, 4): 10.
TEST_P(HandDrawn, AGemIsMinedFromBeside) {
  std::vector<std::string> rows = kTwoBlocks;
  rows[4][7] = 'G';
  const MapMeasure m = measured(drawn(rows, {{4, 4}, {10, 4}}));
  for (std::size_t p = 0; p < 2; ++p) {
    EXPECT_EQ(m.players[p].gems_first, 6) << "player " << p + 1;
    EXPECT_EQ(m.players[p].rival_time, 10) << "player " << p + 1;
    // The gem is no longer territory: 25 and half of 4.
    EXPECT_EQ(m.players[p].territory, 25 * 12 + 4 * 6) << "player " << p + 1;
  }
}

// Lava from ring to ring: neither heart can reach the other. Both are
// sealed; the map has no score; its rival times are absent.
TEST_P(HandDrawn, AWallCuttingTheHeartsApartSealsThem) {
  std::vector<std::string> rows = kTwoBlocks;
  for (std::size_t y = 2; y <= 6; ++y)
    rows[y][7] = 'L';
  const Drawn map = drawn(rows, {{4, 4}, {10, 4}});
  const MapMeasure m = measured(map);
  for (std::size_t p = 0; p < 2; ++p) {
    EXPECT_FALSE(m.players[p].rival_time) << "player " << p + 1;
    EXPECT_TRUE(m.players[p].sealed) << "player " << p + 1;
    EXPECT_EQ(m.players[p].territory, 25 * 12) << "player " << p + 1;
  }
  EXPECT_TRUE(m.fairness.sealed);
  EXPECT_FALSE(m.fairness.score);
  // Weighed on the straight line alone, a sealed map keeps its score.
  MeasureOptions straight;
  straight.weights.fill(0);
  straight.weights[static_cast<std::size_t>(Figure::kGoldNear)] = 1;
  EXPECT_TRUE(measured(map, straight).fairness.score);
}

// Water costs 2 by default: (7, 4) is then 2 + 2 = 4 from each, the rival
// 7. At 1 it is 3 and 6; as a wall, the hearts are cut apart.
TEST_P(HandDrawn, CostsAreTheTableGiven) {
  std::vector<std::string> rows = kTwoBlocks;
  for (std::size_t y = 2; y <= 6; ++y)
    rows[y][7] = 'W';
  const Drawn map = drawn(rows, {{4, 4}, {10, 4}});
  EXPECT_EQ(measured(map).players[0].rival_time, 7);
  MeasureOptions cheap;
  cheap.costs.set(tile::kWater, 1);
  EXPECT_EQ(measured(map, cheap).players[0].rival_time, 6);
  MeasureOptions walled;
  walled.costs.set(tile::kWater, CostTable::kWall);
  EXPECT_TRUE(measured(map, walled).players[1].sealed);
  // A heart's own squares made walls: the player still stands on its
  // centre, but every square around it is a wall: no way out, and no way
  // in for the rival either.
  MeasureOptions hearts_walled;
  hearts_walled.costs.set(tile::heart(0), CostTable::kWall);
  const MapMeasure m = measured(map, hearts_walled);
  EXPECT_TRUE(m.players[0].sealed);
  EXPECT_FALSE(m.players[0].rival_time);
  EXPECT_FALSE(m.players[1].rival_time);
}

// A portal between two hearts far apart, and gold on either side.
//
//   x  0123456789ABCDEFGHIJK      (9, 4) is 2 heart squares, 2 of rock and
//   0  AAAAAAAAAAAAAAAAAAAAA      one portal square from player 1: 9; the
//   1  ASSSSSSSSSSSSSSSSSSSA      nearest portal square of each player.
//   2  AS11111.g.....22222SA      Crossing the portal, player 2's centre
//   3  AS11111..PPP..22222SA      is 9 + 1 + 1 + 3 + 3 + 1 + 1 + 1 = 20.
//   4  AS11111..PPP..22222SA      The gold at (8, 2) is 4 + 3 + 3 = 10
//   5  AS11111..PPP..22222SA      from player 1, past a reach of 9.
//   6  AS11111.....g.22222SA
//   7  ASSSSSSSSSSSSSSSSSSSA
//   8  AAAAAAAAAAAAAAAAAAAAA
TEST_P(HandDrawn, PortalsRivalsAndGoldWithinReach) {
  const std::vector<std::string> rows = {
      "AAAAAAAAAAAAAAAAAAAAA", "ASSSSSSSSSSSSSSSSSSSA", "AS11111.g.....22222SA",
      "AS11111..PPP..22222SA", "AS11111..PPP..22222SA", "AS11111..PPP..22222SA",
      "AS11111.....g.22222SA", "ASSSSSSSSSSSSSSSSSSSA", "AAAAAAAAAAAAAAAAAAAAA"};
  const Drawn map = drawn(rows, {{4, 4}, {16, 4}});
  const MapMeasure m = measured(map);
  for (std::size_t p = 0; p < 2; ++p) {
    EXPECT_EQ(m.players[p].portal_time, 9) << "player " << p + 1;
    EXPECT_EQ(m.players[p].rival_time, 20) << "player " << p + 1;
    EXPECT_EQ(m.players[p].gold_within, 2) << "player " << p + 1;
  }
  MeasureOptions short_reach;
  short_reach.reach = 9;
  EXPECT_EQ(measured(map, short_reach).players[0].gold_within, 0);
  EXPECT_EQ(m.players[0].gold_first, 12);  // (8, 2) is player 1's alone
  // Lava cuts player 1 off from the portal and from player 2: both are
  // sealed, though player 2 still reaches the portal.
  std::vector<std::string> cut = rows;
  for (std::size_t y = 2; y <= 6; ++y)
    cut[y][7] = 'L';
  const MapMeasure sealed = measured(drawn(cut, {{4, 4}, {16, 4}}));
  EXPECT_TRUE(sealed.players[0].sealed);
  EXPECT_FALSE(sealed.players[0].portal_time);
  EXPECT_TRUE(sealed.players[1].sealed);
  EXPECT_FALSE(sealed.players[1].rival_time);
  EXPECT_EQ(sealed.players[1].portal_time, 9);
}

using MapValues = std::array<std::string_view, kArgumentCount>;
// A map thick with lava, of one word a row, and a wide one of three.
constexpr MapValues kLavaMap = {"L", "40", "40", "4", "0", "4", "80", "30", "600", "60", "5", "2"};
constexpr MapValues kWideMap = {"W",   "150", "24",   "3",   "0",  "6",
                                "200", "60",  "1500", "200", "20", "2"};

// The flood of bits that a search counts sealed maps by gives the answer
// the dig-time waves give, player by player, whatever the costs: on maps
// thick with lava, and with water, gems and the hearts themselves turned
// into walls or into squares that can be entered.
TEST(DigTimes, TheFloodFindsTheSealedPlayersTheWavesFind) {
  // A square map of one word a row, and a wide one of three, whose floods
  // carry from word to word.
  const std::array<MapValues, 2> shapes = {kLavaMap, kWideMap};
  std::vector<CostTable> tables(5);
  tables[1].set(tile::kWater, CostTable::kWall);
  tables[2].set(tile::kGems, 5);
  tables[2].set(tile::kLava, 60);
  tables[3].set(tile::heart(0), CostTable::kWall);
  tables[3].set(tile::heart(2), CostTable::kWall);
  tables[4].set(tile::kPortal, CostTable::kWall);  // portals reached from beside
  DigTimes dig;
  SealCheck seal;
  for (const auto& values : shapes) {
    const MapParams params = convert_arguments(values);
    std::optional<TileGrid> grid = TileGrid::create(params.width, params.height);
    std::array<int, 2> seen{};  // maps with a sealed player, and without
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
      init_grid(*grid);
      const PhaseReports reports = place_phases(params, *grid, seed);
      if (!reports.hearts) continue;
      const auto players = static_cast<std::size_t>(params.players);
      for (std::size_t t = 0; t < tables.size(); ++t) {
        std::array<StartFigures, 4> waves{};
        std::array<StartFigures, 4> flood{};
        const std::span<StartFigures> w = std::span(waves).first(players);
        const std::span<StartFigures> f = std::span(flood).first(players);
        std::array<StartFigures, 4> first{};
        const std::span<StartFigures> one = std::span(first).first(players);
        const bool decided = dig.measure_first(*grid, reports.hearts->placed(), tables[t], one);
        dig.measure_own(*grid, reports.hearts->placed(), tables[t], kDefaultReach, w);
        const bool any = seal.check(*grid, reports.hearts->placed(), tables[t], f);
        bool any_wave = false;
        for (std::size_t p = 0; p < players; ++p) {
          EXPECT_EQ(flood[p].sealed, waves[p].sealed)
              << params.name << " seed " << seed << " table " << t << " player " << p + 1;
          if (decided) {
            EXPECT_EQ(first[p].sealed, waves[p].sealed)
                << "the wave of all players: " << params.name << " seed " << seed << " table " << t
                << " player " << p + 1;
          }
          any_wave = any_wave || waves[p].sealed;
        }
        EXPECT_EQ(any, any_wave) << params.name << " seed " << seed << " table " << t;
        ++seen[any ? 0 : 1];
      }
    }
    EXPECT_GT(seen[0], 50) << params.name;  // both kinds of map were met
    EXPECT_GT(seen[1], 50) << params.name;
  }
}

// Every code that runs the wave of all players finds what the bucket queue
// finds, to the twelfth, on thousands of maps: one word a row, a row just
// over a word, rows of exactly two words, of three, four and five (the
// last stepped word by word, not row by row), widths a square short of or
// past a word's end; 2 to 4 players; costs the boards take and
// costs they leave to the queue; every wall kept, or only the counted ones.
TEST(DigTimes, EveryWaveKernelFindsWhatTheQueueFinds) {
  const std::array<MapValues, 11> shapes = {{
      {"C", "64", "64", "4", "500", "5", "300", "40", "200", "200", "20", "10"},
      kLavaMap,
      {"T", "65", "30", "2", "0", "3", "100", "30", "300", "100", "10", "2"},
      {"D", "128", "40", "3", "0", "5", "200", "60", "800", "200", "20", "2"},
      kWideMap,
      {"Q", "200", "20", "4", "0", "6", "200", "60", "1500", "200", "20", "2"},
      {"V", "300", "16", "2", "0", "6", "200", "60", "1500", "200", "20", "2"},
      // Widths either side of a word's end: the last word's spare bits.
      {"N", "63", "40", "3", "0", "4", "150", "30", "400", "100", "10", "2"},
      {"E", "129", "20", "2", "0", "4", "150", "30", "800", "100", "10", "2"},
      {"F", "256", "16", "2", "0", "4", "200", "30", "1500", "100", "10", "2"},
      {"G", "257", "16", "2", "0", "4", "200", "30", "1500", "100", "10", "2"},
  }};
  std::vector<CostTable> tables(6);
  tables[1].set(tile::kWater, CostTable::kWall);
  tables[1].set(tile::kRock, 1);
  tables[2].set(tile::kGems, 2);
  tables[2].set(tile::kLava, 3);
  tables[3].set(tile::kPortal, CostTable::kWall);  // portals reached from beside
  tables[3].set(tile::kGold, CostTable::kWall);
  tables[4].set(tile::heart(1), CostTable::kWall);  // a centre the boards cannot start from
  tables[5].set(tile::kLava, 4);                    // a cost the boards do not take
  DigTimes queue;
  queue.use(WaveKernel::kQueue);
  std::array<DigTimes, 2> bits;
  bits[0].use(WaveKernel::kPlain);
  bits[1].use(WaveKernel::kAvx2);
  std::size_t compared = 0;
  for (const auto& values : shapes) {
    const MapParams params = convert_arguments(values);
    std::optional<TileGrid> grid = TileGrid::create(params.width, params.height);
    const auto players = static_cast<std::size_t>(params.players);
    std::size_t maps = 0;
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
      init_grid(*grid);
      const PhaseReports reports = place_phases(params, *grid, seed);
      if (!reports.hearts) continue;
      ++maps;
      const std::span<const HeartCentre> hearts = reports.hearts->placed();
      for (std::size_t t = 0; t < tables.size(); ++t) {
        std::array<StartFigures, 4> expected{};
        const std::span<StartFigures> want = std::span(expected).first(players);
        const bool decided = queue.measure_first(*grid, hearts, tables[t], want);
        const std::vector<std::uint8_t> first(queue.first_reachers().begin(),
                                              queue.first_reachers().end());
        for (DigTimes& dig : bits) {
          for (const bool every_wall : {true, false}) {
            dig.keep_first_reachers(every_wall);
            std::array<StartFigures, 4> found{};
            const std::span<StartFigures> got = std::span(found).first(players);
            const std::string where = params.name + " seed " + std::to_string(seed) + " table " +
                                      std::to_string(t) + (every_wall ? "" : " counted walls");
            EXPECT_EQ(dig.measure_first(*grid, hearts, tables[t], got), decided) << where;
            for (std::size_t p = 0; p < players; ++p) {
              EXPECT_EQ(got[p].territory, want[p].territory) << where << " player " << p + 1;
              EXPECT_EQ(got[p].gold_first, want[p].gold_first) << where << " player " << p + 1;
              EXPECT_EQ(got[p].gems_first, want[p].gems_first) << where << " player " << p + 1;
              EXPECT_EQ(got[p].portals_first, want[p].portals_first)
                  << where << " player " << p + 1;
              if (decided) {
                EXPECT_EQ(got[p].sealed, want[p].sealed) << where << " player " << p + 1;
              }
            }
            if (every_wall) {
              EXPECT_TRUE(std::ranges::equal(dig.first_reachers(), first)) << where;
            }
            ++compared;
          }
        }
      }
    }
    EXPECT_GT(maps, 30U) << params.name;
  }
  EXPECT_GT(compared, 5000U);
}

// A portal that is a wall is reached from beside it by every player who
// gets there, first or not: two pairs of players either side of a wall of
// lava with a portal square in it (a map made by hand), the right pair
// there first, all reach a portal and a rival, and no one is sealed in.
TEST_P(HandDrawn, APortalWallIsReachedFromEitherSide) {
  const Drawn map =
      drawn({"AAAAAAAAAAAAAAAAAAAAA", "ASSSSSSSSSSSSSSSSSSSA", "AS.......L.........SA",
             "AS.......L.........SA", "AS.......L.........SA", "AS.......P.........SA",
             "AS.......L.........SA", "AS.......L.........SA", "AS.......L.........SA",
             "ASSSSSSSSSSSSSSSSSSSA", "AAAAAAAAAAAAAAAAAAAAA"},
            {{3, 3}, {3, 7}, {11, 5}, {17, 5}});
  CostTable walls;
  walls.set(tile::kPortal, CostTable::kWall);
  std::array<StartFigures, 4> first{};
  DigTimes dig;
  dig.use(GetParam());
  ASSERT_TRUE(dig.measure_first(map.grid, map.hearts.placed(), walls, first));
  std::array<StartFigures, 4> own{};
  dig.measure_own(map.grid, map.hearts.placed(), walls, kDefaultReach, own);
  for (std::size_t p = 0; p < 4; ++p) {
    EXPECT_FALSE(own[p].sealed) << "player " << p + 1;
    EXPECT_FALSE(first[p].sealed) << "player " << p + 1;
  }
  // Player 3 reaches it first, at 3, from (10, 5); player 1 after 7 rock
  // squares, 21, from (8, 5).
  EXPECT_EQ(own[2].portal_time, 3);
  EXPECT_EQ(own[0].portal_time, 21);
  EXPECT_EQ(first[2].portals_first, 12);
}

// A portal is reached first by whoever first reaches any of its nine
// squares; players tied there share it, as they would a square. Times
// worked out by hand (rock 3, a portal or heart square 1):
//
//   x  012345678901234567890     player 1 stands at (4, 6), player 2 at
//   0  AAAAAAAAAAAAAAAAAAAAA     (16, 6). The middle portal's nearest
//   1  ASSSSSSSSSSSSSSSSSSSA     squares are (9, 6) and (11, 6): 4 rock
//   2  AS.PPP.............SA     squares and the portal square from
//   3  AS.PPP.............SA     either, 4 x 3 + 1 = 13: shared, half to
//   4  AS.PPP.............SA     each. The portal above player 1 is at
//   5  AS.......PPP.......SA     (4, 4): one rock square and one portal
//   6  AS..1....PPP....2..SA     square, 4, and 4 + 5 x 3 + ... further
//   7  AS.......PPP.......SA     from player 2: player 1's alone.
//   8  AS.................SA
//   9  AS.................SA     Player 1: 1 + 1/2 portals, player 2:
//  10  AS.................SA     1/2; in twelfths 18 and 6.
//  11  ASSSSSSSSSSSSSSSSSSSA
//  12  AAAAAAAAAAAAAAAAAAAAA
TEST_P(HandDrawn, APortalGoesToWhoeverFirstReachesAnyOfItsSquares) {
  const Drawn map =
      drawn({"AAAAAAAAAAAAAAAAAAAAA", "ASSSSSSSSSSSSSSSSSSSA", "AS.PPP.............SA",
             "AS.PPP.............SA", "AS.PPP.............SA", "AS.......PPP.......SA",
             "AS..1....PPP....2..SA", "AS.......PPP.......SA", "AS.................SA",
             "AS.................SA", "AS.................SA", "ASSSSSSSSSSSSSSSSSSSA",
             "AAAAAAAAAAAAAAAAAAAAA"},
            {{4, 6}, {16, 6}});
  const MapMeasure m = measured(map);
  EXPECT_EQ(m.players[0].portals_first, 18);
  EXPECT_EQ(m.players[1].portals_first, 6);
  EXPECT_EQ(m.players[0].portal_time, 4);
  EXPECT_EQ(m.players[1].portal_time, 13);
  // The spread is (1.5 - 0.5) / 1.5, weighed 8 by default.
  EXPECT_NEAR(m.fairness.parts[static_cast<std::size_t>(Figure::kPortalsFirst)], 8.0 * 2 / 3,
              1e-12);
  // A portal that is a wall is reached from beside it, as any wall: the
  // middle one then at 12 from either side, still shared.
  MeasureOptions walled;
  walled.costs.set(tile::kPortal, CostTable::kWall);
  const MapMeasure w = measured(map, walled);
  EXPECT_EQ(w.players[0].portals_first, 18);
  EXPECT_EQ(w.players[1].portals_first, 6);
}

// A heart between two rivals has both near: its second rival is as near as
// its first. Worked out by hand on one row (rock 3, a heart's square 1):
// from player 1 at x = 3, player 2 at x = 9 is 5 rock squares and its own
// square away, 16; player 3 at x = 15 is 16 more, through player 2's
// square, 32. Player 2 has both at 16. With two players there is no
// second rival.
TEST_P(HandDrawn, TheSecondNearestRival) {
  const std::vector<std::string> rows = {
      "AAAAAAAAAAAAAAAAAAA", "ASSSSSSSSSSSSSSSSSA", "ASLLLLLLLLLLLLLLLSA", "ASLLLLLLLLLLLLLLLSA",
      "AS.1.....2.....3.SA", "ASLLLLLLLLLLLLLLLSA", "ASSSSSSSSSSSSSSSSSA", "AAAAAAAAAAAAAAAAAAA"};
  const MapMeasure three = measured(drawn(rows, {{3, 4}, {9, 4}, {15, 4}}));
  const std::array<std::pair<std::int64_t, std::int64_t>, 3> want = {
      {{16, 32}, {16, 16}, {16, 32}}};
  for (std::size_t p = 0; p < 3; ++p) {
    EXPECT_EQ(three.players[p].rival_time, want[p].first) << "player " << p + 1;
    EXPECT_EQ(three.players[p].second_rival_time, want[p].second) << "player " << p + 1;
  }
  // Its spread is (32 - 16) / 32, weighed 0.5 by default.
  EXPECT_NEAR(three.fairness.parts[static_cast<std::size_t>(Figure::kSecondRivalTime)], 0.25,
              1e-12);
  const MapMeasure two = measured(drawn(rows, {{3, 4}, {15, 4}}));
  EXPECT_EQ(two.players[0].rival_time, 32);
  EXPECT_FALSE(two.players[0].second_rival_time);
  EXPECT_FALSE(two.players[1].second_rival_time);
}

// The boards of bits are taken by default on the shapes where they were
// measured quicker than the queue (BM_DigFirstByShape, 1.1 to 2.4 times),
// and not where they were measured slower.
TEST(BitWave, PaysWhereItWasMeasuredQuicker) {
  struct Shape {
    std::int32_t width;
    std::int32_t height;
    bool quicker;
  };
  const std::array<Shape, 13> shapes = {{
      {64, 64, true},
      {96, 64, true},
      {128, 64, true},
      {192, 64, true},
      {256, 64, true},
      {96, 96, true},
      {128, 128, true},
      {192, 192, true},
      {64, 128, true},
      {64, 256, true},
      {256, 256, false},
      {512, 512, false},
      {512, 64, false},
  }};
  for (const Shape& shape : shapes) {
    EXPECT_EQ(BitWave::pays(*TileGrid::create(shape.width, shape.height)), shape.quicker)
        << shape.width << " x " << shape.height;
  }
}

// Portals are found as the generator places them, 3 x 3 blocks, also where
// two touch and read as one bigger portal.
TEST(PortalFinder, FindsEachBlockOfNine) {
  const Drawn map =
      drawn({"AAAAAAAAAAAA", "ASSSSSSSSSSA", "ASPPPPPP...A", "ASPPPPPP...A", "ASPPPPPP...A",
             "AS...PPP...A", "AS...PPP...A", "AS...PPP...A", "ASSSSSSSSSSA", "AAAAAAAAAAAA"},
            {});
  PortalFinder finder;
  const std::vector<PortalBlock>& blocks = finder.find(map.grid);
  ASSERT_EQ(blocks.size(), 3U);
  const std::array<std::pair<std::int32_t, std::int32_t>, 3> corners = {{{2, 2}, {5, 2}, {5, 5}}};
  for (std::size_t b = 0; b < 3; ++b) {
    EXPECT_EQ(blocks[b].x, corners[b].first) << b;
    EXPECT_EQ(blocks[b].y, corners[b].second) << b;
    EXPECT_EQ(blocks[b].count, 9U) << b;
  }
  // Found again on the next map as on the first: nothing is left over.
  EXPECT_EQ(finder.find(map.grid).size(), 3U);
}

}  // namespace
}  // namespace tarnix
