#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "tarnixmap/commands/commands.h"
#include "tarnixmap/commands/report.h"
#include "tarnixmap/drawing/render.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

std::string joined(const std::string& dir, const std::string& name) {
  return dir.ends_with('/') ? dir + name : dir + "/" + name;
}

std::string picture_name(std::size_t index, bool territory) {
  return "map-" + std::to_string(index + 1) + (territory ? "-territory.png" : ".png");
}

// Best first: the lower score, sealed maps (which have none) last; maps
// alike keep the order they were given in.
void rank_by_score(std::vector<ReportEntry>& entries) {
  std::ranges::stable_sort(entries, [](const ReportEntry& a, const ReportEntry& b) {
    const std::optional<double>& x = a.map.measure.fairness.score;
    const std::optional<double>& y = b.map.measure.fairness.score;
    return x && (!y || *x < *y);
  });
}

}  // namespace

ReportEntry report_entry(std::string name, std::string source, std::optional<std::uint32_t> seed,
                         const TileGrid& grid, const HeartTable& hearts,
                         const MeasureOptions& options) {
  ReportEntry e;
  e.map.name = std::move(name);
  e.map.source = std::move(source);
  e.map.seed = seed;
  e.map.width = grid.width();
  e.map.height = grid.height();
  Measurer measurer;
  e.map.measure = measurer.measure(grid, hearts.placed(), options);
  const std::span<const std::uint8_t> first = measurer.dig_times().first_reachers();
  e.first.assign(first.begin(), first.end());
  e.grid = &grid;
  e.hearts = hearts;
  return e;
}

bool write_report(const std::string& dir, const std::string& heading, std::size_t count,
                  const MakeEntry& make, const std::optional<ScoreHistogram>& histogram,
                  const std::vector<std::string>& inputs, Console& out, Console& err,
                  FileSystem& files) {
  std::vector<std::string> outputs = {joined(dir, "index.html")};
  for (std::size_t i = 0; i < count; ++i) {
    outputs.push_back(joined(dir, picture_name(i, false)));
    outputs.push_back(joined(dir, picture_name(i, true)));
  }
  for (const std::string& output : outputs) {
    for (const std::string& input : inputs) {
      if (files.same_file(input, output)) {
        err.line("tarnixmap: " + printable(output) +
                 " is one of the map files; the report "
                 "must go elsewhere");
        return false;
      }
    }
  }
  std::string why;
  if (!files.make_directory(dir, &why)) {
    err.line("tarnixmap: could not make the directory " + printable(dir) + ": " + why);
    return false;
  }
  std::vector<ReportMap> maps;
  for (std::size_t i = 0; i < count; ++i) {
    std::optional<ReportEntry> e = make(i);
    if (!e) return false;
    e->map.picture = picture_name(i, false);
    e->map.territory = picture_name(i, true);
    const TileGrid& grid = e->tiles();
    for (const bool territory : {false, true}) {
      const PictureLabels labels = picture_labels(
          e->map.name, e->map.seed, e->hearts, e->map.measure,
          territory ? std::span<const std::uint8_t>(e->first) : std::span<const std::uint8_t>());
      std::string png;
      if (!render_png(grid, default_scale(grid.width(), grid.height()), labels, &png, &why)) {
        err.line("tarnixmap: cannot draw " + printable(e->map.name) + ": " + why);
        return false;
      }
      if (!write_output("", outputs[1 + 2 * i + (territory ? 1 : 0)], png, err, files))
        return false;
    }
    maps.push_back(std::move(e->map));
  }
  if (!write_output("", outputs[0], report_html(heading, maps, histogram), err, files))
    return false;
  out.line(printable(outputs[0]) + ": " + counted(maps.size(), "map"));
  return true;
}

int report_command(const ReportRequest& request, Console& out, Console& err, FileSystem& files) {
  int status = kExitOk;
  std::vector<MapFileContents> sound;
  std::vector<std::string> sources;
  for (const std::string& path : request.paths) {
    std::optional<MapFileContents> map = read_sound_map(path, err, files);
    if (!map) {
      status = kExitFailed;
      continue;
    }
    sound.push_back(std::move(*map));
    sources.push_back(path);
  }
  if (sound.empty()) {
    err.line("tarnixmap report: no sound map to show; nothing was written");
    return kExitFailed;
  }
  std::vector<ReportEntry> entries;
  for (std::size_t i = 0; i < sound.size(); ++i) {
    entries.push_back(report_entry(sound[i].name, sources[i], std::nullopt, *sound[i].grid,
                                   sound[i].hearts, request.measure));
  }
  if (!request.keep_order) rank_by_score(entries);
  const std::string heading = "tarnixmap report: " + counted(entries.size(), "map") +
                              (request.keep_order ? "" : ", fairest first");
  const MakeEntry make = [&entries](std::size_t i) { return std::optional(std::move(entries[i])); };
  if (!write_report(request.output, heading, entries.size(), make, std::nullopt, request.paths, out,
                    err, files)) {
    return kExitFailed;
  }
  return status;
}

}  // namespace tarnix
