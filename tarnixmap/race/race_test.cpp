#include "tarnixmap/race/race.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tarnixrandommap/run/generate.h"
#include "tarnixrandommap/run/symmetric_phases.h"

namespace tarnix {
namespace {

// A map drawn row by row: two hearts, player 1's block at columns 2 to 6
// and player 2's at 14 to 18, seven columns of rock between them, which
// the test puts gold or a portal into.
//
//   x  012345678901234567890
//   0  AAAAAAAAAAAAAAAAAAAAA
//   1  ASSSSSSSSSSSSSSSSSSSA
//   2  AS11111.......22222SA
//   ...
//   6  AS11111.......22222SA
//   7  ASSSSSSSSSSSSSSSSSSSA
//   8  AAAAAAAAAAAAAAAAAAAAA
std::vector<std::string> two_hearts() {
  std::vector<std::string> rows = {"AAAAAAAAAAAAAAAAAAAAA", "ASSSSSSSSSSSSSSSSSSSA"};
  for (int y = 2; y <= 6; ++y)
    rows.emplace_back("AS11111.......22222SA");
  rows.emplace_back("ASSSSSSSSSSSSSSSSSSSA");
  rows.emplace_back("AAAAAAAAAAAAAAAAAAAAA");
  return rows;
}

std::vector<RacePlayer> race_drawn(const std::vector<std::string>& rows,
                                   const RaceOptions& options = {}) {
  TileGrid grid = *TileGrid::create(static_cast<std::int32_t>(rows[0].size()),
                                    static_cast<std::int32_t>(rows.size()));
  init_grid(grid);
  for (std::int32_t y = 0; y < grid.height(); ++y) {
    for (std::int32_t x = 0; x < grid.width(); ++x)
      grid.at(x, y) = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
  }
  const std::array<HeartCentre, 2> hearts = {HeartCentre{4, 4}, HeartCentre{16, 4}};
  Race race;
  return race.run(grid, hearts, options);
}

void expect_same(const RacePlayer& a, const RacePlayer& b, const std::string& where) {
  EXPECT_EQ(a.gold, b.gold) << where;
  EXPECT_EQ(a.floor, b.floor) << where;
  EXPECT_EQ(a.portals, b.portals) << where;
}

// The same map and options race the same way, however often and whatever
// raced before on the same memory.
TEST(Race, TheSameMapRacesTheSameWay) {
  const std::array<std::string_view, kArgumentCount> values = {
      "Cave", "64", "64", "4", "500", "5", "300", "40", "200", "200", "20", "10"};
  const MapParams params = convert_arguments(values);
  TileGrid grid = *TileGrid::create(64, 64);
  TileGrid other = *TileGrid::create(64, 64);
  init_grid(grid);
  init_grid(other);
  const PhaseReports reports = place_phases(params, grid, 7);
  const PhaseReports before = place_phases(params, other, 8);
  ASSERT_TRUE(reports.hearts && before.hearts);
  Race race;
  const RaceOptions options;
  const std::vector<RacePlayer> first = race.run(grid, reports.hearts->placed(), options);
  (void)race.run(other, before.hearts->placed(), options);
  const std::vector<RacePlayer> again = race.run(grid, reports.hearts->placed(), options);
  ASSERT_EQ(first.size(), again.size());
  std::int64_t gold = 0;
  for (std::size_t p = 0; p < first.size(); ++p) {
    expect_same(first[p], again[p], "player " + std::to_string(p + 1));
    EXPECT_EQ(first[p].contact, again[p].contact);
    EXPECT_LE(first[p].gold[0], first[p].gold[1]);
    EXPECT_LE(first[p].gold[1], first[p].gold[2]);
    gold += first[p].gold[2];
  }
  EXPECT_GT(gold, 0);
}

// On a map that follows a symmetric layout every player's records are the
// same, to the unit: every mode, on odd and even sizes.
TEST(Race, SymmetricMapsRaceAlike) {
  struct Case {
    Symmetry symmetry;
    std::array<std::string_view, kArgumentCount> values;
  };
  const std::vector<Case> cases = {
      {Symmetry::kMirrorX, {"X", "64", "48", "2", "0", "4", "200", "30", "150", "150", "20", "8"}},
      {Symmetry::kMirrorX, {"X", "63", "47", "2", "0", "4", "200", "30", "150", "150", "20", "8"}},
      {Symmetry::kMirrorY, {"Y", "48", "64", "2", "0", "4", "200", "30", "150", "150", "20", "8"}},
      {Symmetry::kMirrorY, {"Y", "47", "63", "2", "0", "4", "200", "30", "150", "150", "20", "8"}},
      {Symmetry::kRot2, {"R", "64", "48", "2", "0", "4", "200", "30", "150", "150", "20", "8"}},
      {Symmetry::kRot2, {"R", "63", "47", "2", "0", "4", "200", "30", "150", "150", "20", "8"}},
      {Symmetry::kQuad, {"Q", "64", "64", "4", "0", "4", "300", "40", "200", "200", "20", "8"}},
      {Symmetry::kQuad, {"Q", "63", "61", "4", "0", "4", "300", "40", "200", "200", "20", "8"}},
      {Symmetry::kRot4, {"T", "64", "64", "4", "0", "4", "300", "40", "200", "200", "20", "8"}},
      {Symmetry::kRot4, {"T", "63", "63", "4", "0", "4", "300", "40", "200", "200", "20", "8"}},
  };
  Race race;
  for (const Case& c : cases) {
    const MapParams params = convert_arguments(c.values);
    TileGrid grid = *TileGrid::create(params.width, params.height);
    std::size_t raced = 0;
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
      init_grid(grid);
      const PhaseReports reports = place_symmetric_phases(params, grid, seed, c.symmetry);
      if (!reports.hearts) continue;
      ++raced;
      const std::vector<RacePlayer> players =
          race.run(grid, reports.hearts->placed(), RaceOptions());
      const std::string where = std::string(symmetry_mode(c.symmetry).name) + " " +
                                std::to_string(params.width) + " x " +
                                std::to_string(params.height) + " seed " + std::to_string(seed);
      for (std::size_t p = 1; p < players.size(); ++p)
        expect_same(players[p], players[0], where + " player " + std::to_string(p + 1));
    }
    EXPECT_GT(raced, 6U) << symmetry_mode(c.symmetry).name;
  }
}

// Outcomes clear by hand. Gold only beside player 1's heart is player
// 1's: its diggers are there first. A portal two squares from player 1's
// floor and four from player 2's is player 1's. One gold square halfway
// between the hearts, the only thing of value, is reached by both at once
// and so is nobody's.
TEST(Race, OutcomesClearByHand) {
  std::vector<std::string> beside = two_hearts();
  for (std::size_t y = 2; y <= 6; ++y)
    beside[y][7] = 'g';
  const std::vector<RacePlayer> gold = race_drawn(beside);
  EXPECT_EQ(gold[0].gold[2], 5);
  EXPECT_EQ(gold[1].gold[2], 0);
  EXPECT_TRUE(gold[0].contact[1]);

  std::vector<std::string> portal = two_hearts();
  for (std::size_t y = 3; y <= 5; ++y)
    portal[y].replace(8, 3, "PPP");
  const std::vector<RacePlayer> claimed = race_drawn(portal);
  EXPECT_EQ(claimed[0].portals, 1);
  EXPECT_EQ(claimed[1].portals, 0);
  EXPECT_GT(claimed[0].gold[2], 0);  // it pays

  std::vector<std::string> halfway = two_hearts();
  halfway[4][10] = 'g';
  const std::vector<RacePlayer> tied = race_drawn(halfway);
  EXPECT_EQ(tied[0].gold[2], 0);
  EXPECT_EQ(tied[1].gold[2], 0);
  EXPECT_EQ(tied[0].floor, tied[1].floor);

  // Every code a wall, the hearts' too: the diggers walk their own floor
  // and find nothing to do.
  RaceOptions walls;
  for (const TileCode& tile : kTileCodes) {
    if (tile.code != tile::kBorder) walls.costs.set(tile.code, CostTable::kWall);
  }
  const std::vector<RacePlayer> stuck = race_drawn(halfway, walls);
  EXPECT_EQ(stuck[0].floor, 25);
  EXPECT_EQ(stuck[1].gold[2], 0);
}

// A player walled in by lava but for one long way round earns less than
// its rival, on a map that is otherwise the same seen from either side
// (where they earn the same).
//
//   x  012345678901234567890
//   2  AS11111L.g.g..22222SA   rows 2 to 6; gold at columns 9 and 11,
//   7  AS.LLLLL...........SA   the same distance from either heart
//   8  AS.................SA
TEST(Race, AWalledInPlayerEarnsLess) {
  std::vector<std::string> rows = {std::string(21, 'A'), "A" + std::string(19, 'S') + "A"};
  for (int y = 2; y <= 6; ++y)
    rows.emplace_back("AS11111..g.g..22222SA");
  rows.emplace_back("AS.................SA");
  rows.emplace_back("AS.................SA");
  rows.emplace_back("A" + std::string(19, 'S') + "A");
  rows.emplace_back(std::string(21, 'A'));
  const std::vector<RacePlayer> open = race_drawn(rows);
  EXPECT_EQ(open[0].gold, open[1].gold);
  for (std::size_t y = 2; y <= 7; ++y)
    rows[y][7] = 'L';
  for (std::size_t x = 3; x <= 6; ++x)
    rows[7][x] = 'L';
  const std::vector<RacePlayer> walled = race_drawn(rows);
  EXPECT_LT(walled[0].gold[2], walled[1].gold[2]);
  EXPECT_LT(walled[0].gold[2], open[0].gold[2]);
}

}  // namespace
}  // namespace tarnix
