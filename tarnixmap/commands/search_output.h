#pragma once

#include <string>
#include <vector>

#include "tarnixmap/drawing/report_page.h"
#include "tarnixmap/fairness/search.h"
#include "tarnixmap/output/search_json.h"
#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/run/console.h"

namespace tarnix {

// How search and merge print a ranking: the one way, so that a merge of
// searches prints what one search of all their seeds prints.

// The table: rank, seed, score and the least even figure of each seed; for
// a search of symmetric maps, the preferred figure instead.
void print_ranking_table(const SearchResult& result,
                         const std::optional<SymmetricSearch>& symmetric, Console& out);

// The best map a running search has found, as its progress line shows it:
// its score, or of symmetric maps (all of score 0) the figure they are
// ranked by, "rival_time 129.00"; "none" before any.
[[nodiscard]] std::string progress_best_text(const SearchProgress& progress,
                                             std::optional<Figure> preferred);

// The preferred figure's value for the player it favours least.
[[nodiscard]] double preferred_value(const RankedSeed& ranked, Figure figure);

// The line under the table: the seeds searched, where, and what became of
// them; with the time taken, for a single search.
[[nodiscard]] std::string totals_text(const SearchSummary& summary);

// One JSON line per ranked seed (its figures, score, "params" and the
// "command" that makes its map again), then the summary line.
void print_ranking_json(const SearchResult& result, const SearchSummary& summary, Console& out);

// The `tarnixmap search` command that makes the page of this search in
// `dir` again: its range, top, every option that differs from the
// defaults, and the map's values. Empty for a merge of searches whose
// seeds are not one range.
[[nodiscard]] std::string search_command_line(const SearchSummary& summary, const std::string& dir);

// How a search's maps were made and measured, as its page tells it.
[[nodiscard]] PageOrigin search_origin(const SearchSummary& summary, const std::string& dir);

// The ranked seeds' maps, made again in memory one at a time, on a page in
// `dir` with the histogram when there is one; `inputs` must not be
// overwritten.
[[nodiscard]] bool write_ranking_report(const std::string& dir, const std::string& heading,
                                        const SearchResult& result, const SearchSummary& summary,
                                        const std::vector<std::string>& inputs, Console& out,
                                        Console& err, FileSystem& files);

// The seeds of the ranges as people write them: "1000 to 10999", or
// "1 to 5, 11 to 20".
[[nodiscard]] std::string ranges_text(const std::vector<SearchRange>& ranges);

}  // namespace tarnix
