#include <string>

#include "tarnixmap/commands.h"
#include "tarnixmap/render.h"
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

}  // namespace

int render_command(const RenderRequest& request, Console& out, Console& err, FileSystem& files) {
  if (request.scale && *request.scale < 1) {
    err.line("tarnixmap render: --scale must be at least 1, got " + std::to_string(*request.scale));
    return kExitUsage;
  }
  const std::string output = request.output.empty() ? png_name(request.input) : request.output;
  // "-", or a name of standard output itself (/dev/stdout): the picture is
  // all that goes there.
  const bool to_standard_output =
      output == kStandardOutput || files.same_file(output, "/dev/stdout");
  // Refused before anything is read or written: the map would be lost.
  if (!to_standard_output && files.same_file(request.input, output)) {
    err.line("tarnixmap render: " + printable(output) +
             " is the map file being drawn; the picture must go elsewhere (-o)");
    return kExitUsage;
  }
  std::optional<MapFileContents> map = read_sound_map(request.input, err, files);
  if (!map) return kExitFailed;
  const TileGrid& grid = *map->grid;
  const Scale scale =
      request.scale ? Scale{*request.scale, 1} : default_scale(grid.width(), grid.height());
  std::string png;
  std::string why;
  if (!render_png(grid, scale, &png, &why)) {
    err.line("tarnixmap: cannot draw " + printable(request.input) + ": " + why);
    return kExitFailed;
  }
  if (to_standard_output) {
    // The picture is the output; a lost standard output is reported by the
    // caller, like any other.
    out.text(png);
    out.flush();
    return kExitOk;
  }
  const std::array<std::string_view, 1> parts = {png};
  if (!files.write_file(output, parts, &why)) {
    err.line("tarnixmap: could not write " + printable(output) + ": " + why);
    return kExitFailed;
  }
  const auto size = picture_size(grid, scale);
  out.line(printable(output) + ": " + std::to_string(size->first) + " x " +
           std::to_string(size->second) + " pixels");
  return kExitOk;
}

}  // namespace tarnix
