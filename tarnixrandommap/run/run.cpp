#include "tarnixrandommap/run/run.h"

#include <optional>
#include <string>

#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/mapfile/map_file.h"
#include "tarnixrandommap/placement/clusters.h"
#include "tarnixrandommap/placement/gems.h"
#include "tarnixrandommap/placement/hearts.h"
#include "tarnixrandommap/placement/portals.h"
#include "tarnixrandommap/random/random.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

namespace {

constexpr int kExitNoMap = 0;
constexpr int kExitMapWritten = 1;

constexpr std::string_view kBanner =
    "Tarnix Random mapper version 1.1, by the Tarnix mapper authors <maps@tarnix.invalid>";

void print_usage(Console& console) {
  console.line(
      "Syntax: tarnixrandommap <name> <width> <height> <players> <start_gold> <portals> <gold> "
      "<gems> <lava> <water> <min_vosk_dist> <min_portal_dist>");
  console.text(
      "where:\n<name> = Map Name\n<width> = Map width\n<height> = Map height\n"
      "<players> = number of players\n");
  console.text(
      "<start_gold> = starting gold amount for players\n<portals> = number of portals (3x3)\n"
      "<gold> = number of gold squares\n");
  console.text(
      "<gems> = number of gems squares\n<lava> = number of lava squares\n"
      "<water> = number of water squares\n");
  console.text(
      "<min_vosk_dist> = minimum distance in tiles between vosks\n"
      "<min_portal_dist> = min distance of portals from all hearts\n");
  console.text("There are no optional parameters!\n");
}

void report_portals(Console& console, const PortalReport& report) {
  const auto failure = [&console](std::int32_t k) {
    console.line("restricted portal placement failure: Could not place all portals: " +
                 std::to_string(k));
  };
  for (const std::int32_t k : report.failed)
    failure(k);
  for (std::int32_t k = report.no_room_from; k < report.requested; ++k)
    failure(k);
  console.line("Actual portals placed: " + std::to_string(report.placed));
}

void report_material(Console& console, std::string_view name, const ClusterReport& report) {
  if (!report.ran_out) return;
  console.line("Could not place all " + std::string(name) + ": " + std::to_string(report.placed));
}

// Generates the map into `grid` and writes it; the arguments are valid.
int generate(const MapParams& params, TileGrid& grid, std::uint32_t seed, Console& console,
             FileSystem& files) {
  init_grid(grid);
  Random rng(seed);
  const std::optional<HeartTable> hearts =
      place_hearts(grid, rng, params.players, heart_spacing(params));
  if (!hearts) {
    console.text(
        "failed to find proper minimal distance between hearts\nPlease check parameters\n");
    return kExitNoMap;
  }
  report_portals(
      console, place_portals(grid, rng, hearts->placed(), params.portals, portal_spacing(params)));
  const GemReport gems = place_gems(grid, rng, params.gems);
  if (gems.ran_out) console.line("Could not place all gems: " + std::to_string(gems.placed));
  const ClustersReport clusters = place_clusters(grid, rng, params.gold, params.lava, params.water);
  report_material(console, kGoldMaterial.name, clusters.gold);
  report_material(console, kLavaMaterial.name, clusters.lava);
  report_material(console, kWaterMaterial.name, clusters.water);

  const std::string path = map_file_name(params);
  const MapFileFields fields{params.name, params.players, params.start_gold};
  std::string err;
  if (!write_map_file(files, path, fields, grid, *hearts, &err)) {
    console.line("could not write map file " + path + ": " + err);
    return kExitNoMap;
  }
  return kExitMapWritten;
}

int run_sequence(std::span<const std::string_view> args, std::uint32_t seed, Console& console,
                 FileSystem& files) {
  console.line(kBanner);
  console.line_end();
  if (args.size() != kArgumentCount) {
    print_usage(console);
    return kExitNoMap;
  }
  const MapParams params = convert_arguments(args.first<kArgumentCount>());
  const std::vector<std::string> problems = validate(params);
  if (!problems.empty()) {
    for (const std::string& problem : problems)
      console.line(problem);
    console.line("Please check parameters");
    return kExitNoMap;
  }
  std::optional<TileGrid> grid = TileGrid::create(params.width, params.height);
  if (!grid) {
    console.line("not enough memory for a map of " + std::to_string(params.width) + " x " +
                 std::to_string(params.height) + " squares");
    return kExitNoMap;
  }
  return generate(params, *grid, seed, console, files);
}

}  // namespace

int run(std::span<const std::string_view> args, std::uint32_t seed, Console& console,
        FileSystem& files) {
  const int code = run_sequence(args, seed, console, files);
  console.flush();
  return code;
}

}  // namespace tarnix
