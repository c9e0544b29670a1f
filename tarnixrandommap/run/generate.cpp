#include "tarnixrandommap/run/generate.h"

#include <utility>

#include "tarnixrandommap/mapfile/map_file.h"
#include "tarnixrandommap/placement/clusters.h"
#include "tarnixrandommap/placement/gems.h"
#include "tarnixrandommap/placement/portals.h"
#include "tarnixrandommap/random/random.h"

namespace tarnix {

namespace {

void report_portals(Console& console, const PortalReport& report) {
  const auto failure = [&console](std::int32_t k) {
    console.line("restricted portal placement failure: Could not place all portals: " +
                 std::to_string(k));
  };
  // Millions of failures make millions of lines: once nobody reads them
  // (a closed pipe), formatting them is time lost.
  for (std::size_t i = 0; i < report.failed.size() && !console.failed(); ++i)
    failure(report.failed[i]);
  for (std::int32_t k = report.no_room_from; k < report.requested && !console.failed(); ++k)
    failure(k);
  console.line("Actual portals placed: " + std::to_string(report.placed));
}

void report_material(Console& console, std::string_view name, const ClusterReport& report) {
  if (!report.ran_out) return;
  console.line("Could not place all " + std::string(name) + ": " + std::to_string(report.placed));
}

// The placement phases, in the order that fixes which draw goes where.
std::optional<HeartTable> place_all(const MapParams& params, TileGrid& grid, std::uint32_t seed,
                                    Console& console) {
  Random rng(seed);
  std::optional<HeartTable> hearts = place_hearts(grid, rng, params.players, heart_spacing(params));
  if (!hearts) return std::nullopt;
  report_portals(
      console, place_portals(grid, rng, hearts->placed(), params.portals, portal_spacing(params)));
  const GemReport gems = place_gems(grid, rng, params.gems);
  if (gems.ran_out) console.line("Could not place all gems: " + std::to_string(gems.placed));
  const ClustersReport clusters = place_clusters(grid, rng, params.gold, params.lava, params.water);
  report_material(console, kGoldMaterial.name, clusters.gold);
  report_material(console, kLavaMaterial.name, clusters.lava);
  report_material(console, kWaterMaterial.name, clusters.water);
  return hearts;
}

}  // namespace

GeneratedMap generate_map(const MapParams& params, std::string_view path, std::uint32_t seed,
                          Console& console, FileSystem& files) {
  GeneratedMap map;
  map.grid = TileGrid::create(params.width, params.height);
  if (!map.grid) {
    map.outcome = MapOutcome::kNoMemory;
    return map;
  }
  init_grid(*map.grid);
  const std::optional<HeartTable> hearts = place_all(params, *map.grid, seed, console);
  if (!hearts) {
    map.outcome = MapOutcome::kHeartsDoNotFit;
    return map;
  }
  map.hearts = *hearts;
  const MapFileFields fields{params.name, params.players, params.start_gold};
  map.outcome = write_map_file(files, path, fields, *map.grid, map.hearts, &map.error)
                    ? MapOutcome::kWritten
                    : MapOutcome::kWriteFailed;
  return map;
}

std::string no_memory_message(const MapParams& params) {
  return "not enough memory for a map of " + std::to_string(params.width) + " x " +
         std::to_string(params.height) + " squares";
}

std::string write_failed_message(std::string_view path, std::string_view reason) {
  return "could not write map file " + std::string(path) + ": " + std::string(reason);
}

}  // namespace tarnix
