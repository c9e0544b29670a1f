#include <new>
#include <string>
#include <vector>

#include "tarnixmap/commands/commands.h"
#include "tarnixmap/drawing/render.h"
#include "tarnixrandommap/mapfile/map_reader.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

std::string png_name(const std::string& map_path) {
  const std::string suffix = ".map";
  if (map_path.ends_with(suffix))
    return map_path.substr(0, map_path.size() - suffix.size()) + ".png";
  return map_path + ".png";
}

// Draws one map file; true when its picture is where it was sent.
bool render_one(const RenderRequest& request, const std::string& input, Console& out, Console& err,
                FileSystem& files) {
  const std::string output = request.output.empty() ? png_name(input) : request.output;
  // "-", or a name of standard output itself (/dev/stdout): the picture is
  // all that goes there.
  const bool to_standard_output =
      output == kStandardOutput || files.same_file(output, "/dev/stdout");
  const std::optional<MapFileContents> map = read_sound_map(input, err, files);
  if (!map) return false;
  const TileGrid& grid = *map->grid;
  const Scale scale =
      request.scale ? Scale{*request.scale, 1} : default_scale(grid.width(), grid.height());
  Measurer measurer;
  const MapMeasure measure =
      measurer.measure(grid, map->hearts.placed(), request.measure, map->gold_of_players());
  PictureLabels labels = picture_labels(
      map->name, std::nullopt, map->hearts, measure,
      request.territory ? measurer.dig_times().first_reachers() : std::span<const std::uint8_t>());
  std::vector<std::uint8_t> floor;
  if (request.race) {
    RaceOptions options = request.race_options;
    options.costs = request.measure.costs;
    Race race;
    const std::vector<RacePlayer> players = race.run(grid, map->hearts.placed(), options);
    floor = race.floor_owners();
    labels.territory = floor;
    labels.race = race_curves(players, options.time);
  }
  labels.legend = request.legend;
  labels.markers = request.markers;
  std::string png;
  std::string why;
  if (!render_png(grid, scale, labels, &png, &why)) {
    err.line("tarnixmap: cannot draw " + printable(input) + ": " + why);
    return false;
  }
  if (to_standard_output) {
    // The picture is the output; a lost standard output is reported by the
    // caller, like any other.
    out.text(png);
    out.flush();
    return true;
  }
  if (!write_output("", output, png, err, files)) return false;
  const auto layout = picture_layout(grid, scale, request.legend);
  out.line(printable(output) + ": " + std::to_string(layout->width) + " x " +
           std::to_string(layout->height) + " pixels");
  return true;
}

}  // namespace

RaceCurves race_curves(std::span<const RacePlayer> players, std::int32_t time) {
  RaceCurves curves;
  curves.time = time;
  curves.fairness = race_fairness(players);
  for (const RacePlayer& p : players)
    curves.gold.push_back(p.gold);
  return curves;
}

bool write_output(std::string_view what, const std::string& path, std::string_view bytes,
                  Console& err, FileSystem& files) {
  const std::array<std::string_view, 1> parts = {bytes};
  std::string why;
  if (files.write_file(path, parts, &why)) return true;
  const std::string kind = what.empty() ? "" : std::string(what) + " ";
  err.line("tarnixmap: could not write " + kind + printable(path) + ": " + printable(why));
  return false;
}

int render_command(const RenderRequest& request, Console& out, Console& err, FileSystem& files) {
  if (request.scale && *request.scale < 1) {
    err.line("tarnixmap render: --scale must be at least 1, got " + std::to_string(*request.scale));
    return kExitUsage;
  }
  if (request.race && request.territory) {
    err.line("tarnixmap render: --race and --territory both tint the squares; choose one");
    return kExitUsage;
  }
  if (request.inputs.size() > 1 && !request.output.empty()) {
    err.line("tarnixmap render: -o names one picture, but " +
             std::to_string(request.inputs.size()) +
             " map files were given; without -o each picture goes beside its map");
    return kExitUsage;
  }
  // Refused before anything is read or written: a map would be lost. Every
  // picture is held against every map, not only its own: `render a.map
  // b.map` must not draw a.map over b.map before b.map is read. Standard
  // output is compared as the file it is (`-o - 1<>a.map`). Each name is
  // looked up once, so that thousands of maps start at once.
  std::vector<std::string> outputs;
  outputs.reserve(request.inputs.size());
  for (const std::string& input : request.inputs) {
    const std::string output = request.output.empty() ? png_name(input) : request.output;
    outputs.push_back(output == kStandardOutput ? "/dev/stdout" : output);
  }
  // The --weights file is an input too.
  std::vector<std::string> guarded = request.inputs;
  if (!request.weights_file.empty()) guarded.push_back(request.weights_file);
  if (const std::optional<Clash> clash = find_clash(guarded, outputs, files)) {
    const std::string& input = request.inputs[clash->output];
    const std::string& other = guarded[clash->input];
    if (clash->input == request.inputs.size()) {
      err.line("tarnixmap render: " +
               printable(request.output.empty() ? png_name(input) : request.output) +
               " is the --weights file; the picture must go elsewhere (-o)");
      return kExitUsage;
    }
    const std::string shown =
        request.output == kStandardOutput
            ? "standard output"
            : printable(request.output.empty() ? png_name(input) : request.output);
    err.line("tarnixmap render: " + shown + " is " +
             (other == input ? "the map file being drawn"
                             : "the map file " + printable(other) + ", which is drawn too") +
             "; the picture must go elsewhere (-o)");
    return kExitUsage;
  }
  int status = kExitOk;
  for (const std::string& input : request.inputs) {
    // A map too big for memory must not keep the others from being drawn;
    // nothing of its picture is written.
    try {
      if (!render_one(request, input, out, err, files)) status = kExitFailed;
    } catch (const std::bad_alloc&) {
      err.line("tarnixmap: not enough memory to draw " + printable(input));
      status = kExitFailed;
    }
  }
  return status;
}

}  // namespace tarnix
