#include "tarnixmap/server/preview.h"

#include "tarnixmap/drawing/render.h"
#include "tarnixmap/output/json_output.h"
#include "tarnixmap/output/params_json.h"
#include "tarnixmap/values/map_messages.h"
#include "tarnixmap/values/symmetry_options.h"
#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/run/console.h"
#include "tarnixrandommap/run/generate.h"

namespace tarnix {

namespace {

// The map written to memory, as generate writes it to disk: the same
// phases, the same writer, so the same bytes.
GeneratedMap made_map(const MapRequest& request, std::string* bytes, std::string* messages) {
  MemoryFileSystem files;
  StringSink sink;
  GeneratedMap map;
  {
    Console console(sink, LineEnds::kLf);
    warn_of_amounts_beyond_reach("tarnixmap", request.params, console);
    if (request.symmetry)
      (void)check_symmetry("tarnixmap", *request.symmetry, request.params, console);
    const std::string path = map_file_name(request.params);
    map = generate_map(request.params, path, request.seed, console, files, request.symmetry);
    if (map.outcome == MapOutcome::kWritten) *bytes = files.files.at(path);
  }
  *messages = sink.all();
  return map;
}

}  // namespace

Preview make_preview(const MapRequest& request) {
  Preview preview;
  preview.request = request;
  const GeneratedMap map = made_map(request, &preview.map_bytes, &preview.messages);
  if (map.outcome != MapOutcome::kWritten) {
    preview.failure =
        map_failure(request.params, map, map_file_name(request.params), request.symmetry);
    return preview;
  }
  const TileGrid& grid = *map.grid;
  Measurer measurer;
  const MapMeasure measure = measurer.measure(grid, map.hearts.placed(), request.measure);
  nlohmann::json figures = nlohmann::json::object();
  put_fairness(figures, measure.fairness, request.measure.weights);
  figures["starts"] = starts_json(measure.players);
  figures["symmetry"] = measure.symmetry ? nlohmann::json(symmetry_mode(*measure.symmetry).name)
                                         : nlohmann::json(nullptr);
  preview.figures = std::move(figures);
  const Scale scale = scale_to(grid.width(), grid.height(), kPreviewSide);
  PictureLabels labels = picture_labels(request.params.name, request.seed, map.hearts, measure);
  std::string why;
  // A picture that cannot be drawn leaves its bytes empty; the page says so.
  if (!render_png(grid, scale, labels, &preview.map_png, &why)) preview.map_png.clear();
  labels.territory = measurer.dig_times().first_reachers();
  if (!render_png(grid, scale, labels, &preview.territory_png, &why)) preview.territory_png.clear();
  return preview;
}

std::string thumbnail_png(const MapRequest& request, std::int32_t side) {
  std::string bytes;
  std::string messages;
  const GeneratedMap map = made_map(request, &bytes, &messages);
  if (map.outcome != MapOutcome::kWritten) return {};
  const TileGrid& grid = *map.grid;
  PictureLabels labels;
  labels.legend = false;
  labels.markers = false;
  std::string png;
  std::string why;
  if (!render_png(grid, scale_to(grid.width(), grid.height(), side), labels, &png, &why)) return {};
  return png;
}

nlohmann::json preview_json(const Preview& preview) {
  const MapRequest& request = preview.request;
  nlohmann::json object = {
      {"params", params_json(request.params, request.seed, request.symmetry)},
      {"command", generate_command_line(request.params, request.seed, request.symmetry)},
      {"messages", preview.messages},
      {"failure",
       preview.failure.empty() ? nlohmann::json(nullptr) : nlohmann::json(preview.failure)},
      {"figures", preview.figures.is_null() ? nlohmann::json(nullptr) : preview.figures},
      {"file", map_file_name(request.params)}};
  return object;
}

}  // namespace tarnix
