#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/placement/clusters.h"
#include "tarnixrandommap/placement/gems.h"
#include "tarnixrandommap/placement/hearts.h"
#include "tarnixrandommap/placement/portals.h"
#include "tarnixrandommap/placement/symmetry.h"
#include "tarnixrandommap/run/console.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

enum class MapOutcome {
  kWritten,         // the complete map file is in place
  kNoMemory,        // the grid could not be allocated
  kHeartsDoNotFit,  // the hearts could not all be placed with their spacing
  kWriteFailed,     // the map was made but its file could not be written
};

// What became of one map.
struct GeneratedMap {
  MapOutcome outcome = MapOutcome::kNoMemory;
  std::string error;             // the file system's reason, with kWriteFailed
  std::optional<TileGrid> grid;  // the map as generated, unless kNoMemory
  HeartTable hearts;             // with kWritten and kWriteFailed
};

// What the placement phases did.
struct PhaseReports {
  std::optional<HeartTable> hearts;  // nothing when the hearts did not fit: no later phase ran
  PortalReport portals;
  GemReport gems;
  ClustersReport clusters;
  bool complete = false;  // every phase ran
};

// The phases after which a map can be looked at before the next begins.
enum class PhaseDone : std::uint8_t { kHearts, kPortals, kGems, kGold, kLava };

// Told that a phase is done; returning false ends the map there, without
// the later phases.
using PhaseCheck = std::function<bool(PhaseDone, const PhaseReports&)>;

// The placement phases on a framed grid, seeded with `seed`: hearts,
// portals, gems, gold, lava and water in the order that fixes which draw
// goes where. Prints nothing, so that a search can make maps by the
// million, and lets it give up on a map whose fate is known early.
// Requires: validate(params) found nothing; init_grid(grid) of the
// params' size.
[[nodiscard]] PhaseReports place_phases(const MapParams& params, TileGrid& grid, std::uint32_t seed,
                                        const PhaseCheck& check = nullptr);

// Each portal, gem and material shortfall, as the generator reports it.
void report_shortfalls(Console& console, const PhaseReports& reports);

// The generator: frames the grid, seeds the generator with `seed`, places
// hearts, portals, gems, gold, lava and water in that order, and writes the
// map file to `path` through `files`. Each portal, gem and material
// shortfall is reported on `console` as it happens; the failures that end
// the run are left to the caller to report. With a symmetry, the map is
// made as place_symmetric_phases makes it instead.
// Requires: validate(params) found nothing; symmetry_fits() for the
// params, with a symmetry.
[[nodiscard]] GeneratedMap generate_map(const MapParams& params, std::string_view path,
                                        std::uint32_t seed, Console& console, FileSystem& files,
                                        std::optional<Symmetry> symmetry = std::nullopt);

// The report of a failed map, as the generator words it.
[[nodiscard]] std::string no_memory_message(const MapParams& params);
inline constexpr std::string_view kHeartsDoNotFitMessage =
    "failed to find proper minimal distance between hearts\nPlease check parameters\n";
// Bytes of either that a terminal could act on are escaped (printable()).
[[nodiscard]] std::string write_failed_message(std::string_view path, std::string_view reason);

}  // namespace tarnix
