#include <string>

#include "tarnixmap/commands.h"
#include "tarnixmap/render.h"
#include "tarnixrandommap/mapfile/map_reader.h"

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
  std::string bytes;
  std::string why;
  if (!files.read_file(request.input, &bytes, &why)) {
    err.line("tarnixmap: cannot read " + request.input + ": " + why);
    return kExitFailed;
  }
  const MapFileRead read = read_map_file(bytes);
  if (!read.problems.empty()) {
    const MapProblem& first = read.problems.front();
    err.line(request.input + ":" + std::to_string(first.line) + ": " + first.message);
    err.line("tarnixmap: " + request.input + " is not a sound map; 'tarnixmap check " +
             request.input + "' lists every problem");
    return kExitFailed;
  }
  const TileGrid& grid = *read.contents.grid;
  const Scale scale =
      request.scale ? Scale{*request.scale, 1} : default_scale(grid.width(), grid.height());
  std::string png;
  const std::string output = request.output.empty() ? png_name(request.input) : request.output;
  bool ok = render_png(grid, scale, &png, &why);
  if (ok) {
    const std::array<std::string_view, 1> parts = {png};  // only now is png complete
    ok = files.replace_file(output, parts, &why);
  }
  if (!ok) {
    err.line("tarnixmap: could not write " + output + ": " + why);
    return kExitFailed;
  }
  const auto size = picture_size(grid, scale);
  out.line(output + ": " + std::to_string(size->first) + " x " + std::to_string(size->second) +
           " pixels");
  return kExitOk;
}

}  // namespace tarnix
