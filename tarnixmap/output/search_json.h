#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tarnixmap/fairness/search.h"
#include "tarnixmap/race/race.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

// What a search was asked and what it counted, besides its ranking: all a
// search's JSON summary holds, so that searches of parts of a range can be
// merged into what one search of the whole would have given.
struct SearchSummary {
  MapParams params;
  MeasureOptions measure{};
  std::optional<std::int32_t> min_border_gap;
  SpreadCaps caps{};                         // --max-spread
  std::optional<SymmetricSearch> symmetric;  // a search of symmetric maps
  std::size_t top = 10;                      // rows of its ranking
  std::vector<SearchRange> searched;         // the seeds searched, in order of their first seed
  std::optional<SearchRange> asked;          // a single search's range as asked; none for a merge
  std::uint64_t without_map = 0;
  std::uint64_t rejected = 0;
  std::uint64_t sealed = 0;
  std::optional<ScoreHistogram> histogram;  // when every seed's score was counted
  double seconds = 0;                       // a merge adds its searches' seconds
  bool stopped = false;                     // a search stopped before the end of its range
  std::uint64_t searches = 1;               // how many searches it stands for
  // --race-top: how many of the best seeds were raced, and the race's
  // options (its costs are the measure's).
  std::optional<std::size_t> race_top;
  RaceOptions race{};
};

// How many seeds a search's ranking holds, where it has that many scored:
// its top, or all its raced seeds where those are more.
[[nodiscard]] inline std::size_t ranked_rows(const SearchSummary& summary) {
  return std::max(summary.top, summary.race_top.value_or(0));
}

// How maps were made, measured and ranked: "costs" (each tile code's dig
// time, or "wall"), "weights" (each figure's), "reach", "radius",
// "min_border_gap", "max_spread" (each capped figure's cap), "symmetry"
// and "prefer" of a search of symmetric maps, and "race" ({"top",
// "diggers", "time", "gem_period", "portal_period"}) of a search that
// raced its best seeds (each null when not asked for).
[[nodiscard]] nlohmann::json options_json(const SearchSummary& summary);

// Reads options_json back into the summary's measure, min_border_gap, caps,
// symmetric and race ("symmetry", "prefer" and "race" may be left out). False with
// *problem naming what is not one.
[[nodiscard]] bool parse_options(const nlohmann::json& object, SearchSummary* summary,
                                 std::string* problem);

// The summary line's object: "summary": true, the counts ("searched",
// "without_map", "rejected", "sealed"), "seconds", "stopped" and, for a
// stopped search, "resume_from" (the first seed not searched); "ranges"
// searched, "range" asked, "params", "options", "top", "searches" and
// "histogram" ({"bin_width", "counts"}, or null).
[[nodiscard]] nlohmann::json summary_json(const SearchSummary& summary);

// One ranked seed as a search's JSON line gives it, for merging.
struct RankedLine {
  std::uint32_t seed = 0;
  double score = 0;
  std::optional<double> race_fairness;  // of a raced seed
};

// A search's --json output read back.
struct SearchOutput {
  SearchSummary summary;
  std::vector<RankedLine> ranked;  // best first
};

// What one search's output may hold, and so what a reader holds at once:
// a line (a summary's histogram has at most 24,002 bins, a ranked line a
// few kilobytes), and its ranked lines (at most its top, 100,000).
inline constexpr std::size_t kMaxSearchLineBytes = std::size_t{1} << 20U;
inline constexpr std::size_t kMaxRankedLines = 100000;

// Reads the JSON lines of one or more searches (or merges), one after
// another, each its ranked lines and then its summary line, as pieces of
// text arrive, holding one line and one search's ranked seeds at a time.
// Accepts exactly what search --json and merge --json print: counts that
// add up, ranked seeds within the search's own ranges, each once, best
// first and as many as its top and scored seeds make, a histogram of the
// bins its weights give that counts every scored seed.
class SearchOutputReader {
 public:
  // Given each search read whole; false to stop reading.
  using TakeSearch = std::function<bool(SearchOutput&& search)>;

  explicit SearchOutputReader(TakeSearch take) : take_(std::move(take)) {}

  // The next piece of text. False once a line is not what it should be
  // (with *problem saying which and why), or once `take` said stop (with
  // *problem empty).
  [[nodiscard]] bool read(std::string_view piece, std::string* problem);
  // After the last piece: false with *problem when the text ended before a
  // summary line, or held no search at all.
  [[nodiscard]] bool end(std::string* problem);

 private:
  bool line(std::string_view text, std::string* problem);

  TakeSearch take_;
  std::string partial_;       // the start of a line not yet ended
  std::uint64_t number_ = 0;  // of the line in hand, from 1
  SearchOutput output_;
  bool open_ = false;  // lines read since the last summary
  bool any_ = false;   // a search read whole
};

}  // namespace tarnix
