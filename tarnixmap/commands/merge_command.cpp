#include <algorithm>
#include <cmath>
#include <new>
#include <string>
#include <vector>

#include "tarnixmap/commands/commands.h"
#include "tarnixmap/commands/search_output.h"
#include "tarnixmap/fairness/figure_text.h"
#include "tarnixmap/output/params_json.h"
#include "tarnixmap/race/race_ranking.h"
#include "tarnixrandommap/run/generate.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

// What a merge holds besides one line at a time: a name and a range or two
// for each search, and the best seeds seen.
constexpr std::size_t kMaxSearches = 100000;
constexpr std::size_t kMaxRanges = 1000000;

// Where a value sits in a JSON object: "weights.gold_first".
std::string key_path(const std::string& where, const std::string& key) {
  if (where.empty()) return key;
  std::string path = where;
  path += '.';
  path += key;
  return path;
}

std::string shown_json(const nlohmann::json& v) {
  return v.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The first place where two JSON values differ, as "weights.gold_first: 3
// and 2"; empty when they are alike.
std::string first_difference(const nlohmann::json& a, const nlohmann::json& b,
                             const std::string& where) {
  if (a.is_object() && b.is_object()) {
    for (const auto& [key, value] : a.items()) {
      const std::string path = key_path(where, key);
      const auto other = b.find(key);
      if (other == b.end()) return path + ": " + shown_json(value) + " and nothing";
      if (std::string d = first_difference(value, *other, path); !d.empty()) return d;
    }
    for (const auto& [key, value] : b.items()) {
      if (!a.contains(key)) return key_path(where, key) + ": nothing and " + shown_json(value);
    }
    return {};
  }
  if (a == b) return {};
  return where + ": " + shown_json(a) + " and " + shown_json(b);
}

// Why two searches cannot be merged, or nothing when they can.
std::string mismatch(const SearchSummary& a, const SearchSummary& b) {
  const nlohmann::json values_a = params_json(a.params, std::nullopt);
  const nlohmann::json values_b = params_json(b.params, std::nullopt);
  if (std::string d = first_difference(values_a, values_b, ""); !d.empty())
    return "searched maps of different values (" + d + ")";
  const nlohmann::json options_a = options_json(a);
  const nlohmann::json options_b = options_json(b);
  if (std::string d = first_difference(options_a, options_b, ""); !d.empty())
    return "measured or ranked maps differently (" + d + ")";
  if (a.histogram.has_value() != b.histogram.has_value())
    return "differ in counting every seed's score: run both with --histogram, or neither";
  return {};
}

// A ranked seed of one of the searches.
struct Candidate {
  std::uint32_t seed = 0;
  double score = 0;
  double preference = 0;  // of symmetric maps, once measured again; 0 for others
  std::size_t search = 0;
  std::optional<double> race_fairness;  // where its search raced it
};

// In the order a ranking has them (see ranks_before).
bool ranks_first(const Candidate& a, const Candidate& b) {
  if (a.score != b.score) return a.score < b.score;
  if (a.preference != b.preference) return a.preference > b.preference;
  return a.seed < b.seed;
}

// Takes the searches one at a time, as they are read, and keeps only what
// the merged ranking and totals need: their names and ranges, running
// totals, and the best seeds any merged top can show.
class Merger {
 public:
  Merger(const MergeRequest& request, Console& err) : request_(request), err_(err) {}

  // Adds one search, `shown` as messages name it. False after saying on
  // `err` why it cannot be merged.
  bool add(SearchOutput&& search, std::string shown) {
    if (names_.size() == kMaxSearches) {
      fail(shown + ": more than " + std::to_string(kMaxSearches) +
           " searches to merge; merge them in groups, then merge the groups");
      return false;
    }
    const SearchSummary& s = search.summary;
    if (names_.empty()) {
      merged_ = s;
      merged_.without_map = merged_.rejected = merged_.sealed = 0;
      merged_.seconds = 0;
      merged_.stopped = false;
      merged_.searches = 0;
      merged_.asked.reset();
      merged_.searched.clear();
      if (merged_.histogram) merged_.histogram->counts.assign(merged_.histogram->counts.size(), 0);
      fewest_top_ = s.top;
    } else if (std::string why = mismatch(merged_, s); !why.empty()) {
      fail(names_.front() + " and " + shown + " " + why +
           "; only searches of the same map values and options can be merged");
      return false;
    }
    if (s.stopped && !request_.partial) {
      fail(shown + " is a search stopped before the end of its range (it searched " +
           ranges_text(s.searched) + "); search the rest, or give --partial to merge what it " +
           "searched");
      return false;
    }
    if (pieces_.size() + s.searched.size() > kMaxRanges) {
      fail(shown + ": more than " + std::to_string(kMaxRanges) +
           " ranges of seeds in all; merge them in groups, then merge the groups");
      return false;
    }
    const std::size_t index = names_.size();
    names_.push_back(std::move(shown));
    for (const SearchRange& r : s.searched) {
      if (r.seeds > 0) pieces_.push_back({r, index});
    }
    if (!add_totals(s)) return false;
    if (s.top < fewest_top_) {
      fewest_top_ = s.top;
      fewest_ = index;
    }
    return add_candidates(search, index);
  }

  // After the last search: the merged summary, with the top the ranking
  // shows, or nothing after saying on `err` why the searches cannot be
  // merged.
  std::optional<SearchSummary> summary() {
    if (std::string both = overlap(); !both.empty()) {
      fail(both + "; searches to merge must not share a seed");
      return std::nullopt;
    }
    if (request_.top && *request_.top > fewest_top_) {
      fail("--top " + std::to_string(*request_.top) + " needs the best " +
           std::to_string(*request_.top) + " seeds of every search, but " + names_[fewest_] +
           " holds its best " + std::to_string(fewest_top_) + " only (search it with --top " +
           std::to_string(*request_.top) + ")");
      return std::nullopt;
    }
    merged_.searched = joined_ranges();
    merged_.top = request_.top.value_or(fewest_top_);
    return merged_;
  }

  // The best of all the searches' ranked seeds, each measured again as a
  // search measures it. Nothing after saying on `err` that a seed's score
  // is not what its search said: then the searches were not made by this
  // version, or their files were changed.
  std::optional<SearchResult> ranking(const SearchSummary& merged) {
    keep_best(ranked_rows(merged));
    SearchResult result;
    for (const Candidate& c : candidates_) {
      std::optional<RankedSeed> ranked = measured(c);
      if (!ranked) return std::nullopt;
      result.best.push_back(*ranked);
    }
    std::ranges::sort(result.best, ranks_before);
    if (merged.race_top && !raced(merged, result.best)) return std::nullopt;
    result.without_map = merged.without_map;
    result.rejected = merged.rejected;
    result.sealed = merged.sealed;
    result.stopped = merged.stopped;
    for (const SearchRange& r : merged.searched)
      result.searched += r.seeds;
    if (merged.histogram) result.histogram = *merged.histogram;
    return result;
  }

 private:
  struct Piece {
    SearchRange range;
    std::size_t search;
  };

  void fail(const std::string& why) { err_.line("tarnixmap merge: " + why); }

  // Races the best seeds of all the searches, as each search raced its
  // own, and orders them by the race. False after saying on `err` that a
  // seed's race fairness is not what its search said.
  bool raced(const SearchSummary& merged, std::vector<RankedSeed>& best) {
    RaceOptions race = merged.race;
    race.costs = merged.measure.costs;
    const std::atomic<bool> never{false};
    std::atomic<std::uint64_t> count{0};
    if (race_best(merged.params, symmetry_of(merged.symmetric), race, *merged.race_top,
                  std::max(1U, request_.cores), best, never, count) == RaceOutcome::kOutOfMemory) {
      throw std::bad_alloc();
    }
    for (const RankedSeed& r : best) {
      if (!r.race_fairness) continue;
      const auto c = std::ranges::find(candidates_, r.seed, &Candidate::seed);
      if (c == candidates_.end() || !c->race_fairness || *c->race_fairness == *r.race_fairness)
        continue;
      fail(names_[c->search] + " races seed " + std::to_string(c->seed) + " to " +
           fixed(*c->race_fairness, 6) + ", but its map races to " + fixed(*r.race_fairness, 6) +
           ": was the file made by another version of tarnixmap, or changed?");
      return false;
    }
    return true;
  }

  bool add_totals(const SearchSummary& s) {
    merged_.without_map += s.without_map;
    merged_.rejected += s.rejected;
    merged_.sealed += s.sealed;
    merged_.seconds += s.seconds;
    merged_.stopped = merged_.stopped || s.stopped;
    merged_.searches += s.searches;
    if (merged_.histogram) merged_.histogram->add(*s.histogram);
    // Only a sum of seconds can outgrow what its numbers hold: the counts
    // are of seeds of 32 bits, searched once each.
    if (!std::isfinite(merged_.seconds)) {
      fail(names_.back() + ": the searches' seconds add up to more than a number holds");
      return false;
    }
    return true;
  }

  // A search's ranked seeds join the best kept. Symmetric maps all score 0:
  // what ranks them, the preferred figure, is known once each is measured
  // again, which is done at once; other maps are measured again only if
  // they are among the best at the end.
  bool add_candidates(const SearchOutput& search, std::size_t index) {
    for (const RankedLine& line : search.ranked) {
      Candidate c{line.seed, line.score, 0, index, line.race_fairness};
      if (merged_.symmetric) {
        const std::optional<RankedSeed> ranked = measured(c);
        if (!ranked) return false;
        c.preference = ranked->preference;
      }
      candidates_.push_back(c);
    }
    // No merged ranking shows more than the smallest top seen so far.
    const std::size_t rows = std::max(fewest_top_, merged_.race_top.value_or(0));
    if (candidates_.size() > 2 * std::max<std::size_t>(rows, 1)) keep_best(rows);
    return true;
  }

  void keep_best(std::size_t top) {
    if (candidates_.size() <= top) {
      std::ranges::sort(candidates_, ranks_first);
      return;
    }
    std::ranges::nth_element(candidates_, candidates_.begin() + static_cast<std::ptrdiff_t>(top),
                             ranks_first);
    candidates_.resize(top);
    std::ranges::sort(candidates_, ranks_first);
  }

  std::optional<RankedSeed> measured(const Candidate& c) {
    SearchOptions options;
    options.measure = merged_.measure;
    options.min_border_gap = merged_.min_border_gap;
    options.caps = merged_.caps;
    options.symmetric = merged_.symmetric;
    std::optional<RankedSeed> ranked = rank_one_seed(merged_.params, c.seed, options);
    if (!ranked || ranked->score() != c.score) {
      fail(names_[c.search] + " ranks seed " + std::to_string(c.seed) + " with score " +
           fixed(c.score, 6) + ", but its map measures " +
           (ranked ? fixed(ranked->score(), 6) : "no score") +
           ": was the file made by another version of tarnixmap, or changed?");
      return std::nullopt;
    }
    return ranked;
  }

  // Two searches that searched a seed both: their names and the seeds, or
  // an empty string.
  std::string overlap() {
    // By first seed, then by search: the pair named is always the first
    // that clash, in the order they were given.
    std::ranges::sort(pieces_, [](const Piece& a, const Piece& b) {
      return a.range.from != b.range.from ? a.range.from < b.range.from : a.search < b.search;
    });
    for (std::size_t i = 1; i < pieces_.size(); ++i) {
      const Piece& a = pieces_[i - 1];
      const Piece& b = pieces_[i];
      const std::uint64_t a_end = a.range.from + a.range.seeds;  // one past its last seed
      if (b.range.from < a_end) {
        const std::uint64_t last = std::min<std::uint64_t>(a_end, b.range.from + b.range.seeds) - 1;
        return names_[a.search] + " and " + names_[b.search] + " both searched seeds " +
               ranges_text({{b.range.from, last - b.range.from + 1}});
      }
    }
    return {};
  }

  // The seeds searched, ranges that meet joined into one.
  // Requires: overlap() found none, and left the pieces in order.
  [[nodiscard]] std::vector<SearchRange> joined_ranges() const {
    std::vector<SearchRange> joined;
    for (const Piece& p : pieces_) {
      if (!joined.empty() && joined.back().from + joined.back().seeds == p.range.from) {
        joined.back().seeds += p.range.seeds;
      } else {
        joined.push_back(p.range);
      }
    }
    return joined;
  }

  const MergeRequest& request_;
  Console& err_;
  SearchSummary merged_;
  std::vector<std::string> names_;  // each search's name as messages give it
  std::vector<Piece> pieces_;       // every range searched, and by which search
  std::vector<Candidate> candidates_;
  std::size_t fewest_top_ = 0;  // the smallest top of the searches
  std::size_t fewest_ = 0;      // the search with it
};

// Reads the searches in one file (or "-", standard input) into the merger
// as they come. False after saying on `err` what was wrong.
bool read_searches(const std::string& path, Merger& merger, Console& err, FileSystem& files) {
  const bool input = path == kStandardOutput;  // "-": standard input here
  const std::string shown = input ? "standard input" : printable(path);
  std::uint64_t count = 0;
  std::vector<SearchOutput> pending;  // a search read whole, and its place, until it is known
  bool taken = true;                  // whether it was the only one
  const auto name = [&](std::uint64_t n, bool only) {
    return only ? shown : shown + " (search " + std::to_string(n) + ")";
  };
  // A search is named by its place in the file only where the file holds
  // more than one: the first is handed on once the second begins.
  SearchOutputReader reader([&](SearchOutput&& search) {
    ++count;
    if (!pending.empty()) {
      taken = merger.add(std::move(pending.front()), name(count - 1, false));
      pending.clear();
      if (!taken) return false;
    }
    pending.push_back(std::move(search));
    return true;
  });
  std::string problem;
  std::string why;
  bool read = true;
  const bool opened = files.read_pieces(
      input ? "/dev/stdin" : path,
      [&](std::string_view piece) { return read = reader.read(piece, &problem); }, &why);
  if (!opened) {
    err.line("tarnixmap merge: cannot read " + shown + ": " + why);
    return false;
  }
  if (!taken) return false;
  if (read && !reader.end(&problem)) read = false;
  if (!read) {
    if (!problem.empty()) err.line("tarnixmap merge: " + shown + ": " + problem);
    return false;
  }
  return merger.add(std::move(pending.front()), name(count, count == 1));
}

}  // namespace

int merge_command(const MergeRequest& request, Console& out, Console& err, FileSystem& files) {
  Merger merger(request, err);
  std::optional<SearchSummary> merged;
  std::optional<SearchResult> result;
  try {
    for (const std::string& path : request.paths) {
      if (!read_searches(path, merger, err, files)) return kExitFailed;
    }
    merged = merger.summary();
    if (!merged) return kExitFailed;
    result = merger.ranking(*merged);
  } catch (const std::bad_alloc&) {
    err.line("tarnixmap merge: not enough memory to merge the searches");
    return kExitFailed;
  }
  if (!result) return kExitFailed;
  // The JSON lists every raced seed, as a search does; the table and the
  // page show the top.
  SearchResult shown = *result;
  if (shown.best.size() > merged->top) shown.best.resize(merged->top);
  if (result->best.size() > ranked_rows(*merged)) result->best.resize(ranked_rows(*merged));
  if (request.json) {
    print_ranking_json(*result, *merged, out);
  } else {
    print_ranking_table(shown, merged->symmetric, out);
    out.line(totals_text(*merged));
  }
  if (request.report.empty()) return kExitOk;
  const std::string heading = "tarnixmap merge: the best of " + counted(result->searched, "seed") +
                              " from " + counted(merged->searches, "search") + " for " +
                              printable(merged->params.name);
  return write_ranking_report(request.report, heading, shown, *merged, request.paths,
                              request.json ? err : out, err, files)
             ? kExitOk
             : kExitFailed;
}

}  // namespace tarnix
