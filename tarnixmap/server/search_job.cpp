#include "tarnixmap/server/search_job.h"

#include <chrono>
#include <cmath>

#include "tarnixmap/drawing/histogram_svg.h"
#include "tarnixmap/output/json_output.h"
#include "tarnixmap/server/preview.h"

namespace tarnix {

namespace {

using Clock = std::chrono::steady_clock;

// Thumbnails of the ranking, in pixels on the longer side.
constexpr std::int32_t kThumbnailSide = 120;

// A progress event at most this often: a few a second is smooth enough.
constexpr auto kProgressEvery = std::chrono::milliseconds(200);

nlohmann::json progress_json(const SearchProgress& progress, std::uint64_t total, double seconds) {
  const std::uint64_t done = progress.done.load();
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  const double best = progress.best_score.load();
  return {{"done", done},
          {"total", total},
          {"seconds", seconds},
          {"rate", rate},
          {"best", std::isfinite(best) ? nlohmann::json(best) : nlohmann::json(nullptr)},
          {"left", rate > 0 ? nlohmann::json(static_cast<double>(total - done) / rate)
                            : nlohmann::json(nullptr)}};
}

// A ranked map; its thumbnail drawn unless `hurry` (a cancelled search
// answers at once: each picture means making its map again).
nlohmann::json ranked_json(const SearchJobRequest& request, const RankedSeed& ranked, bool hurry) {
  nlohmann::json object = {{"seed", ranked.seed}, {"score", ranked.score()}};
  put_fairness(object, ranked.fairness, request.map.measure.weights);
  MapRequest map = request.map;
  map.seed = ranked.seed;
  const std::string png = hurry ? std::string() : thumbnail_png(map, kThumbnailSide);
  object["thumbnail"] = png.empty() ? nlohmann::json(nullptr)
                                    : nlohmann::json("data:image/png;base64," + base64(png));
  return object;
}

nlohmann::json result_json(const SearchJobRequest& request, const SearchResult& result,
                           double seconds, const SearchSlot& slot) {
  nlohmann::json best = nlohmann::json::array();
  std::vector<double> scores;
  for (const RankedSeed& ranked : result.best) {
    best.push_back(ranked_json(request, ranked, slot.cancelled()));
    scores.push_back(ranked.score());
  }
  return {{"best", best},
          {"searched", result.searched},
          {"total", request.seeds},
          {"without_map", result.without_map},
          {"rejected", result.rejected},
          {"sealed", result.sealed},
          {"stopped", result.stopped},
          {"seconds", seconds},
          {"histogram", result.histogram.total() > 0
                            ? nlohmann::json(histogram_svg(result.histogram, scores))
                            : nlohmann::json(nullptr)}};
}

}  // namespace

bool SearchSlot::try_take() {
  if (closed_) return false;
  bool expected = false;
  if (!busy_.compare_exchange_strong(expected, true)) return false;
  cancel_ = false;
  // A close that came between the first look and taking the slot still
  // stops this search.
  if (closed_) cancel_ = true;
  return true;
}

void SearchSlot::release() {
  busy_ = false;
}

bool SearchSlot::cancel() {
  if (!busy_) return false;
  cancel_ = true;
  return true;
}

void SearchSlot::close() {
  closed_ = true;
  cancel_ = true;
}

void run_search_job(const SearchJobRequest& request, unsigned threads, const SearchSlot& slot,
                    const EventSender& send) {
  const MapParams& params = request.map.params;
  SearchOptions options;
  options.measure = request.map.measure;
  options.caps = request.caps;
  options.min_border_gap = request.min_border_gap;
  if (request.map.symmetry) options.symmetric = SymmetricSearch{*request.map.symmetry};
  options.top = request.top;
  options.histogram = true;
  const SearchRange range{request.map.seed, request.seeds};
  options.threads =
      plan_workers(threads, threads, 0, std::nullopt, chunk_count(params, range)).threads;
  SearchProgress progress;
  const Clock::time_point start = Clock::now();
  Clock::time_point last = start;
  bool gone = false;  // the page stopped listening
  const auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
  const SearchResult result = search_seeds(params, range, options, progress, [&] {
    if (slot.cancelled() || gone) progress.stop = true;
    if (gone || Clock::now() - last < kProgressEvery) return;
    last = Clock::now();
    gone = !send(sse_event("progress", progress_json(progress, request.seeds, elapsed())));
    if (gone) progress.stop = true;
  });
  if (gone) return;
  if (result.out_of_memory) throw std::bad_alloc();
  const double seconds = elapsed();
  if (!send(sse_event("progress", progress_json(progress, request.seeds, seconds)))) return;
  (void)send(sse_event("done", result_json(request, result, seconds, slot)));
}

std::string sse_event(const std::string& name, const nlohmann::json& data) {
  // dump() escapes every line break, so the data is one line.
  return "event: " + name + "\ndata: " + data.dump() + "\n\n";
}

std::string base64(std::string_view bytes) {
  static constexpr std::string_view kDigits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t group = 0;
    for (std::size_t j = 0; j < 3; ++j) {
      const auto byte = j < n ? static_cast<unsigned char>(bytes[i + j]) : 0U;
      group = (group << 8U) | byte;
    }
    for (std::size_t j = 0; j < 4; ++j)
      text += j <= n ? kDigits[(group >> (18U - 6U * j)) & 63U] : '=';
  }
  return text;
}

}  // namespace tarnix
