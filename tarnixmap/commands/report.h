#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tarnixmap/drawing/report_page.h"
#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/run/console.h"

namespace tarnix {

// A map to put on a report page, with what draws it.
struct ReportEntry {
  ReportMap map;                   // its pictures' names are chosen when the page is written
  const TileGrid* grid = nullptr;  // the map, where it is kept elsewhere
  std::optional<TileGrid> made;    // or the map, made for the page alone
  HeartTable hearts;
  std::vector<std::uint8_t> first;  // who reaches each square first, for the territory
  std::vector<std::uint8_t> floor;  // of a raced map (map.race): each player's floor at the end

  [[nodiscard]] const TileGrid& tiles() const { return made ? *made : *grid; }
};

// The entry of the map `grid` with `hearts`, measured as `options` says;
// `start_gold`, each player's, where the map file gives it.
[[nodiscard]] ReportEntry report_entry(std::string name, std::string source,
                                       std::optional<std::uint32_t> seed, const TileGrid& grid,
                                       const HeartTable& hearts, const MeasureOptions& options,
                                       std::span<const std::int32_t> start_gold = {});

// Makes the entry of the map at `index`, or says on the console it was
// given why it could not.
using MakeEntry = std::function<std::optional<ReportEntry>(std::size_t index)>;

// A page and what goes on it.
struct ReportPlan {
  std::string dir;                                       // where index.html and the pictures go
  std::function<std::string(std::size_t maps)> heading;  // the page's title, for the maps shown
  std::size_t count = 0;                                 // maps to make, by index
  std::optional<ScoreHistogram> histogram;               // of the search the maps were the best of
  std::vector<std::string> inputs;                       // files that must not be overwritten
  bool fairest_first = false;  // rank the maps made by score (sealed last)
  PageOrigin origin;           // how the maps were made, as the page tells it
};

// How maps are measured, as a page tells it: the weights, the costs, the
// reach and the radius.
[[nodiscard]] std::vector<std::pair<std::string, std::string>> measure_settings(
    const MeasureOptions& measure);

// Every file a page of `count` maps in `dir` may write.
[[nodiscard]] std::vector<std::string> report_outputs(const std::string& dir, std::size_t count);

// Writes `dir`/index.html and beside it the pictures of the maps `make`
// makes, one at a time, each let go once drawn, so that only one map is
// held at once; makes `dir` once there is a map to show. A map `make`
// cannot make is left out. Returns true when the page shows every map;
// false after reporting, on `err`, what failed.
[[nodiscard]] bool write_report(const ReportPlan& plan, const MakeEntry& make, Console& out,
                                Console& err, FileSystem& files);

}  // namespace tarnix
