#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tarnixmap/drawing/report_page.h"
#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/run/console.h"

namespace tarnix {

// A map to put on a report page, with what draws it.
struct ReportEntry {
  ReportMap map;  // its pictures' names are chosen when the page is written
  const TileGrid* grid = nullptr;
  HeartTable hearts;
  std::vector<std::uint8_t> first;  // who reaches each square first, for the territory
};

// The entry of the map `grid` with `hearts`, measured as `options` says.
[[nodiscard]] ReportEntry report_entry(std::string name, std::string source,
                                       std::optional<std::uint32_t> seed, const TileGrid& grid,
                                       const HeartTable& hearts, const MeasureOptions& options);

// Writes `dir`/index.html and beside it one picture per entry, each with
// its legend, making `dir` if it is not there. `inputs` are files that must
// not be overwritten. Returns false after reporting, on `err`, what failed.
[[nodiscard]] bool write_report(const std::string& dir, const std::string& heading,
                                std::vector<ReportEntry>& entries,
                                const std::optional<ScoreHistogram>& histogram,
                                const std::vector<std::string>& inputs, Console& out, Console& err,
                                FileSystem& files);

}  // namespace tarnix
