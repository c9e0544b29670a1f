#include "tarnixrandommap/run/run.h"

#include <string>
#include <vector>

#include "tarnixrandommap/run/generate.h"
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
  const std::string path = map_file_name(params);
  const GeneratedMap map = generate_map(params, path, seed, console, files);
  switch (map.outcome) {
    case MapOutcome::kWritten:
      return kExitMapWritten;
    case MapOutcome::kNoMemory:
      console.line(no_memory_message(params));
      break;
    case MapOutcome::kHeartsDoNotFit:
      console.text(kHeartsDoNotFitMessage);
      break;
    case MapOutcome::kWriteFailed:
      console.line(write_failed_message(path, map.error));
      break;
  }
  return kExitNoMap;
}

}  // namespace

int run(std::span<const std::string_view> args, std::uint32_t seed, Console& console,
        FileSystem& files) {
  const int code = run_sequence(args, seed, console, files);
  console.flush();
  return code;
}

}  // namespace tarnix
