#pragma once

#include <cstdint>
#include <optional>

#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/placement/symmetry.h"
#include "tarnixrandommap/run/generate.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

// What one copy of a symmetric map gets of an amount asked for the whole
// map: an even share, rounded to the nearest whole number, halves up;
// nothing of an amount of zero or less.
[[nodiscard]] std::int32_t share_of(std::int32_t amount, std::int32_t copies);

// The placement phases of a symmetric map, seeded with `seed`: the heart of
// player 1 is placed in the layout's region, its 5 × 5 block clear of the
// axes and the centre, at least the heart spacing from each of its own
// copies (which are the other players' hearts); the portals (kept off the
// axes and the centre, and away from every heart), gems, gold, lava and
// water, each its share of the amount, are placed in the region alone;
// then the region is copied over the rest of the map. The reports count
// the whole map. `check` is told of each phase once the map is complete.
// Requires: validate(params) found nothing; symmetry_fits() for the
// params; init_grid(grid) of the params' size.
[[nodiscard]] PhaseReports place_symmetric_phases(const MapParams& params, TileGrid& grid,
                                                  std::uint32_t seed, Symmetry symmetry,
                                                  const PhaseCheck& check = nullptr);

// The hearts the map of `seed` would have, placed as place_map places
// them (and stamped into `grid`), without the later phases; nothing when
// they do not fit. Only the grid's size matters, not what it holds.
// Requires: as place_map, but for init_grid.
[[nodiscard]] std::optional<HeartTable> place_map_hearts(const MapParams& params, TileGrid& grid,
                                                         std::uint32_t seed,
                                                         std::optional<Symmetry> symmetry);

// The map of `seed`: symmetric, as place_symmetric_phases makes it, with a
// symmetry; the generator's own, as place_phases makes it, without.
// Requires: as place_phases, and symmetry_fits() for the params with a
// symmetry.
[[nodiscard]] PhaseReports place_map(const MapParams& params, TileGrid& grid, std::uint32_t seed,
                                     std::optional<Symmetry> symmetry,
                                     const PhaseCheck& check = nullptr);

}  // namespace tarnix
