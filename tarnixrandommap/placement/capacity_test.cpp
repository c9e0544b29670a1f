#include "tarnixrandommap/placement/capacity.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnix {
namespace {

MapParams sized(std::int32_t width, std::int32_t height) {
  MapParams p;
  p.name = "Cave";
  p.width = width;
  p.height = height;
  p.players = 4;
  p.portals = 5;
  p.gold = 300;
  p.gems = 40;
  p.lava = 200;
  p.water = 200;
  return p;
}

// Worked out by hand: a 64 x 64 map has 60 x 60 = 3600 squares inside its
// frame, 3500 besides 4 hearts' blocks, 3455 of rock besides 5 portals;
// "far beyond" is more than the most and half of it again.
TEST(Capacity, WarnsOnlyOfAmountsFarBeyondReach) {
  struct Case {
    const char* name;
    MapParams params;
    std::vector<std::string> options;  // the amounts named, in order
    std::vector<std::int64_t> most;
  };
  auto gold = [](std::int32_t side, std::int32_t amount) {
    MapParams p = sized(side, side);
    p.gold = amount;
    return p;
  };
  MapParams gems = sized(64, 64);
  gems.gold = gems.lava = gems.water = 0;
  gems.gems = 5183;  // 3455 + 1727 = 5182 is the last that passes
  MapParams gems_edge = gems;
  gems_edge.gems = 5182;
  MapParams lava_and_water = sized(64, 64);
  lava_and_water.lava = 3000;
  lava_and_water.water = 3000;  // each can be had, not both with the gold and gems
  MapParams portals = sized(64, 64);
  portals.portals = 584;  // 9 x 584 = 5256 > 3500 + 1750
  portals.gold = 0;
  portals.gems = 0;
  portals.lava = 0;
  portals.water = 0;
  MapParams huge_lava = sized(4096, 4096);
  huge_lava.lava = 270001;
  const std::vector<Case> cases = {
      {"the README's example", sized(64, 64), {}, {}},
      {"gold on a huge map", gold(2048, 300000), {"--gold"}, {6700}},
      {"gold at the edge", gold(2048, 10050), {}, {}},
      {"gold past the edge", gold(2048, 10051), {"--gold"}, {6700}},
      {"gems beyond the rock", gems, {"--gems"}, {3455}},
      {"gems at the edge", gems_edge, {}, {}},
      {"lava and water together",
       lava_and_water,
       {"--gold, --gems, --lava and --water together"},
       {3455}},
      {"portals", portals, {"--portals"}, {3500}},
      {"lava on a huge map", huge_lava, {"--lava"}, {180000}},
  };
  for (const Case& c : cases) {
    const std::vector<AmountBeyondReach> beyond = amounts_beyond_reach(c.params);
    ASSERT_EQ(beyond.size(), c.options.size()) << c.name;
    for (std::size_t i = 0; i < beyond.size(); ++i) {
      EXPECT_EQ(beyond[i].option, c.options[i]) << c.name;
      EXPECT_EQ(beyond[i].most, c.most[i]) << c.name;
    }
  }
}

}  // namespace
}  // namespace tarnix
