#include <limits>
#include <new>
#include <string>
#include <vector>

#include "tarnixmap/commands/commands.h"
#include "tarnixmap/commands/heart_advice.h"
#include "tarnixmap/drawing/render.h"
#include "tarnixmap/output/params_json.h"
#include "tarnixmap/values/map_messages.h"
#include "tarnixmap/values/map_values.h"
#include "tarnixmap/values/symmetry_options.h"
#include "tarnixrandommap/run/generate.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

std::string numbered(const std::string& name, std::int64_t number) {
  return name + "_" + std::to_string(number);
}

}  // namespace

bool write_preview(const MapParams& params, const GeneratedMap& map, std::uint32_t seed,
                   const MeasureOptions& options, const std::string& path, Console& err,
                   FileSystem& files) {
  const TileGrid& grid = *map.grid;
  std::string png;
  std::string why;
  try {
    const MapMeasure measure = measure_map(grid, map.hearts.placed(), options);
    const PictureLabels labels = picture_labels(params.name, seed, map.hearts, measure);
    if (!render_png(grid, default_scale(grid.width(), grid.height()), labels, &png, &why)) {
      err.line("tarnixmap: could not write preview " + printable(path) + ": " + why);
      return false;
    }
  } catch (const std::bad_alloc&) {
    err.line("tarnixmap: could not write preview " + printable(path) +
             ": not enough memory to measure and draw the map");
    return false;
  }
  return write_output("preview", path, png, err, files);
}

int generate_command(const GenerateRequest& request, std::uint32_t clock_seed, Console& out,
                     Console& err, FileSystem& files) {
  std::array<std::string, kArgumentCount> values = request.values;
  std::optional<std::uint32_t> seed = request.seed;
  std::optional<Symmetry> symmetry = request.symmetry;
  if (std::string problem;
      !request.params_file.empty() &&
      !apply_params_file(request.params_file, request.given, values,
                         {&seed, &symmetry, request.symmetry_given}, files, &problem)) {
    err.line("tarnixmap generate: " + problem);
    return kExitUsage;
  }
  MapParams params = params_of(values);
  const std::int64_t count = request.count.value_or(1);
  if (count < 1) {
    err.line("tarnixmap generate: --count must be at least 1, got " + std::to_string(count));
    return kExitUsage;
  }
  const std::int64_t first_seed = seed.value_or(clock_seed);
  // Compared without forming first_seed + count, which a huge count would
  // overflow.
  if (count - 1 > kLastSeed - first_seed) {
    err.line("tarnixmap generate: --count " + std::to_string(count) + " from seed " +
             std::to_string(first_seed) + " would go past seed " + std::to_string(kLastSeed) +
             "; at most " + std::to_string(kLastSeed - first_seed + 1) +
             (first_seed == kLastSeed ? " map starts at that seed" : " maps start at that seed"));
    return kExitUsage;
  }
  // The longest name decides whether every numbered name is acceptable.
  MapParams longest = params;
  if (request.count) longest.name = numbered(params.name, count);
  const std::vector<std::string> problems = validate(longest);
  if (!problems.empty()) {
    for (const std::string& problem : problems)
      err.line("tarnixmap generate: " + problem);
    return kExitUsage;
  }
  if (symmetry && !check_symmetry("tarnixmap generate", *symmetry, params, err)) return kExitUsage;
  warn_of_amounts_beyond_reach("tarnixmap generate", params, err);

  int status = kExitOk;
  std::int64_t heartless = 0;  // maps whose hearts did not fit
  const std::string name = params.name;
  const std::vector<std::string> inputs = {request.params_file};
  const InputGuard guard(request.params_file.empty() ? std::span<const std::string>() : inputs,
                         files);
  for (std::int64_t i = 0; i < count; ++i) {
    const auto seed = static_cast<std::uint32_t>(first_seed + i);
    if (request.count) params.name = numbered(name, i + 1);
    const std::string path = map_file_name(params);
    // Each map, and its picture, held against the file its values came
    // from before it is written: a batch of any size costs one look-up a
    // file.
    for (const std::string& output : {path, params.name + ".png"}) {
      if (!guard.input_at(output) || (output != path && !request.preview)) continue;
      err.line("tarnixmap generate: " + printable(output) + " is the --params file " +
               printable(request.params_file) + "; it would be overwritten");
      return kExitUsage;
    }
    const GeneratedMap map = generate_map(params, path, seed, out, files, symmetry);
    if (map.outcome != MapOutcome::kWritten) {
      err.line("tarnixmap: " + printable(path) + " (seed " + std::to_string(seed) +
               "): " + map_failure(params, map, path, symmetry));
      heartless += map.outcome == MapOutcome::kHeartsDoNotFit ? 1 : 0;
      status = kExitFailed;
      continue;
    }
    // A symmetric map is not what the generator writes for that second.
    out.line(printable(path) + ": seed " + std::to_string(seed) +
             (symmetry ? ", symmetry " + std::string(symmetry_mode(*symmetry).name) : ""));
    if (request.preview &&
        !write_preview(params, map, seed, MeasureOptions(), params.name + ".png", err, files)) {
      status = kExitFailed;
    }
    // Whoever read the seeds has gone (a closed pipe, a full disk): a batch
    // stops rather than make maps nobody can tell apart.
    if (out.failed()) return kExitFailed;
  }
  if (heartless == count) {
    params.name = name;
    err.line("tarnixmap generate: " + hearts_do_not_fit_text(params,
                                                             static_cast<std::uint64_t>(count),
                                                             advise_hearts(params, symmetry)));
  }
  return status;
}

}  // namespace tarnix
