#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/placement/hearts.h"
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

// The generator: frames the grid, seeds the generator with `seed`, places
// hearts, portals, gems, gold, lava and water in that order, and writes the
// map file to `path` through `files`. Each portal, gem and material
// shortfall is reported on `console` as it happens; the failures that end
// the run are left to the caller to report.
// Requires: validate(params) found nothing.
[[nodiscard]] GeneratedMap generate_map(const MapParams& params, std::string_view path,
                                        std::uint32_t seed, Console& console, FileSystem& files);

// The report of a failed map, as the generator words it.
[[nodiscard]] std::string no_memory_message(const MapParams& params);
inline constexpr std::string_view kHeartsDoNotFitMessage =
    "failed to find proper minimal distance between hearts\nPlease check parameters\n";
[[nodiscard]] std::string write_failed_message(std::string_view path, std::string_view reason);

}  // namespace tarnix
