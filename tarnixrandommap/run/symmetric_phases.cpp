#include "tarnixrandommap/run/symmetric_phases.h"

#include <array>
#include <cstdlib>

#include "tarnixrandommap/placement/max_tries.h"
#include "tarnixrandommap/random/random.h"

namespace tarnix {

namespace {

// Marks the squares no phase may touch while the region is made: outside
// it they are overwritten by the copies at the end.
constexpr char kClosed = '#';

bool block_fits(const SymmetryLayout& layout, HeartCentre c) {
  for (std::int32_t y = c.y - 2; y <= c.y + 2; ++y) {
    for (std::int32_t x = c.x - 2; x <= c.x + 2; ++x) {
      if (!layout.in_region({x, y}) || layout.fixed({x, y})) return false;
    }
  }
  return true;
}

bool far_from_copies(const SymmetryLayout& layout, HeartCentre c, std::int64_t min_squared) {
  for (std::int32_t k = 1; k < layout.copies(); ++k) {
    const HeartCentre image = layout.image(c, k);
    const std::int64_t dx = image.x - c.x;
    const std::int64_t dy = image.y - c.y;
    if (dx * dx + dy * dy < min_squared) return false;
  }
  return true;
}

// Player 1's heart is drawn as the generator draws any heart, over the
// whole interior, with one budget of MAX_TRIES rejections: a draw is
// rejected when its block leaves the region or touches an axis, or when it
// lies nearer than the spacing to one of its copies.
std::optional<HeartTable> place_region_heart(TileGrid& grid, Random& rng,
                                             const SymmetryLayout& layout, std::int32_t spacing) {
  const std::int64_t min_squared = std::int64_t{spacing} * spacing;
  for (std::int32_t rejections = 0; rejections < MAX_TRIES; ++rejections) {
    HeartCentre c;
    c.x = rng.rand_range(3, grid.width() - 3);
    c.y = rng.rand_range(3, grid.height() - 3);
    if (!block_fits(layout, c) || !far_from_copies(layout, c, min_squared)) continue;
    HeartTable hearts;
    hearts.count = layout.copies();
    for (std::int32_t k = 0; k < hearts.count; ++k) {
      const HeartCentre centre = layout.image(c, k);
      hearts.centres[static_cast<std::size_t>(k)] = centre;
      for (std::int32_t y = centre.y - 2; y <= centre.y + 2; ++y) {
        for (std::int32_t x = centre.x - 2; x <= centre.x + 2; ++x)
          grid.at(x, y) = tile::heart(k);
      }
    }
    return hearts;
  }
  return std::nullopt;
}

// Whether a copy of the square touches it, side or corner.
bool beside_own_copy(const SymmetryLayout& layout, HeartCentre s) {
  for (std::int32_t k = 1; k < layout.copies(); ++k) {
    const HeartCentre image = layout.image(s, k);
    if (std::abs(image.x - s.x) <= 1 && std::abs(image.y - s.y) <= 1) return true;
  }
  return false;
}

// Turns the squares chosen by `which` from one code to another.
template <typename Which>
void recode(TileGrid& grid, Which which, char from, char to) {
  for (std::int32_t y = 0; y < grid.height(); ++y) {
    for (std::int32_t x = 0; x < grid.width(); ++x) {
      if (grid.at(x, y) == from && which(HeartCentre{x, y})) grid.at(x, y) = to;
    }
  }
}

// The region's portal report as the whole map's: region portal k stands
// for the copies' portals copies·k … copies·k + copies − 1.
PortalReport whole_map(const PortalReport& region, std::int32_t copies) {
  PortalReport whole;
  whole.requested = region.requested * copies;
  whole.placed = region.placed * copies;
  for (const std::int32_t k : region.failed) {
    for (std::int32_t c = 0; c < copies; ++c)
      whole.failed.push_back(k * copies + c);
  }
  whole.no_room_from = region.no_room_from * copies;
  return whole;
}

// What the gem and material phases placed over the whole map, counted in
// one pass: a square on an axis holds its own copy and counts once.
void count_placed(const TileGrid& grid, PhaseReports& reports) {
  std::array<std::int32_t, 256> counts{};
  for (const char c : grid.rows())
    ++counts[static_cast<unsigned char>(c)];
  const auto count = [&counts](char code) { return counts[static_cast<unsigned char>(code)]; };
  reports.gems.placed = count(tile::kGems);
  reports.clusters.gold.placed = count(tile::kGold);
  reports.clusters.lava.placed = count(tile::kLava);
  reports.clusters.water.placed = count(tile::kWater);
}

}  // namespace

std::int32_t share_of(std::int32_t amount, std::int32_t copies) {
  if (amount <= 0) return 0;
  return static_cast<std::int32_t>((std::int64_t{amount} + copies / 2) / copies);
}

PhaseReports place_symmetric_phases(const MapParams& params, TileGrid& grid, std::uint32_t seed,
                                    Symmetry symmetry, const PhaseCheck& check) {
  PhaseReports reports;
  Random rng(seed);
  const SymmetryLayout layout(symmetry, grid.width(), grid.height());
  const std::int32_t copies = layout.copies();
  reports.hearts = place_region_heart(grid, rng, layout, heart_spacing(params));
  if (!reports.hearts) return reports;

  // A portal on an axis would overlap its own copy, and one beside it (on
  // an even side, the two middle columns or rows are each other's copies)
  // would touch it and read as one bigger portal: a portal keeps at least
  // one square of rock between itself and each of its copies.
  recode(
      grid,
      [&](HeartCentre s) {
        return !layout.in_region(s) || layout.fixed(s) || beside_own_copy(layout, s);
      },
      tile::kRock, kClosed);
  const PortalReport portals =
      place_portals(grid, rng, reports.hearts->placed(), share_of(params.portals, copies),
                    portal_spacing(params));
  recode(
      grid, [&](HeartCentre s) { return layout.in_region(s); }, kClosed, tile::kRock);
  reports.portals = whole_map(portals, copies);
  reports.gems = place_gems(grid, rng, share_of(params.gems, copies));
  reports.clusters.gold = place_material(grid, rng, kGoldMaterial, share_of(params.gold, copies));
  reports.clusters.lava = place_material(grid, rng, kLavaMaterial, share_of(params.lava, copies));
  reports.clusters.water =
      place_material(grid, rng, kWaterMaterial, share_of(params.water, copies));
  copy_region(grid, layout);

  count_placed(grid, reports);
  for (const PhaseDone phase : {PhaseDone::kHearts, PhaseDone::kPortals, PhaseDone::kGems,
                                PhaseDone::kGold, PhaseDone::kLava}) {
    if (check && !check(phase, reports)) return reports;
  }
  reports.complete = true;
  return reports;
}

std::optional<HeartTable> place_map_hearts(const MapParams& params, TileGrid& grid,
                                           std::uint32_t seed, std::optional<Symmetry> symmetry) {
  // Both kinds draw their hearts first, from a fresh generator: these are
  // the very hearts the whole map would get.
  Random rng(seed);
  if (!symmetry) return place_hearts(grid, rng, params.players, heart_spacing(params));
  const SymmetryLayout layout(*symmetry, grid.width(), grid.height());
  return place_region_heart(grid, rng, layout, heart_spacing(params));
}

PhaseReports place_map(const MapParams& params, TileGrid& grid, std::uint32_t seed,
                       std::optional<Symmetry> symmetry, const PhaseCheck& check) {
  if (symmetry) return place_symmetric_phases(params, grid, seed, *symmetry, check);
  return place_phases(params, grid, seed, check);
}

}  // namespace tarnix
