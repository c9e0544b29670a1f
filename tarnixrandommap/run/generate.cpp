#include "tarnixrandommap/run/generate.h"

#include <utility>

#include "tarnixrandommap/mapfile/map_file.h"
#include "tarnixrandommap/random/random.h"
#include "tarnixrandommap/run/printable.h"
#include "tarnixrandommap/run/symmetric_phases.h"

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

}  // namespace

PhaseReports place_phases(const MapParams& params, TileGrid& grid, std::uint32_t seed,
                          const PhaseCheck& check) {
  PhaseReports reports;
  Random rng(seed);
  const auto look = [&](PhaseDone phase) { return !check || check(phase, reports); };
  reports.hearts = place_hearts(grid, rng, params.players, heart_spacing(params));
  if (!reports.hearts || !look(PhaseDone::kHearts)) return reports;
  reports.portals =
      place_portals(grid, rng, reports.hearts->placed(), params.portals, portal_spacing(params));
  if (!look(PhaseDone::kPortals)) return reports;
  reports.gems = place_gems(grid, rng, params.gems);
  if (!look(PhaseDone::kGems)) return reports;
  // Gold, lava and water, as place_clusters places them, with a look after
  // each but the last.
  reports.clusters.gold = place_material(grid, rng, kGoldMaterial, params.gold);
  if (!look(PhaseDone::kGold)) return reports;
  reports.clusters.lava = place_material(grid, rng, kLavaMaterial, params.lava);
  if (!look(PhaseDone::kLava)) return reports;
  reports.clusters.water = place_material(grid, rng, kWaterMaterial, params.water);
  reports.complete = true;
  return reports;
}

void report_shortfalls(Console& console, const PhaseReports& reports) {
  if (!reports.hearts) return;
  report_portals(console, reports.portals);
  if (reports.gems.ran_out) {
    console.line("Could not place all gems: " + std::to_string(reports.gems.placed));
  }
  report_material(console, kGoldMaterial.name, reports.clusters.gold);
  report_material(console, kLavaMaterial.name, reports.clusters.lava);
  report_material(console, kWaterMaterial.name, reports.clusters.water);
}

GeneratedMap generate_map(const MapParams& params, std::string_view path, std::uint32_t seed,
                          Console& console, FileSystem& files, std::optional<Symmetry> symmetry) {
  GeneratedMap map;
  map.grid = TileGrid::create(params.width, params.height);
  if (!map.grid) {
    map.outcome = MapOutcome::kNoMemory;
    return map;
  }
  init_grid(*map.grid);
  const PhaseReports reports = place_map(params, *map.grid, seed, symmetry);
  report_shortfalls(console, reports);
  if (!reports.hearts) {
    map.outcome = MapOutcome::kHeartsDoNotFit;
    return map;
  }
  map.hearts = *reports.hearts;
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
  // The reason may name the file too ("cannot give the new file the name
  // ..."): both are shown the way a terminal cannot act on.
  return "could not write map file " + printable(path) + ": " + printable(reason);
}

}  // namespace tarnix
