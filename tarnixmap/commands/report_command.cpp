#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>

#include "tarnixmap/commands/commands.h"
#include "tarnixmap/commands/report.h"
#include "tarnixmap/drawing/render.h"
#include "tarnixmap/fairness/figure_text.h"
#include "tarnixmap/output/params_json.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

std::string joined(const std::string& dir, const std::string& name) {
  return dir.ends_with('/') ? dir + name : dir + "/" + name;
}

// The files beside the page for each map.
enum class PageFile : std::uint8_t {
  kPicture,             // the map with its title and legend
  kTerritory,           // the territory, the same way
  kThumbnail,           // the map alone with its markers, small
  kTerritoryThumbnail,  // the territory, the same way
  kParams,              // its values as JSON, where they are known
  kRace,                // of a raced map, each player's floor at the end, with the income
  kRaceThumbnail,       // the same, small
};
constexpr std::array<PageFile, 7> kPageFiles = {
    PageFile::kPicture,      PageFile::kTerritory,
    PageFile::kThumbnail,    PageFile::kTerritoryThumbnail,
    PageFile::kParams,       PageFile::kRace,
    PageFile::kRaceThumbnail};

std::string page_file(std::size_t index, PageFile kind) {
  std::string map = "map-" + std::to_string(index + 1);
  switch (kind) {
    case PageFile::kPicture:
      return map + ".png";
    case PageFile::kTerritory:
      return map + "-territory.png";
    case PageFile::kThumbnail:
      return map + "-small.png";
    case PageFile::kTerritoryThumbnail:
      return map + "-territory-small.png";
    case PageFile::kParams:
      return map + "-params.json";
    case PageFile::kRace:
      return map + "-race.png";
    case PageFile::kRaceThumbnail:
      return map + "-race-small.png";
  }
  return map;
}

// A card's pictures are about this many pixels on their longer side.
constexpr std::int32_t kThumbnailSide = 384;

// Draws one of an entry's pictures into `dir`.
bool write_picture(const std::string& dir, std::size_t index, PageFile kind, const ReportEntry& e,
                   Console& err, FileSystem& files) {
  const TileGrid& grid = e.tiles();
  const bool territory = kind == PageFile::kTerritory || kind == PageFile::kTerritoryThumbnail;
  const bool race = kind == PageFile::kRace || kind == PageFile::kRaceThumbnail;
  const bool small = kind == PageFile::kThumbnail || kind == PageFile::kTerritoryThumbnail ||
                     kind == PageFile::kRaceThumbnail;
  std::span<const std::uint8_t> tint;
  if (territory) tint = e.first;
  if (race) tint = e.floor;
  PictureLabels labels = picture_labels(e.map.name, e.map.seed, e.hearts, e.map.measure, tint);
  if (race) labels.race = e.map.race;
  labels.legend = !small;  // the page has one legend for all its cards
  const Scale scale = small ? scale_to(grid.width(), grid.height(), kThumbnailSide)
                            : default_scale(grid.width(), grid.height());
  std::string png;
  std::string why;
  if (!render_png(grid, scale, labels, &png, &why)) {
    err.line("tarnixmap: cannot draw " + printable(e.map.name) + ": " + why);
    return false;
  }
  return write_output("", joined(dir, page_file(index, kind)), png, err, files);
}

// An entry's pictures and, where its values are known, their JSON; notes
// their names in its map.
bool write_entry_files(const std::string& dir, std::size_t index, ReportEntry& e, Console& err,
                       FileSystem& files) {
  e.map.picture = page_file(index, PageFile::kPicture);
  e.map.territory = page_file(index, PageFile::kTerritory);
  e.map.thumbnail = page_file(index, PageFile::kThumbnail);
  e.map.territory_thumbnail = page_file(index, PageFile::kTerritoryThumbnail);
  for (const PageFile kind : {PageFile::kPicture, PageFile::kTerritory, PageFile::kThumbnail,
                              PageFile::kTerritoryThumbnail}) {
    if (!write_picture(dir, index, kind, e, err, files)) return false;
  }
  if (e.map.race) {
    e.map.race_picture = page_file(index, PageFile::kRace);
    e.map.race_thumbnail = page_file(index, PageFile::kRaceThumbnail);
    for (const PageFile kind : {PageFile::kRace, PageFile::kRaceThumbnail}) {
      if (!write_picture(dir, index, kind, e, err, files)) return false;
    }
  }
  if (!e.map.params) return true;
  e.map.params_file = page_file(index, PageFile::kParams);
  e.map.command =
      e.map.seed ? generate_command_line(*e.map.params, *e.map.seed, e.map.made_symmetric) : "";
  const std::string json = params_json(*e.map.params, e.map.seed, e.map.made_symmetric)
                               .dump(2, ' ', true, nlohmann::json::error_handler_t::replace) +
                           "\n";
  return write_output("", joined(dir, e.map.params_file), json, err, files);
}

// Best first: the lower score, sealed maps (which have none) last; maps
// alike keep the order they were given in.
void rank_by_score(std::vector<ReportMap>& maps) {
  std::ranges::stable_sort(maps, [](const ReportMap& a, const ReportMap& b) {
    const std::optional<double>& x = a.measure.fairness.score;
    const std::optional<double>& y = b.measure.fairness.score;
    return x && (!y || *x < *y);
  });
}

}  // namespace

ReportEntry report_entry(std::string name, std::string source, std::optional<std::uint32_t> seed,
                         const TileGrid& grid, const HeartTable& hearts,
                         const MeasureOptions& options, std::span<const std::int32_t> start_gold) {
  ReportEntry e;
  e.map.name = std::move(name);
  e.map.source = std::move(source);
  e.map.seed = seed;
  e.map.width = grid.width();
  e.map.height = grid.height();
  Measurer measurer;
  e.map.measure = measurer.measure(grid, hearts.placed(), options, start_gold);
  const std::span<const std::uint8_t> first = measurer.dig_times().first_reachers();
  e.first.assign(first.begin(), first.end());
  e.grid = &grid;
  e.hearts = hearts;
  return e;
}

std::vector<std::string> report_outputs(const std::string& dir, std::size_t count) {
  std::vector<std::string> outputs = {joined(dir, "index.html")};
  for (std::size_t i = 0; i < count; ++i) {
    for (const PageFile kind : kPageFiles)
      outputs.push_back(joined(dir, page_file(i, kind)));
  }
  return outputs;
}

std::vector<std::pair<std::string, std::string>> measure_settings(const MeasureOptions& measure) {
  std::string weights;
  for (std::size_t f = 0; f < kFigureCount; ++f) {
    if (measure.weights[f] == 0) continue;
    weights += (weights.empty() ? "" : ", ") + std::string(kFigures[f].name) + " " +
               weight_text(measure.weights[f]);
  }
  return {
      {"weights", weights + "; every other figure 0"},
      {"costs", cost_text(measure.costs)},
      {"reach", "gold_within counts gold within a dig time of " + std::to_string(measure.reach)},
      {"radius",
       "the straight-line figures count within " + std::to_string(measure.radius) + " tiles"}};
}

bool write_report(const ReportPlan& plan, const MakeEntry& make, Console& out, Console& err,
                  FileSystem& files) {
  const std::vector<std::string> outputs = report_outputs(plan.dir, plan.count);
  if (const std::optional<Clash> clash = find_clash(plan.inputs, outputs, files)) {
    const std::string& output = outputs[clash->output];
    const std::string& input = plan.inputs[clash->input];
    err.line("tarnixmap: " + printable(output) + " is one of the files read" +
             (input == output ? "" : " (" + printable(input) + ")") +
             "; the report must go elsewhere");
    return false;
  }
  // Each map is made, drawn and let go in turn: only its figures and the
  // names of its pictures stay for the page, so that a page of many big
  // maps holds one of them at a time.
  std::vector<ReportMap> maps;
  bool every_map = true;
  bool directory = false;
  for (std::size_t i = 0; i < plan.count; ++i) {
    std::optional<ReportEntry> e = make(i);
    if (!e) {
      every_map = false;
      continue;
    }
    if (!directory) {
      if (std::string why; !files.make_directory(plan.dir, &why)) {
        err.line("tarnixmap: could not make the directory " + printable(plan.dir) + ": " + why);
        return false;
      }
      directory = true;
    }
    try {
      if (!write_entry_files(plan.dir, maps.size(), *e, err, files)) return false;
    } catch (const std::bad_alloc&) {
      err.line("tarnixmap: not enough memory to draw " + printable(e->map.source));
      return false;
    }
    maps.push_back(std::move(e->map));
  }
  if (maps.empty()) {
    err.line("tarnixmap: no map to show; nothing was written");
    return false;
  }
  if (plan.fairest_first) rank_by_score(maps);
  const std::string page = joined(plan.dir, "index.html");
  if (!write_output("", page,
                    report_html(plan.heading(maps.size()), maps, plan.histogram, plan.origin), err,
                    files))
    return false;
  out.line(printable(page) + ": " + counted(maps.size(), "map"));
  return every_map;
}

int report_command(const ReportRequest& request, Console& out, Console& err, FileSystem& files) {
  const MakeEntry make = [&](std::size_t i) -> std::optional<ReportEntry> {
    const std::string& path = request.paths[i];
    try {
      std::optional<MapFileContents> map = read_sound_map(path, err, files);
      if (!map) return std::nullopt;
      ReportEntry entry = report_entry(map->name, path, std::nullopt, *map->grid, map->hearts,
                                       request.measure, map->gold_of_players());
      entry.made = std::move(map->grid);
      return entry;
    } catch (const std::bad_alloc&) {
      err.line("tarnixmap: not enough memory to put " + printable(path) + " on the page");
      return std::nullopt;
    }
  };
  ReportPlan plan;
  plan.dir = request.output;
  plan.heading = [&request](std::size_t maps) {
    return "tarnixmap report: " + counted(maps, "map") +
           (request.keep_order ? "" : ", fairest first");
  };
  plan.count = request.paths.size();
  plan.inputs = request.paths;
  if (!request.weights_file.empty()) plan.inputs.push_back(request.weights_file);
  plan.fairest_first = !request.keep_order;
  plan.origin.weights = request.measure.weights;
  plan.origin.settings = measure_settings(request.measure);
  return write_report(plan, make, out, err, files) ? kExitOk : kExitFailed;
}

}  // namespace tarnix
