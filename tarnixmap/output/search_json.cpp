#include "tarnixmap/output/search_json.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "tarnixmap/output/json_input.h"
#include "tarnixmap/output/json_output.h"
#include "tarnixmap/output/params_json.h"
#include "tarnixmap/values/symmetry_options.h"
#include "tarnixrandommap/grid/tile_grid.h"

namespace tarnix {

namespace {

using Json = nlohmann::json;

// A count or seed: a whole number from 0 to `high`.
std::optional<std::uint64_t> count_at(const Json& object, const char* key, std::uint64_t high) {
  const auto it = object.find(key);
  if (it == object.end() || !it->is_number_unsigned()) return std::nullopt;
  const auto n = it->get<std::uint64_t>();
  return n <= high ? std::optional(n) : std::nullopt;
}

constexpr std::uint64_t kMaxCount = std::uint64_t{1} << 53U;  // exact in a double, too

std::string missing(const char* key, const char* what) {
  return std::string("\"") + key + "\" must be " + what;
}

bool parse_ranges(const Json& list, std::vector<SearchRange>* ranges, std::string* problem) {
  if (!list.is_array()) {
    *problem = missing("ranges", R"(a list of {"from", "seeds"})");
    return false;
  }
  for (const Json& r : list) {
    const auto from = r.is_object() ? count_at(r, "from", 4294967295) : std::nullopt;
    const auto seeds = r.is_object() ? count_at(r, "seeds", 4294967296) : std::nullopt;
    if (!from || !seeds || *seeds > 4294967296 - *from) {
      *problem = missing("ranges", R"(a list of {"from", "seeds"} within the 32-bit seeds)");
      return false;
    }
    ranges->push_back({static_cast<std::uint32_t>(*from), *seeds});
  }
  return true;
}

// The histogram a search with `weights` prints: null, or exactly the bins
// its weights give.
bool parse_histogram(const Json& value, const Weights& weights,
                     std::optional<ScoreHistogram>* histogram, std::string* problem) {
  if (value.is_null()) return true;
  const auto width = value.is_object() ? value.find("bin_width") : value.end();
  const auto counts = value.is_object() ? value.find("counts") : value.end();
  if (width == value.end() || !width->is_number() ||
      width->get<double>() != ScoreHistogram::kBinWidth || counts == value.end() ||
      !counts->is_array()) {
    *problem = missing("histogram", R"(null or {"bin_width": 0.05, "counts": [...]})");
    return false;
  }
  ScoreHistogram h(highest_score(weights));
  if (counts->size() != h.counts.size()) {
    *problem = "\"histogram\" must have " + std::to_string(h.counts.size()) +
               " bins for these weights, not " + std::to_string(counts->size());
    return false;
  }
  for (std::size_t i = 0; i < h.counts.size(); ++i) {
    const Json& c = (*counts)[i];
    if (!c.is_number_unsigned() || c.get<std::uint64_t>() > kMaxCount) {
      *problem = missing("histogram", "counts of whole numbers");
      return false;
    }
    h.counts[i] = c.get<std::uint64_t>();
  }
  *histogram = std::move(h);
  return true;
}

bool parse_summary(const Json& object, SearchOutput* output, std::string* problem) {
  SearchSummary& s = output->summary;
  ParamsFile params;
  const auto params_it = object.find("params");
  if (params_it == object.end() || !parse_params(params_it->dump(), &params, problem)) {
    *problem = "\"params\": " + (params_it == object.end() ? "missing" : *problem);
    return false;
  }
  std::array<std::string_view, kArgumentCount> views;
  for (std::size_t i = 0; i < kArgumentCount; ++i) {
    if (!params.values[i]) {
      *problem = "\"params\" lacks a value";
      return false;
    }
    views[i] = *params.values[i];
  }
  s.params = convert_arguments(views);
  if (const std::vector<std::string> problems = validate(s.params); !problems.empty()) {
    *problem = "\"params\": " + problems.front();
    return false;
  }
  const auto options_it = object.find("options");
  if (options_it == object.end() || !parse_options(*options_it, &s, problem)) {
    *problem = "\"options\": " + (options_it == object.end() ? "missing" : *problem);
    return false;
  }
  const auto top = count_at(object, "top", kMaxRankedLines);
  const auto searched = count_at(object, "searched", kMaxCount);
  const auto without_map = count_at(object, "without_map", kMaxCount);
  const auto rejected = count_at(object, "rejected", kMaxCount);
  const auto sealed = count_at(object, "sealed", kMaxCount);
  const auto searches = count_at(object, "searches", kMaxCount);
  if (!top || !searched || !without_map || !rejected || !sealed || !searches || *top == 0 ||
      *searches == 0) {
    *problem =
        "\"top\" (1 to 100000), \"searched\", \"without_map\", \"rejected\", \"sealed\" "
        "and \"searches\" (1 or more) must be whole numbers";
    return false;
  }
  if (*without_map > *searched || *rejected > *searched - *without_map ||
      *sealed > *searched - *without_map - *rejected) {
    *problem = R"("without_map", "rejected" and "sealed" add up to more than the )" +
               std::to_string(*searched) + " seeds searched";
    return false;
  }
  const auto stopped = object.find("stopped");
  const auto seconds = object.find("seconds");
  if (stopped == object.end() || !stopped->is_boolean() || seconds == object.end() ||
      !seconds->is_number() || !std::isfinite(seconds->get<double>()) ||
      seconds->get<double>() < 0) {
    *problem = R"("stopped" must be true or false, and "seconds" a number of 0 or more)";
    return false;
  }
  const auto ranges = object.find("ranges");
  if (ranges == object.end() || !parse_ranges(*ranges, &s.searched, problem)) {
    if (ranges == object.end()) *problem = missing("ranges", "given");
    return false;
  }
  std::uint64_t in_ranges = 0;
  for (const SearchRange& r : s.searched)
    in_ranges += r.seeds;
  if (in_ranges != *searched) {
    *problem = "\"ranges\" hold " + std::to_string(in_ranges) + " seeds but \"searched\" says " +
               std::to_string(*searched);
    return false;
  }
  const auto histogram = object.find("histogram");
  if (histogram == object.end() ||
      !parse_histogram(*histogram, s.measure.weights, &s.histogram, problem)) {
    if (histogram == object.end()) *problem = missing("histogram", "given");
    return false;
  }
  const std::uint64_t scored = *searched - *without_map - *rejected - *sealed;
  if (s.histogram && s.histogram->total() != scored) {
    *problem = "\"histogram\" counts " + std::to_string(s.histogram->total()) +
               " scores, but the counts leave " + std::to_string(scored) + " seeds scored";
    return false;
  }
  s.top = *top;
  s.without_map = *without_map;
  s.rejected = *rejected;
  s.sealed = *sealed;
  s.searches = *searches;
  s.stopped = stopped->get<bool>();
  s.seconds = seconds->get<double>();
  return true;
}

bool parse_ranked(const Json& object, RankedLine* line) {
  const auto seed = count_at(object, "seed", 4294967295);
  const auto score = object.find("score");
  if (!seed || score == object.end() || !score->is_number() ||
      !std::isfinite(score->get<double>()) || score->get<double>() < 0) {
    return false;
  }
  line->seed = static_cast<std::uint32_t>(*seed);
  line->score = score->get<double>();
  line->race_fairness = std::nullopt;
  if (const auto race = object.find("race_fairness"); race != object.end()) {
    if (!race->is_number() || !(race->get<double>() >= 0) || race->get<double>() > 1) return false;
    line->race_fairness = race->get<double>();
  }
  return true;
}

// "race": null (or left out, by an older search), or the top raced and the
// race's options, each within what race accepts.
bool parse_race(const Json& object, SearchSummary* summary, std::string* problem) {
  summary->race_top = std::nullopt;
  summary->race = RaceOptions{};
  const auto found = object.find("race");
  if (found == object.end() || found->is_null()) return true;
  // Each is 1 or more: 0 stands for one missing or out of range.
  const auto field = [&found](const char* key, std::uint64_t high) -> std::uint64_t {
    return found->is_object() ? count_at(*found, key, high).value_or(0) : 0;
  };
  const std::uint64_t top = field("top", 100000);
  const std::uint64_t diggers = field("diggers", kMaxDiggers);
  const std::uint64_t time = field("time", kMaxRaceTime);
  const std::uint64_t gem = field("gem_period", kMaxRacePeriod);
  const std::uint64_t portal = field("portal_period", kMaxRacePeriod);
  if (top == 0 || diggers == 0 || time == 0 || gem == 0 || portal == 0) {
    *problem =
        R"("race" must be null or {"top", "diggers", "time", "gem_period", "portal_period"}, )"
        "each within what the race accepts";
    return false;
  }
  summary->race_top = static_cast<std::size_t>(top);
  summary->race.diggers = static_cast<std::int32_t>(diggers);
  summary->race.time = static_cast<std::int32_t>(time);
  summary->race.gem_period = static_cast<std::int32_t>(gem);
  summary->race.portal_period = static_cast<std::int32_t>(portal);
  return true;
}

// "symmetry" and "prefer": both null (or left out, by an older search), or
// a mode and a figure by their names.
bool parse_symmetric(const Json& object, std::optional<SymmetricSearch>* symmetric,
                     std::string* problem) {
  *symmetric = std::nullopt;
  const Json none = nullptr;
  const Json& mode = object.contains("symmetry") ? object.at("symmetry") : none;
  const Json& prefer = object.contains("prefer") ? object.at("prefer") : none;
  if (mode.is_null() && prefer.is_null()) return true;
  std::optional<Symmetry> symmetry;
  std::optional<Figure> figure;
  if (mode.is_string()) symmetry = symmetry_named(mode.get<std::string>());
  if (prefer.is_string()) figure = figure_named(prefer.get<std::string>());
  if (!symmetry || !figure) {
    *problem = R"("symmetry" and "prefer" must be a mode and a figure by name, or both null)";
    return false;
  }
  if (const std::string why = prefer_problem(*figure, *symmetry); !why.empty()) {
    *problem = "\"prefer\": " + why;
    return false;
  }
  *symmetric = SymmetricSearch{*symmetry, *figure};
  return true;
}

}  // namespace

Json options_json(const SearchSummary& summary) {
  const MeasureOptions& measure = summary.measure;
  const std::optional<SymmetricSearch>& symmetric = summary.symmetric;
  const std::optional<std::int32_t>& min_border_gap = summary.min_border_gap;
  Json costs = Json::object();
  for (const TileCode& code : kTileCodes) {
    const std::uint16_t cost = measure.costs[code.code];
    costs[std::string(1, code.code)] = cost == CostTable::kWall ? Json("wall") : Json(cost);
  }
  Json weights = Json::object();
  Json caps = Json::object();
  for (std::size_t f = 0; f < kFigureCount; ++f) {
    weights[std::string(kFigures[f].name)] = measure.weights[f];
    if (summary.caps[f]) caps[std::string(kFigures[f].name)] = *summary.caps[f];
  }
  Json race = nullptr;
  if (summary.race_top) {
    race = race_options_json(summary.race);
    race["top"] = *summary.race_top;
  }
  return {{"costs", costs},
          {"weights", weights},
          {"max_spread", caps},
          {"reach", measure.reach},
          {"radius", measure.radius},
          {"min_border_gap", min_border_gap ? Json(*min_border_gap) : Json(nullptr)},
          {"symmetry", symmetric ? Json(symmetry_mode(symmetric->symmetry).name) : Json(nullptr)},
          {"prefer", symmetric ? Json(info(symmetric->prefer).name) : Json(nullptr)},
          {"race", race}};
}

namespace {

// "max_spread": an object of figures by name, each a cap from 0 to 1.
bool parse_caps(const Json& object, SpreadCaps* caps, std::string* problem) {
  const auto found = object.find("max_spread");
  *caps = SpreadCaps{};
  if (found == object.end() || !found->is_object()) {
    *problem = R"("max_spread" must be an object of figures, each a cap from 0 to 1)";
    return false;
  }
  bool all_caps = true;
  for (const auto& [name, cap] : found->items()) {
    const std::optional<Figure> figure = figure_named(name);
    all_caps =
        all_caps && figure && cap.is_number() && cap.get<double>() >= 0 && cap.get<double>() <= 1;
    if (all_caps) (*caps)[static_cast<std::size_t>(*figure)] = cap.get<double>();
  }
  if (!all_caps) {
    *problem = R"("max_spread" must be an object of figures, each a cap from 0 to 1)";
  }
  return all_caps;
}

}  // namespace

bool parse_options(const Json& object, SearchSummary* summary, std::string* problem) {
  MeasureOptions* measure = &summary->measure;
  std::optional<std::int32_t>* min_border_gap = &summary->min_border_gap;
  *measure = MeasureOptions{};
  if (!parse_symmetric(object, &summary->symmetric, problem)) return false;
  if (!object.is_object()) {
    *problem = "not an object";
    return false;
  }
  if (!parse_caps(object, &summary->caps, problem)) return false;
  if (!parse_race(object, summary, problem)) return false;
  const auto costs = object.find("costs");
  const auto weights = object.find("weights");
  const auto reach = count_at(object, "reach", kMaxReach);
  const auto radius = count_at(object, "radius", kMaxRadius);
  const auto gap = object.find("min_border_gap");
  if (costs == object.end() || !costs->is_object() || weights == object.end() ||
      !weights->is_object() || !reach || !radius || gap == object.end() ||
      !(gap->is_null() || gap->is_number_unsigned())) {
    *problem = R"("costs", "weights", "reach", "radius" and "min_border_gap" are needed)";
    return false;
  }
  for (const TileCode& code : kTileCodes) {
    const auto cost = costs->find(std::string(1, code.code));
    const bool wall = cost != costs->end() && *cost == "wall";
    const bool number = cost != costs->end() && cost->is_number_unsigned() &&
                        cost->get<std::uint64_t>() >= 1 &&
                        cost->get<std::uint64_t>() <= CostTable::kMaxCost;
    if (!wall && !number) {
      *problem = "the cost of \"" + std::string(1, code.code) + R"(" must be 1 to 1000 or "wall")";
      return false;
    }
    measure->costs.set(code.code,
                       wall ? CostTable::kWall : static_cast<std::uint16_t>(cost->get<int>()));
  }
  for (std::size_t f = 0; f < kFigureCount; ++f) {
    const auto weight = weights->find(std::string(kFigures[f].name));
    if (weight == weights->end() || !weight->is_number() || weight->get<double>() < 0 ||
        weight->get<double>() > 100) {
      *problem = "the weight of \"" + std::string(kFigures[f].name) + "\" must be 0 to 100";
      return false;
    }
    measure->weights[f] = weight->get<double>();
  }
  measure->reach = static_cast<std::int64_t>(*reach);
  measure->radius = static_cast<std::int32_t>(*radius);
  *min_border_gap = std::nullopt;
  if (gap->is_number_unsigned() && gap->get<std::uint64_t>() <= 1000000) {
    *min_border_gap = gap->get<std::int32_t>();
  } else if (!gap->is_null()) {
    *problem = "\"min_border_gap\" must be null or 0 to 1000000";
    return false;
  }
  return true;
}

Json summary_json(const SearchSummary& s) {
  Json ranges = Json::array();
  std::uint64_t searched = 0;
  for (const SearchRange& r : s.searched) {
    ranges.push_back({{"from", r.from}, {"seeds", r.seeds}});
    searched += r.seeds;
  }
  Json histogram = nullptr;
  if (s.histogram) {
    histogram = {{"bin_width", ScoreHistogram::kBinWidth}, {"counts", s.histogram->counts}};
  }
  Json asked = nullptr;
  Json resume = nullptr;
  if (s.asked) {
    asked = {{"from", s.asked->from}, {"seeds", s.asked->seeds}};
    if (s.stopped) resume = static_cast<std::uint64_t>(s.asked->from) + searched;
  }
  return {{"summary", true},
          {"searched", searched},
          {"without_map", s.without_map},
          {"rejected", s.rejected},
          {"sealed", s.sealed},
          {"seconds", s.seconds},
          {"stopped", s.stopped},
          {"resume_from", resume},
          {"ranges", ranges},
          {"range", asked},
          {"params", params_json(s.params, std::nullopt)},
          {"options", options_json(s)},
          {"top", s.top},
          {"searches", s.searches},
          {"histogram", histogram}};
}

namespace {

// The seeds searched, given the ranges in order of their first seed.
bool in_ranges(const std::vector<SearchRange>& ranges, std::uint32_t seed) {
  const auto after = std::ranges::upper_bound(ranges, seed, std::less<>(),
                                              [](const SearchRange& r) { return r.from; });
  return after != ranges.begin() && seed - std::prev(after)->from < std::prev(after)->seeds;
}

// Whether two ranked lines of a search are in its order: by score, then
// seed (symmetric maps all score 0 and rank by a figure the line does not
// hold, so only their scores are compared).
bool in_order(const RankedLine& before, const RankedLine& line, bool symmetric) {
  return line.score > before.score ||
         (line.score == before.score && (symmetric || line.seed >= before.seed));
}

// Whether a search could have ranked these seeds: as many as its top (or
// its raced seeds) and its scored seeds allow, each once, within its own
// ranges, best first; of a search that raced its best, the raced ones
// first, by race fairness, and the rest after them by score.
bool check_ranked(const SearchOutput& output, std::string* problem) {
  const SearchSummary& s = output.summary;
  std::uint64_t searched = 0;
  for (const SearchRange& r : s.searched)
    searched += r.seeds;
  const std::uint64_t scored = searched - s.without_map - s.rejected - s.sealed;
  const std::uint64_t expected = std::min<std::uint64_t>(ranked_rows(s), scored);
  if (output.ranked.size() != expected) {
    *problem = "its summary leaves " + std::to_string(scored) + " seeds scored and a top of " +
               std::to_string(ranked_rows(s)) + ", so it ranks " + std::to_string(expected) +
               ", but " + std::to_string(output.ranked.size()) + " ranked lines come before it";
    return false;
  }
  const std::size_t raced = std::min<std::size_t>(s.race_top.value_or(0), output.ranked.size());
  double worst_raced = 0;  // the highest score of a raced seed
  for (std::size_t i = 0; i < output.ranked.size(); ++i) {
    const RankedLine& r = output.ranked[i];
    if (!in_ranges(s.searched, r.seed)) {
      *problem = "it ranks seed " + std::to_string(r.seed) + ", which it did not search";
      return false;
    }
    if (r.race_fairness.has_value() != (i < raced)) {
      *problem = "its best " + std::to_string(raced) + " seeds, and no others, must have a " +
                 "\"race_fairness\" (seed " + std::to_string(r.seed) + ")";
      return false;
    }
    const RankedLine* before = i > 0 ? &output.ranked[i - 1] : nullptr;
    bool ordered = true;
    if (i < raced) {
      worst_raced = std::max(worst_raced, r.score);
      ordered = before == nullptr || *r.race_fairness > *before->race_fairness ||
                (*r.race_fairness == *before->race_fairness &&
                 in_order(*before, r, s.symmetric.has_value()));
    } else if (i == raced && raced > 0) {
      // The race reorders the best seeds only: every seed after them ranks
      // after each of them by score.
      ordered = r.score >= worst_raced;
    } else {
      ordered = before == nullptr || in_order(*before, r, s.symmetric.has_value());
    }
    if (!ordered) {
      *problem = "its ranked seeds are not best first (seed " + std::to_string(r.seed) +
                 (before != nullptr ? " after seed " + std::to_string(before->seed) : "") + ")";
      return false;
    }
  }
  std::vector<std::uint32_t> seeds;
  seeds.reserve(output.ranked.size());
  for (const RankedLine& r : output.ranked)
    seeds.push_back(r.seed);
  std::ranges::sort(seeds);
  if (const auto twice = std::ranges::adjacent_find(seeds); twice != seeds.end()) {
    *problem = "it ranks seed " + std::to_string(*twice) + " twice";
    return false;
  }
  return true;
}

// A search's lines hold a few levels of objects and lists, and at most a
// histogram's worth of numbers.
constexpr JsonLimits kLineLimits{6, 40000};

}  // namespace

bool SearchOutputReader::read(std::string_view piece, std::string* problem) {
  while (!piece.empty()) {
    const std::size_t end = piece.find('\n');
    const std::string_view part = piece.substr(0, end);
    if (partial_.size() + part.size() > kMaxSearchLineBytes) {
      *problem = "line " + std::to_string(number_ + 1) + ": longer than " +
                 std::to_string(kMaxSearchLineBytes) +
                 " bytes; no line of search --json is that long";
      return false;
    }
    if (end == std::string_view::npos) {
      partial_ += part;
      return true;
    }
    piece.remove_prefix(end + 1);
    bool ok = false;
    if (partial_.empty()) {
      ok = line(part, problem);
    } else {
      partial_ += part;
      ok = line(partial_, problem);
      partial_.clear();
    }
    if (!ok) return false;
  }
  return true;
}

bool SearchOutputReader::end(std::string* problem) {
  if (!partial_.empty()) {
    const std::string last = std::move(partial_);
    partial_.clear();
    if (!line(last, problem)) return false;
  }
  if (open_ || !any_) {
    *problem = "no summary line at the end: the search did not finish writing";
    return false;
  }
  return true;
}

bool SearchOutputReader::line(std::string_view text, std::string* problem) {
  ++number_;
  if (text.find_first_not_of(" \t\r") == std::string_view::npos) return true;
  const std::string where = "line " + std::to_string(number_) + ": ";
  Json object;
  JsonError error;
  const bool json = read_json(text, kLineLimits, &object, &error);
  const bool syntax =
      error.kind == JsonError::Kind::kSyntax || error.kind == JsonError::Kind::kEndsTooSoon;
  if (!json && !syntax) {
    *problem =
        where + json_error_text(error, kLineLimits) + "; no line of search --json holds that";
    return false;
  }
  if (!json || !object.is_object()) {
    *problem = where + "not a JSON object; is this the output of search --json?";
    return false;
  }
  open_ = true;
  if (!object.contains("summary")) {
    RankedLine ranked;
    if (!parse_ranked(object, &ranked)) {
      *problem = where + R"(a ranked seed needs its "seed" and a "score" of 0 or more, )"
                         R"(and a raced one a "race_fairness" from 0 to 1)";
      return false;
    }
    if (output_.ranked.size() == kMaxRankedLines) {
      *problem = where + "more than " + std::to_string(kMaxRankedLines) +
                 " ranked seeds before a summary; no search ranks more";
      return false;
    }
    output_.ranked.push_back(ranked);
    return true;
  }
  if (!parse_summary(object, &output_, problem) || !check_ranked(output_, problem)) {
    *problem = where + *problem;
    return false;
  }
  open_ = false;
  any_ = true;
  SearchOutput whole = std::move(output_);
  output_ = SearchOutput{};
  if (!take_(std::move(whole))) {
    problem->clear();
    return false;
  }
  return true;
}

}  // namespace tarnix
