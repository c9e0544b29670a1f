#include "tarnixrandommap/run/symmetric_phases.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tarnixrandommap/placement/test_support.h"

namespace tarnix {
namespace {

using testing::count_code;
using testing::framed_grid;

MapParams symmetric_params(std::int32_t width, std::int32_t height, std::int32_t players) {
  MapParams p;
  p.name = "Sym";
  p.width = width;
  p.height = height;
  p.players = players;
  p.start_gold = 500;
  p.portals = 4;
  p.gold = 120;
  p.gems = 12;
  p.lava = 60;
  p.water = 60;
  p.min_vosk_dist = 6;
  p.min_portal_dist = 4;
  return p;
}

// Where each mode sends a square and each player, written out by hand for
// each mode rather than taken from the layout.
struct Mirror {
  std::int32_t (*x)(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
  std::int32_t (*y)(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
  std::string players;  // the player each of 1 … n becomes
};

std::vector<Mirror> mirrors_of(Symmetry s) {
  const auto same_x = [](std::int32_t x, std::int32_t, std::int32_t, std::int32_t) { return x; };
  const auto same_y = [](std::int32_t, std::int32_t y, std::int32_t, std::int32_t) { return y; };
  const auto flip_x = [](std::int32_t x, std::int32_t, std::int32_t w, std::int32_t) {
    return w - 1 - x;
  };
  const auto flip_y = [](std::int32_t, std::int32_t y, std::int32_t, std::int32_t h) {
    return h - 1 - y;
  };
  switch (s) {
    case Symmetry::kMirrorX:
      return {{flip_x, same_y, "21"}};
    case Symmetry::kMirrorY:
      return {{same_x, flip_y, "21"}};
    case Symmetry::kRot2:
      return {{flip_x, flip_y, "21"}};
    case Symmetry::kQuad:
      // Players 1 and 2 on top, 4 and 3 below.
      return {{flip_x, same_y, "2143"}, {same_x, flip_y, "4321"}};
    case Symmetry::kRot4:
      // A quarter turn clockwise: the top-left corner goes to the top right.
      return {{[](std::int32_t, std::int32_t y, std::int32_t w, std::int32_t) { return w - 1 - y; },
               [](std::int32_t x, std::int32_t, std::int32_t, std::int32_t) { return x; }, "2341"}};
  }
  return {};
}

// Every square equals its image, heart codes and centres mapped player to
// player; the first square that does not, or an empty string.
std::string first_break(const TileGrid& grid, const HeartTable& hearts, Symmetry s) {
  const std::int32_t w = grid.width();
  const std::int32_t h = grid.height();
  for (const Mirror& m : mirrors_of(s)) {
    const auto player = [&m](char c) {
      return c >= '1' && c <= '4' ? m.players[static_cast<std::size_t>(c - '1')] : c;
    };
    for (std::int32_t p = 0; p < hearts.count; ++p) {
      const HeartCentre c = hearts.centres[static_cast<std::size_t>(p)];
      const auto q = static_cast<std::size_t>(player(static_cast<char>('1' + p)) - '1');
      if (hearts.centres[q].x != m.x(c.x, c.y, w, h) || hearts.centres[q].y != m.y(c.x, c.y, w, h))
        return "heart of player " + std::to_string(p + 1);
    }
    for (std::int32_t y = 0; y < h; ++y) {
      for (std::int32_t x = 0; x < w; ++x) {
        if (grid.at(m.x(x, y, w, h), m.y(x, y, w, h)) != player(grid.at(x, y)))
          return "square " + std::to_string(x) + "," + std::to_string(y);
      }
    }
  }
  return {};
}

struct Case {
  Symmetry symmetry;
  std::int32_t width;
  std::int32_t height;
};

const std::vector<Case> kCases = {
    {Symmetry::kMirrorX, 40, 30}, {Symmetry::kMirrorX, 41, 31}, {Symmetry::kMirrorY, 30, 40},
    {Symmetry::kMirrorY, 31, 41}, {Symmetry::kRot2, 40, 30},    {Symmetry::kRot2, 41, 31},
    {Symmetry::kRot2, 41, 30},    {Symmetry::kQuad, 48, 40},    {Symmetry::kQuad, 49, 41},
    {Symmetry::kRot4, 48, 48},    {Symmetry::kRot4, 49, 49},
};

TEST(SymmetricPhases, EverySquareEqualsItsImage) {
  for (const Case& c : kCases) {
    const std::string name = std::string(symmetry_mode(c.symmetry).name) + " " +
                             std::to_string(c.width) + "x" + std::to_string(c.height);
    const MapParams params = symmetric_params(c.width, c.height, symmetry_mode(c.symmetry).copies);
    int made = 0;
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
      TileGrid grid = framed_grid(c.width, c.height);
      const PhaseReports reports = place_symmetric_phases(params, grid, seed, c.symmetry);
      if (!reports.hearts) continue;
      ++made;
      ASSERT_TRUE(reports.complete) << name;
      EXPECT_EQ(first_break(grid, *reports.hearts, c.symmetry), "") << name << " seed " << seed;
      EXPECT_EQ(count_code(grid, '#'), 0) << name;
      EXPECT_GT(count_code(grid, tile::kLava), 0) << name;
      EXPECT_EQ(reports.clusters.gold.placed, count_code(grid, tile::kGold)) << name;
      EXPECT_EQ(reports.portals.placed * 9, count_code(grid, tile::kPortal)) << name;
      // The same seed makes the same map.
      TileGrid again = framed_grid(c.width, c.height);
      (void)place_symmetric_phases(params, again, seed, c.symmetry);
      EXPECT_EQ(grid.rows(), again.rows()) << name;
    }
    EXPECT_GT(made, 10) << name;
  }
}

// A heart keeps the spacing from its own images too: with a spacing of 25
// on a 40-wide mirror, a heart must sit within 7 columns of the left frame.
TEST(SymmetricPhases, HeartsKeepTheirSpacingFromTheirCopies) {
  for (const Case& c : kCases) {
    MapParams params = symmetric_params(c.width, c.height, symmetry_mode(c.symmetry).copies);
    params.min_vosk_dist = 20;  // 25 apart
    for (std::uint32_t seed = 1; seed <= 30; ++seed) {
      TileGrid grid = framed_grid(c.width, c.height);
      const PhaseReports reports = place_symmetric_phases(params, grid, seed, c.symmetry);
      if (!reports.hearts) continue;
      const auto hearts = reports.hearts->placed();
      for (std::size_t i = 0; i < hearts.size(); ++i) {
        for (std::size_t j = i + 1; j < hearts.size(); ++j) {
          const std::int32_t dx = hearts[i].x - hearts[j].x;
          const std::int32_t dy = hearts[i].y - hearts[j].y;
          EXPECT_GE(dx * dx + dy * dy, 625) << symmetry_mode(c.symmetry).name << " seed " << seed;
        }
      }
    }
  }
}

// "At least" includes the limit: a heart exactly the spacing from its
// nearest copy is kept. With no spacing, a seed's heart lands where its
// first draw that fits does; with the spacing set to exactly that heart's
// distance from its nearest copy, the same seed puts it in the same place.
// (Mirrors, whose copies lie straight across an axis, at whole distances.)
TEST(SymmetricPhases, AHeartExactlyTheSpacingFromItsCopyIsKept) {
  int exact = 0;
  for (const Case& c : kCases) {
    if (c.symmetry != Symmetry::kMirrorX && c.symmetry != Symmetry::kMirrorY &&
        c.symmetry != Symmetry::kQuad) {
      continue;
    }
    for (std::uint32_t seed = 1; seed <= 10; ++seed) {
      MapParams params = symmetric_params(c.width, c.height, symmetry_mode(c.symmetry).copies);
      params.min_vosk_dist = -5;  // no spacing
      TileGrid loose = framed_grid(c.width, c.height);
      const PhaseReports free = place_symmetric_phases(params, loose, seed, c.symmetry);
      ASSERT_TRUE(free.hearts);
      const HeartCentre h = free.hearts->centres[0];
      // The nearest copy is across the nearer axis.
      const std::int32_t across_x = std::abs(c.width - 1 - 2 * h.x);
      const std::int32_t across_y = std::abs(c.height - 1 - 2 * h.y);
      const std::int32_t nearest = c.symmetry == Symmetry::kMirrorX ? across_x
                                   : c.symmetry == Symmetry::kMirrorY
                                       ? across_y
                                       : std::min(across_x, across_y);
      params.min_vosk_dist = nearest - 5;
      TileGrid exact_grid = framed_grid(c.width, c.height);
      const PhaseReports at_limit = place_symmetric_phases(params, exact_grid, seed, c.symmetry);
      ASSERT_TRUE(at_limit.hearts) << symmetry_mode(c.symmetry).name << " seed " << seed;
      EXPECT_EQ(at_limit.hearts->centres[0].x, h.x) << symmetry_mode(c.symmetry).name << seed;
      EXPECT_EQ(at_limit.hearts->centres[0].y, h.y) << symmetry_mode(c.symmetry).name << seed;
      ++exact;
    }
  }
  EXPECT_GT(exact, 30);
}

// Portals are placed in the region away from every heart, the copies'
// hearts included: no portal's top-left corner there lies within the
// portal spacing of any heart in both x and y.
TEST(SymmetricPhases, PortalsKeepTheirSpacingFromEveryHeart) {
  int portals = 0;
  for (const Case& c : kCases) {
    MapParams params = symmetric_params(c.width, c.height, symmetry_mode(c.symmetry).copies);
    params.portals = 8;
    params.min_portal_dist = 8;  // 12 across and down
    const SymmetryLayout layout(c.symmetry, c.width, c.height);
    for (std::uint32_t seed = 1; seed <= 30; ++seed) {
      TileGrid grid = framed_grid(c.width, c.height);
      const PhaseReports reports = place_symmetric_phases(params, grid, seed, c.symmetry);
      if (!reports.hearts) continue;
      for (std::int32_t y = 1; y < c.height - 1; ++y) {
        for (std::int32_t x = 1; x < c.width - 1; ++x) {
          const bool corner = grid.at(x, y) == tile::kPortal &&
                              grid.at(x - 1, y) != tile::kPortal &&
                              grid.at(x, y - 1) != tile::kPortal;
          if (!corner || !layout.in_region({x, y})) continue;
          ++portals;
          for (const HeartCentre h : reports.hearts->placed()) {
            EXPECT_FALSE(std::abs(h.x - x) < 12 && std::abs(h.y - y) < 12)
                << symmetry_mode(c.symmetry).name << " seed " << seed << " portal " << x << ","
                << y;
          }
        }
      }
    }
  }
  EXPECT_GT(portals, 100);
}

// A portal keeps at least one square of rock between itself and its own
// copies, on even sides (where the two middle columns or rows are each
// other's copies) as on odd: no square of a portal made in the region
// touches, side or corner, a square of one of its copies.
TEST(SymmetricPhases, PortalsNeverTouchTheirOwnCopies) {
  int near_an_axis = 0;
  for (const Case& c : kCases) {
    MapParams params = symmetric_params(c.width, c.height, symmetry_mode(c.symmetry).copies);
    params.portals = 60;  // crowded, so that portals come up against the axes
    params.min_portal_dist = -4;
    const SymmetryLayout layout(c.symmetry, c.width, c.height);
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
      TileGrid grid = framed_grid(c.width, c.height);
      const PhaseReports reports = place_symmetric_phases(params, grid, seed, c.symmetry);
      if (!reports.hearts) continue;
      // The region's portals, each from its top-left square, row by row.
      std::vector<std::vector<HeartCentre>> blocks;
      std::vector<bool> taken(static_cast<std::size_t>(c.width * c.height));
      for (std::int32_t y = 0; y < c.height; ++y) {
        for (std::int32_t x = 0; x < c.width; ++x) {
          const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(c.width) +
                                 static_cast<std::size_t>(x);
          if (grid.at(x, y) != tile::kPortal || taken[at] || !layout.in_region({x, y})) continue;
          std::vector<HeartCentre>& block = blocks.emplace_back();
          for (std::int32_t by = y; by < y + 3; ++by) {
            for (std::int32_t bx = x; bx < x + 3; ++bx) {
              taken[static_cast<std::size_t>(by) * static_cast<std::size_t>(c.width) +
                    static_cast<std::size_t>(bx)] = true;
              block.push_back({bx, by});
            }
          }
        }
      }
      for (const std::vector<HeartCentre>& block : blocks) {
        for (std::int32_t k = 1; k < layout.copies(); ++k) {
          std::int32_t apart = c.width + c.height;
          for (const HeartCentre a : block) {
            for (const HeartCentre b : block) {
              const HeartCentre image = layout.image(b, k);
              apart = std::min(apart, std::max(std::abs(image.x - a.x), std::abs(image.y - a.y)));
            }
          }
          near_an_axis += apart == 2 ? 1 : 0;
          EXPECT_GE(apart, 2) << symmetry_mode(c.symmetry).name << " " << c.width << "x" << c.height
                              << " seed " << seed << ": the portal at " << block[0].x << ","
                              << block[0].y << ", copy " << k;
        }
      }
    }
  }
  EXPECT_GT(near_an_axis, 20);  // portals did come up to the axes
}

// No heart fits: the spacing is wider than the map allows between a heart
// and its image, or the region is narrower than a heart's block beside the
// axis. Nothing is stamped then.
TEST(SymmetricPhases, ARegionTooSmallForAHeartPlacesNone) {
  const std::vector<std::tuple<Case, std::int32_t>> cases = {
      {{Symmetry::kMirrorX, 40, 30}, 40},  // 45 apart; at most 33 across the axis
      // Column 5 is the axis: a block fits only up to column 4, even with no
      // spacing at all (-5 + 5).
      {{Symmetry::kMirrorX, 11, 30}, -5},
      {{Symmetry::kQuad, 40, 11}, 0},  // row 5 is an axis
      {{Symmetry::kRot4, 12, 12}, 20},
  };
  for (const auto& [c, spacing] : cases) {
    MapParams params = symmetric_params(c.width, c.height, symmetry_mode(c.symmetry).copies);
    params.min_vosk_dist = spacing;
    TileGrid grid = framed_grid(c.width, c.height);
    const std::string before(grid.rows());
    const PhaseReports reports = place_symmetric_phases(params, grid, 1, c.symmetry);
    EXPECT_FALSE(reports.hearts) << symmetry_mode(c.symmetry).name << " " << c.width;
    EXPECT_EQ(grid.rows(), before);
  }
}

TEST(SymmetricPhases, AmountsAreSharedAndRoundedHalvesUp) {
  const std::vector<std::tuple<std::int32_t, std::int32_t, std::int32_t>> cases = {
      {5, 2, 3}, {4, 2, 2},  {1, 2, 1},
      {6, 4, 2}, {5, 4, 1},  {7, 4, 2},
      {0, 2, 0}, {-3, 2, 0}, {2147483647, 2, 1073741824},
  };
  for (const auto& [amount, copies, share] : cases)
    EXPECT_EQ(share_of(amount, copies), share) << amount << " / " << copies;
}

TEST(FindSymmetry, TellsTheModeOfASymmetricMapOnly) {
  for (const Case& c : kCases) {
    const MapParams params = symmetric_params(c.width, c.height, symmetry_mode(c.symmetry).copies);
    TileGrid grid = framed_grid(c.width, c.height);
    const PhaseReports reports = place_symmetric_phases(params, grid, 3, c.symmetry);
    ASSERT_TRUE(reports.hearts);
    EXPECT_EQ(find_symmetry(grid, reports.hearts->placed()), c.symmetry)
        << symmetry_mode(c.symmetry).name;
    // What a player is given counts as the ground does: equal starting gold
    // keeps the mode, one player's more breaks it, whichever player.
    const std::vector<std::int32_t> even(static_cast<std::size_t>(params.players), 500);
    EXPECT_EQ(find_symmetry(grid, reports.hearts->placed(), even), c.symmetry);
    for (std::size_t p = 0; p < even.size(); ++p) {
      std::vector<std::int32_t> richer = even;
      richer[p] = 99999;
      EXPECT_EQ(find_symmetry(grid, reports.hearts->placed(), richer), std::nullopt)
          << symmetry_mode(c.symmetry).name << " player " << p + 1;
    }
    // One square changed anywhere, even the last, breaks it.
    for (const HeartCentre s : {HeartCentre{2, 2}, HeartCentre{c.width - 3, c.height - 3}}) {
      const char was = grid.at(s.x, s.y);
      grid.at(s.x, s.y) = was == tile::kLava ? tile::kWater : tile::kLava;
      EXPECT_EQ(find_symmetry(grid, reports.hearts->placed()), std::nullopt) << s.x;
      grid.at(s.x, s.y) = was;
    }
  }
  // An ordinary map follows none.
  const MapParams params = symmetric_params(40, 40, 4);
  TileGrid grid = framed_grid(40, 40);
  const PhaseReports reports = place_phases(params, grid, 7);
  ASSERT_TRUE(reports.hearts);
  EXPECT_EQ(find_symmetry(grid, reports.hearts->placed()), std::nullopt);
}

}  // namespace
}  // namespace tarnix
