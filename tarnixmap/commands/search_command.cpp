#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <string>

#include "tarnixmap/commands/commands.h"
#include "tarnixmap/commands/heart_advice.h"
#include "tarnixmap/commands/interrupt.h"
#include "tarnixmap/commands/report.h"
#include "tarnixmap/commands/search_output.h"
#include "tarnixmap/fairness/figure_text.h"
#include "tarnixmap/fairness/search.h"
#include "tarnixmap/output/json_output.h"
#include "tarnixmap/output/params_json.h"
#include "tarnixmap/race/race_ranking.h"
#include "tarnixmap/values/map_values.h"
#include "tarnixmap/values/symmetry_options.h"
#include "tarnixrandommap/run/generate.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

// A number of bytes as a person reads it: "67.1 MB", "2.15 GB".
std::string in_bytes(std::uint64_t bytes) {
  const auto value = static_cast<double>(bytes);
  if (value >= 1e9) return fixed(value / 1e9, 2) + " GB";
  if (value >= 1e6) return fixed(value / 1e6, 1) + " MB";
  return std::to_string(bytes) + " bytes";
}

std::string ranked_name(const std::string& name, std::size_t rank, std::uint32_t seed) {
  return name + "_rank" + std::to_string(rank) + "_seed" + std::to_string(seed);
}

// The one line a terminal shows while a search runs, redrawn in place.
class ProgressLine {
 public:
  ProgressLine(bool shown, std::uint64_t total, std::optional<Figure> preferred, Console& err)
      : shown_(shown), total_(total), preferred_(preferred), err_(err) {}

  void draw(const SearchProgress& progress) {
    const double seconds = elapsed();
    if (!shown_ || seconds < 0.3) return;
    const std::uint64_t done = progress.done.load();
    const double rate = static_cast<double>(done) / seconds;
    std::string line = "\rsearching: " + std::to_string(done) + " of " + std::to_string(total_) +
                       " seeds, " + std::to_string(static_cast<std::uint64_t>(rate)) +
                       " seeds/s, best " + best_text(progress);
    if (rate > 0) {
      line += ", " + std::to_string(std::llround(static_cast<double>(total_ - done) / rate)) +
              " s left";
    }
    err_.text(line + "\033[K");
    err_.flush();
    drawn_ = true;
  }

  void erase() {
    if (!drawn_) return;
    err_.text("\r\033[K");
    err_.flush();
  }

  [[nodiscard]] double elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

  [[nodiscard]] std::string best_text(const SearchProgress& progress) const {
    return progress_best_text(progress, preferred_);
  }

 private:
  bool shown_;
  std::uint64_t total_;
  std::optional<Figure> preferred_;
  Console& err_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Writes the kept seeds' maps, each exactly as the generator writes it.
bool write_best(const SearchRequest& request, MapParams params, const SearchResult& result,
                const std::optional<SymmetricSearch>& symmetric, Console& out, Console& err,
                FileSystem& files) {
  const std::string name = params.name;
  const std::size_t kept = std::min(request.keep.value_or(1), result.best.size());
  bool ok = true;
  for (std::size_t i = 0; i < kept; ++i) {
    const RankedSeed& r = result.best[i];
    if (request.keep) params.name = ranked_name(name, i + 1, r.seed);
    const std::string path = map_file_name(params);
    StringSink quiet;  // the generator's messages were for each seed; none is news here
    Console messages(quiet);
    const GeneratedMap map =
        generate_map(params, path, r.seed, messages, files, symmetry_of(symmetric));
    if (map.outcome != MapOutcome::kWritten) {
      err.line("tarnixmap: " + write_failed_message(path, map.error));
      ok = false;
      continue;
    }
    Console& notice = request.json ? err : out;
    std::string preferred;
    if (symmetric) {
      preferred = ", symmetry " + std::string(symmetry_mode(symmetric->symmetry).name) + ", " +
                  std::string(info(symmetric->prefer).name) + " " +
                  fixed(preferred_value(r, symmetric->prefer), 2);
    }
    notice.line(printable(path) + ": seed " + std::to_string(r.seed) + ", score " +
                fixed(r.score(), 4) + preferred);
    if (request.preview &&
        !write_preview(params, map, r.seed, request.measure, params.name + ".png", err, files)) {
      ok = false;
    }
  }
  return ok;
}

// Refuses, with a usage error on `err`, outputs that would overwrite the
// --params or --weights file: checked before any of them is written.
bool outputs_clear(const SearchRequest& request, const std::vector<std::string>& outputs,
                   Console& err, FileSystem& files) {
  std::vector<std::pair<std::string, std::string>> inputs;  // each input, and what it is
  if (!request.params_file.empty()) inputs.emplace_back(request.params_file, "--params");
  if (!request.weights_file.empty()) inputs.emplace_back(request.weights_file, "--weights");
  for (const auto& [input, option] : inputs) {
    const std::vector<std::string> one = {input};
    const std::optional<Clash> clash = find_clash(one, outputs, files);
    if (!clash) continue;
    err.line("tarnixmap search: " + printable(outputs[clash->output]) + " is the " + option +
             " file " + printable(input) + "; it would be overwritten");
    return false;
  }
  return true;
}

// The maps (and pictures) the search writes for its best seeds, and the
// page: all but the names of kept maps, which tell their seeds, are known
// before the search.
std::vector<std::string> written_names(const SearchRequest& request, MapParams params,
                                       const std::vector<RankedSeed>* best) {
  std::vector<std::string> names;
  if (!request.report.empty()) names = report_outputs(request.report, request.top);
  if (request.no_write || (request.keep && best == nullptr)) return names;
  const std::string name = params.name;
  const std::size_t kept = request.keep ? std::min(*request.keep, best->size()) : 1;
  for (std::size_t i = 0; i < kept; ++i) {
    if (request.keep) params.name = ranked_name(name, i + 1, (*best)[i].seed);
    names.push_back(map_file_name(params));
    if (request.preview) names.push_back(params.name + ".png");
  }
  return names;
}

// The request's values as the generator takes them, or nothing after a
// usage error on `err`.
std::optional<MapParams> checked_params(const SearchRequest& request,
                                        const std::array<std::string, kArgumentCount>& values,
                                        std::uint32_t from, Console& err) {
  MapParams params = params_of(values);
  if (request.seeds - 1 > static_cast<std::uint64_t>(kLastSeed - from)) {
    err.line("tarnixmap search: --seeds " + std::to_string(request.seeds) + " from seed " +
             std::to_string(from) + " would go past seed " + std::to_string(kLastSeed) +
             "; at most " + std::to_string(kLastSeed - from + 1) +
             (from == kLastSeed ? " seed starts there" : " seeds start there"));
    return std::nullopt;
  }
  // The longest name written decides whether every name is acceptable.
  MapParams longest = params;
  if (request.keep)
    longest.name = ranked_name(params.name, *request.keep, static_cast<std::uint32_t>(kLastSeed));
  const std::vector<std::string> problems = validate(longest);
  for (const std::string& problem : problems)
    err.line("tarnixmap search: " + problem);
  if (!problems.empty()) return std::nullopt;
  return params;
}

// The files a page must not be written over.
std::vector<std::string> page_inputs(const SearchRequest& request) {
  std::vector<std::string> inputs;
  for (const std::string* input : {&request.params_file, &request.weights_file}) {
    if (!input->empty()) inputs.push_back(*input);
  }
  return inputs;
}

}  // namespace

int search_command(const SearchRequest& request, std::uint32_t clock_seed, Console& out,
                   Console& err, FileSystem& files) {
  std::array<std::string, kArgumentCount> values = request.values;
  std::optional<std::uint32_t> first = request.from;
  std::optional<Symmetry> symmetry = request.symmetry;
  if (std::string problem;
      !request.params_file.empty() &&
      !apply_params_file(request.params_file, request.given, values,
                         {&first, &symmetry, request.symmetry_given}, files, &problem)) {
    err.line("tarnixmap search: " + problem);
    return kExitUsage;
  }
  const std::uint32_t from = first.value_or(clock_seed);
  const std::optional<MapParams> params = checked_params(request, values, from, err);
  if (!params) return kExitUsage;
  if (request.race_given && !request.race_top) {
    err.line(
        "tarnixmap search: --diggers, --time, --gem-period and --portal-period set the race of "
        "--race-top; they need it");
    return kExitUsage;
  }
  if (request.prefer && !symmetry) {
    err.line(
        "tarnixmap search: --prefer ranks symmetric maps, whose scores are all 0; it needs "
        "--symmetry");
    return kExitUsage;
  }
  if (const std::string problem =
          symmetry ? prefer_problem(request.prefer.value_or(Figure::kGoldWithin), *symmetry) : "";
      !problem.empty()) {
    err.line("tarnixmap search: " + problem);
    return kExitUsage;
  }
  if (symmetry && !check_symmetry("tarnixmap search", *symmetry, *params, err)) return kExitUsage;
  if (!outputs_clear(request, written_names(request, *params, nullptr), err, files))
    return kExitUsage;
  warn_of_amounts_beyond_reach("tarnixmap search", *params, err);

  SearchOptions options;
  options.measure = request.measure;
  options.min_border_gap = request.min_border_gap;
  options.caps = request.caps;
  if (symmetry)
    options.symmetric = SymmetricSearch{*symmetry, request.prefer.value_or(Figure::kGoldWithin)};
  options.top = std::max({request.top, request.keep.value_or(1), request.race_top.value_or(0)});
  const std::uint64_t per_worker = worker_bytes(*params, measures_dig_time(options));
  const WorkerPlan plan =
      plan_workers(request.threads, request.cores, per_worker, request.memory_available,
                   chunk_count(*params, {from, request.seeds}));
  if (plan.too_many) {
    err.line("tarnixmap search: --threads " + std::to_string(*request.threads) + " would hold " +
             std::to_string(*request.threads) + " maps of " + std::to_string(params->width) +
             " x " + std::to_string(params->height) + " squares, " +
             in_bytes(per_worker * *request.threads) + ", but " +
             in_bytes(*request.memory_available) + " of memory is available; at most " +
             std::to_string(std::max(1U, plan.fit)) + " fit");
    return kExitUsage;
  }
  options.threads = plan.threads;
  options.histogram = request.histogram || !request.report.empty();
  SearchProgress progress;
  ProgressLine line(request.show_progress, request.seeds,
                    options.symmetric ? std::optional(options.symmetric->prefer) : std::nullopt,
                    err);
  SearchResult result;
  {
    // Ctrl-C is caught only while the seeds are searched: writing the maps
    // afterwards is stopped by it as any write is.
    std::optional<CatchInterrupt> ctrl_c;
    if (request.interrupted == nullptr) ctrl_c.emplace();
    const std::atomic<bool>& interrupted =
        request.interrupted != nullptr ? *request.interrupted : CatchInterrupt::flag();
    result = search_seeds(*params, {from, request.seeds}, options, progress, [&] {
      if (interrupted) progress.stop = true;
      line.draw(progress);
    });
    // It stops the search whenever it comes, even after the workers have
    // taken the last seeds: the exit code says so.
    result.stopped = result.stopped || interrupted;
  }
  line.erase();
  if (result.out_of_memory) {
    err.line("tarnixmap search: " + no_memory_message(*params));
    return kExitFailed;
  }
  if (request.race_top && !result.stopped && !result.best.empty()) {
    RaceOptions race = request.race;
    race.costs = request.measure.costs;
    const std::atomic<bool>& interrupted =
        request.interrupted != nullptr ? *request.interrupted : CatchInterrupt::flag();
    std::optional<CatchInterrupt> ctrl_c;
    if (request.interrupted == nullptr) ctrl_c.emplace();
    std::atomic<std::uint64_t> raced{0};
    const RaceOutcome outcome =
        race_best(*params, symmetry_of(options.symmetric), race, *request.race_top, options.threads,
                  result.best, interrupted, raced);
    if (outcome == RaceOutcome::kOutOfMemory) {
      err.line("tarnixmap search: " + no_memory_message(*params));
      return kExitFailed;
    }
    if (outcome == RaceOutcome::kStopped) {
      err.line("tarnixmap search: stopped by Ctrl-C while racing the best " +
               counted(std::min(*request.race_top, result.best.size()), "seed") +
               "; nothing was written");
      return 128 + SIGINT;
    }
  }
  const double seconds = line.elapsed();
  SearchResult shown = result;
  SearchResult listed = result;  // the JSON lists every raced seed, for merging
  if (shown.best.size() > request.top) shown.best.resize(request.top);

  SearchSummary summary;
  summary.params = *params;
  summary.measure = request.measure;
  summary.min_border_gap = request.min_border_gap;
  summary.caps = request.caps;
  summary.symmetric = options.symmetric;
  summary.top = request.top;
  summary.searched = {{from, result.searched}};
  summary.asked = SearchRange{from, request.seeds};
  summary.without_map = result.without_map;
  summary.rejected = result.rejected;
  summary.sealed = result.sealed;
  if (options.histogram) summary.histogram = result.histogram;
  summary.seconds = seconds;
  summary.stopped = result.stopped;
  if (!result.stopped) {
    // A stopped search races nothing, and says so: its ranking is by score.
    summary.race_top = request.race_top;
    summary.race = request.race;
  }
  if (listed.best.size() > ranked_rows(summary)) listed.best.resize(ranked_rows(summary));
  // Hearts that fit on no seed are said in one line, with what would fit,
  // not as an empty table.
  const bool heartless = result.searched > 0 && result.without_map == result.searched;
  if (request.json) {
    print_ranking_json(listed, summary, out);
  } else if (!heartless) {
    if (!shown.best.empty()) print_ranking_table(shown, summary.symmetric, out);
    out.line(totals_text(summary));
  }
  if (result.stopped) {
    err.line("tarnixmap search: stopped by Ctrl-C after " + std::to_string(result.searched) +
             " of " + counted(request.seeds, "seed") + "; seeds " + std::to_string(from) + " to " +
             std::to_string(from + result.searched - 1) + " were searched" +
             (request.race_top ? "; the best were not raced" : ""));
  }
  if (heartless && !result.stopped) {
    err.line("tarnixmap search: " +
             hearts_do_not_fit_text(*params, result.searched,
                                    advise_hearts(*params, symmetry_of(options.symmetric))) +
             "; nothing was written");
    return kExitFailed;
  }
  if (result.best.empty()) {
    err.line("tarnixmap search: no seed searched gives a map that can be ranked (" +
             std::to_string(result.without_map) + " without a map, " +
             std::to_string(result.sealed) + " sealed, " + std::to_string(result.rejected) +
             " rejected); nothing was written");
    return result.stopped ? 128 + SIGINT : kExitFailed;
  }
  if (request.keep &&
      !outputs_clear(request, written_names(request, *params, &result.best), err, files)) {
    return kExitUsage;
  }
  const bool written =
      request.no_write || write_best(request, *params, result, options.symmetric, out, err, files);
  const std::string heading = "tarnixmap search: the best of " + counted(result.searched, "seed") +
                              " from " + std::to_string(from) + " for " + printable(params->name);
  const bool reported =
      request.report.empty() ||
      write_ranking_report(request.report, heading, shown, summary, page_inputs(request),
                           request.json ? err : out, err, files);
  if (result.stopped) return 128 + SIGINT;
  return written && reported ? kExitOk : kExitFailed;
}

}  // namespace tarnix
