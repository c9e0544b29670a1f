#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "tarnixmap/commands/commands.h"
#include "tarnixmap/commands/params_json.h"
#include "tarnixmap/commands/search_output.h"
#include "tarnixmap/fairness/figure_text.h"
#include "tarnixrandommap/run/generate.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

// A search's output: its ranked lines, at most 100,000 of a few kilobytes,
// and its summary.
constexpr std::uint64_t kMaxSearchOutputBytes = std::uint64_t{1} << 30U;

struct Shard {
  std::string shown;  // the file's name as messages give it
  SearchOutput output;
};

// Where a value sits in a JSON object: "weights.gold_first".
std::string key_path(const std::string& where, const std::string& key) {
  if (where.empty()) return key;
  std::string path = where;
  path += '.';
  path += key;
  return path;
}

// The first place where two JSON values differ, as "weights.gold_first: 3
// and 2"; empty when they are alike.
std::string first_difference(const nlohmann::json& a, const nlohmann::json& b,
                             const std::string& where) {
  if (a.is_object() && b.is_object()) {
    for (const auto& [key, value] : a.items()) {
      const std::string path = key_path(where, key);
      const auto other = b.find(key);
      if (other == b.end()) return path + ": " + value.dump() + " and nothing";
      if (std::string d = first_difference(value, *other, path); !d.empty()) return d;
    }
    for (const auto& [key, value] : b.items()) {
      if (!a.contains(key)) return key_path(where, key) + ": nothing and " + value.dump();
    }
    return {};
  }
  if (a == b) return {};
  const auto shown = [](const nlohmann::json& v) {
    return v.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  };
  return where + ": " + shown(a) + " and " + shown(b);
}

// Why two searches cannot be merged, or nothing when they can.
std::string mismatch(const SearchSummary& a, const SearchSummary& b) {
  const nlohmann::json values_a = params_json(a.params, std::nullopt);
  const nlohmann::json values_b = params_json(b.params, std::nullopt);
  if (std::string d = first_difference(values_a, values_b, ""); !d.empty())
    return "searched maps of different values (" + d + ")";
  const nlohmann::json options_a = options_json(a.measure, a.min_border_gap, a.symmetric);
  const nlohmann::json options_b = options_json(b.measure, b.min_border_gap, b.symmetric);
  if (std::string d = first_difference(options_a, options_b, ""); !d.empty())
    return "measured or ranked maps differently (" + d + ")";
  if (a.histogram.has_value() != b.histogram.has_value())
    return "differ in counting every seed's score: run both with --histogram, or neither";
  return {};
}

// Reads the searches in one file, adding them to `shards`.
bool read_shards(const std::string& path, std::vector<Shard>* shards, Console& err,
                 FileSystem& files) {
  const bool input = path == kStandardOutput;  // "-": standard input here
  const std::string shown = input ? "standard input" : printable(path);
  FileBytes bytes;
  std::uint64_t size = 0;
  std::string why;
  switch (
      files.read_file(input ? "/dev/stdin" : path, kMaxSearchOutputBytes, &bytes, &size, &why)) {
    case ReadStatus::kRead:
      break;
    case ReadStatus::kTooLarge:
      err.line("tarnixmap merge: " + shown + ": too large (" + std::to_string(size) +
               " bytes or more) for a search's output");
      return false;
    case ReadStatus::kFailed:
      err.line("tarnixmap merge: cannot read " + shown + ": " + why);
      return false;
  }
  std::vector<SearchOutput> outputs;
  if (std::string problem; !parse_search_outputs(bytes.view(), &outputs, &problem)) {
    err.line("tarnixmap merge: " + shown + ": " + problem);
    return false;
  }
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const std::string which =
        outputs.size() > 1 ? " (search " + std::to_string(i + 1) + ")" : std::string();
    shards->push_back({shown + which, std::move(outputs[i])});
  }
  return true;
}

// Two searches that searched a seed both: its name, or an empty string.
std::string overlap(const std::vector<Shard>& shards) {
  struct Piece {
    SearchRange range;
    std::size_t shard;
  };
  std::vector<Piece> pieces;
  for (std::size_t i = 0; i < shards.size(); ++i) {
    for (const SearchRange& r : shards[i].output.summary.searched) {
      if (r.seeds > 0) pieces.push_back({r, i});
    }
  }
  std::ranges::sort(pieces,
                    [](const Piece& a, const Piece& b) { return a.range.from < b.range.from; });
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    const Piece& a = pieces[i - 1];
    const Piece& b = pieces[i];
    const std::uint64_t a_end = a.range.from + a.range.seeds;  // one past its last seed
    if (b.range.from < a_end) {
      const std::uint64_t last = std::min<std::uint64_t>(a_end, b.range.from + b.range.seeds) - 1;
      return shards[a.shard].shown + " and " + shards[b.shard].shown + " both searched seeds " +
             ranges_text({{b.range.from, last - b.range.from + 1}});
    }
  }
  return {};
}

// The seeds searched, ranges that meet joined into one.
std::vector<SearchRange> joined_ranges(const std::vector<Shard>& shards) {
  std::vector<SearchRange> all;
  for (const Shard& s : shards) {
    for (const SearchRange& r : s.output.summary.searched) {
      if (r.seeds > 0) all.push_back(r);
    }
  }
  std::ranges::sort(all,
                    [](const SearchRange& a, const SearchRange& b) { return a.from < b.from; });
  std::vector<SearchRange> joined;
  for (const SearchRange& r : all) {
    if (!joined.empty() && joined.back().from + joined.back().seeds == r.from) {
      joined.back().seeds += r.seeds;
    } else {
      joined.push_back(r);
    }
  }
  return joined;
}

// The merged summary: the first search's values and options, every
// search's counts added.
SearchSummary merged_summary(const std::vector<Shard>& shards) {
  SearchSummary merged = shards.front().output.summary;
  merged.asked.reset();
  merged.searched = joined_ranges(shards);
  merged.without_map = merged.rejected = merged.sealed = 0;
  merged.seconds = 0;
  merged.stopped = false;
  merged.searches = 0;
  if (merged.histogram) merged.histogram->counts.clear();
  for (const Shard& shard : shards) {
    const SearchSummary& s = shard.output.summary;
    merged.without_map += s.without_map;
    merged.rejected += s.rejected;
    merged.sealed += s.sealed;
    merged.seconds += s.seconds;
    merged.stopped = merged.stopped || s.stopped;
    merged.searches += s.searches;
    merged.top = std::min(merged.top, s.top);
    if (merged.histogram) merged.histogram->add(*s.histogram);
  }
  return merged;
}

// Every shard checked against the first: what --top may be, or nothing after
// saying on `err` why they cannot be merged.
std::optional<std::size_t> check_shards(const MergeRequest& request,
                                        const std::vector<Shard>& shards, Console& err) {
  for (const Shard& shard : shards) {
    const SearchSummary& s = shard.output.summary;
    if (std::string why = mismatch(shards.front().output.summary, s); !why.empty()) {
      err.line("tarnixmap merge: " + shards.front().shown + " and " + shard.shown + " " + why +
               "; only searches of the same map values and options can be merged");
      return std::nullopt;
    }
    if (s.stopped && !request.partial) {
      err.line("tarnixmap merge: " + shard.shown + " is a search stopped before the end of its " +
               "range (it searched " + ranges_text(s.searched) +
               "); search the rest, or give --partial to merge what it searched");
      return std::nullopt;
    }
  }
  if (std::string both = overlap(shards); !both.empty()) {
    err.line("tarnixmap merge: " + both + "; searches to merge must not share a seed");
    return std::nullopt;
  }
  std::size_t top = shards.front().output.summary.top;
  const Shard* fewest = &shards.front();
  for (const Shard& shard : shards) {
    if (shard.output.summary.top < top) {
      top = shard.output.summary.top;
      fewest = &shard;
    }
  }
  if (request.top && *request.top > top) {
    err.line("tarnixmap merge: --top " + std::to_string(*request.top) + " needs the best " +
             std::to_string(*request.top) + " seeds of every search, but " + fewest->shown +
             " holds its best " + std::to_string(top) + " only (search it with --top " +
             std::to_string(*request.top) + ")");
    return std::nullopt;
  }
  return request.top.value_or(top);
}

// The best `top` of all the searches' ranked seeds, each measured again as
// a search measures it. Nothing after saying on `err` that a seed's score
// is not what its search said: then the searches were not made by this
// version, or their files were changed.
std::optional<SearchResult> merged_ranking(const std::vector<Shard>& shards,
                                           const SearchSummary& merged, std::size_t top,
                                           Console& err) {
  struct Candidate {
    RankedLine line;
    const Shard* shard;
  };
  std::vector<Candidate> all;
  for (const Shard& shard : shards) {
    for (const RankedLine& line : shard.output.ranked)
      all.push_back({line, &shard});
  }
  std::ranges::sort(all, [](const Candidate& a, const Candidate& b) {
    return a.line.score != b.line.score ? a.line.score < b.line.score : a.line.seed < b.line.seed;
  });
  // Symmetric maps all score 0: what ranks them, the preferred figure, is
  // known only once each is measured again.
  if (!merged.symmetric && all.size() > top) all.resize(top);
  SearchOptions options;
  options.measure = merged.measure;
  options.min_border_gap = merged.min_border_gap;
  options.symmetric = merged.symmetric;
  SearchResult result;
  for (const Candidate& c : all) {
    const std::optional<RankedSeed> ranked = rank_one_seed(merged.params, c.line.seed, options);
    if (!ranked || ranked->score() != c.line.score) {
      err.line("tarnixmap merge: " + c.shard->shown + " ranks seed " + std::to_string(c.line.seed) +
               " with score " + fixed(c.line.score, 6) + ", but its map measures " +
               (ranked ? fixed(ranked->score(), 6) : "no score") +
               ": was the file made by another version of tarnixmap, or changed?");
      return std::nullopt;
    }
    result.best.push_back(*ranked);
  }
  std::ranges::sort(result.best, ranks_before);
  if (result.best.size() > top) result.best.resize(top);
  result.without_map = merged.without_map;
  result.rejected = merged.rejected;
  result.sealed = merged.sealed;
  result.stopped = merged.stopped;
  for (const SearchRange& r : merged.searched)
    result.searched += r.seeds;
  if (merged.histogram) result.histogram = *merged.histogram;
  return result;
}

}  // namespace

int merge_command(const MergeRequest& request, Console& out, Console& err, FileSystem& files) {
  std::vector<Shard> shards;
  for (const std::string& path : request.paths) {
    if (!read_shards(path, &shards, err, files)) return kExitFailed;
  }
  const std::optional<std::size_t> top = check_shards(request, shards, err);
  if (!top) return kExitFailed;
  SearchSummary merged = merged_summary(shards);
  merged.top = *top;
  std::optional<SearchResult> result;
  try {
    result = merged_ranking(shards, merged, *top, err);
  } catch (const std::bad_alloc&) {
    err.line("tarnixmap merge: " + no_memory_message(merged.params));
    return kExitFailed;
  }
  if (!result) return kExitFailed;
  if (request.json) {
    print_ranking_json(*result, merged, out);
  } else {
    print_ranking_table(*result, merged.symmetric, out);
    out.line(totals_text(merged));
  }
  if (request.report.empty()) return kExitOk;
  const std::string heading = "tarnixmap merge: the best of " + counted(result->searched, "seed") +
                              " from " + counted(merged.searches, "search") + " for " +
                              printable(merged.params.name);
  return write_ranking_report(request.report, heading, *result, merged, request.json ? err : out,
                              err, files)
             ? kExitOk
             : kExitFailed;
}

}  // namespace tarnix
