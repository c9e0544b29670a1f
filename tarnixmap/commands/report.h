#pragma once

#include <functional>
#include <optional>
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

  [[nodiscard]] const TileGrid& tiles() const { return made ? *made : *grid; }
};

// The entry of the map `grid` with `hearts`, measured as `options` says.
[[nodiscard]] ReportEntry report_entry(std::string name, std::string source,
                                       std::optional<std::uint32_t> seed, const TileGrid& grid,
                                       const HeartTable& hearts, const MeasureOptions& options);

// Makes the entry of the map at `index`, or says on the console it was
// given why it could not.
using MakeEntry = std::function<std::optional<ReportEntry>(std::size_t index)>;

// Writes `dir`/index.html and beside it the pictures of `count` maps, made
// one at a time by `make`, so that only one map is held at once; makes
// `dir` if it is not there. `inputs` are files that must not be
// overwritten. Returns false after reporting, on `err`, what failed.
[[nodiscard]] bool write_report(const std::string& dir, const std::string& heading,
                                std::size_t count, const MakeEntry& make,
                                const std::optional<ScoreHistogram>& histogram,
                                const std::vector<std::string>& inputs, Console& out, Console& err,
                                FileSystem& files);

}  // namespace tarnix
