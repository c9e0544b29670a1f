#include "tarnixmap/race/race.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tarnixrandommap/run/generate.h"
#include "tarnixrandommap/run/symmetric_phases.h"

namespace tarnix {
namespace {

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

}  // namespace
}  // namespace tarnix
