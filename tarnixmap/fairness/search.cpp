#include "tarnixmap/fairness/search.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <numeric>
#include <optional>
#include <thread>

#include "tarnixrandommap/run/generate.h"

namespace tarnix {

namespace {

// Seeds per chunk: small enough that a stop is quick and the work is shared
// evenly on big maps, large enough that taking chunks costs nothing on
// small ones (about 4 million squares of map per chunk).
std::uint64_t chunk_size(const MapParams& params) {
  const std::uint64_t squares =
      static_cast<std::uint64_t>(params.width) * static_cast<std::uint64_t>(params.height);
  return std::clamp<std::uint64_t>((std::uint64_t{1} << 22U) / squares, 1, 1024);
}

// The best seeds one worker has seen: a heap whose front is the worst kept.
class TopSeeds {
 public:
  explicit TopSeeds(std::size_t size) : size_(size) { kept_.reserve(size + 1); }

  void offer(const RankedSeed& candidate) {
    if (kept_.size() == size_ && !ranks_before(candidate, kept_.front())) return;
    kept_.push_back(candidate);
    std::ranges::push_heap(kept_, ranks_before);
    if (kept_.size() > size_) {
      std::ranges::pop_heap(kept_, ranks_before);
      kept_.pop_back();
    }
  }

  [[nodiscard]] const std::vector<RankedSeed>& seeds() const { return kept_; }

  // The score a seed must not exceed to be kept: the worst kept, once
  // there are enough.
  [[nodiscard]] double threshold() const {
    return kept_.size() < size_ ? std::numeric_limits<double>::infinity()
                                : kept_.front().fairness.score;
  }

 private:
  std::size_t size_;
  std::vector<RankedSeed> kept_;
};

constexpr std::size_t kCacheLine = 64;

// What the workers share.
struct Shared {
  const MapParams& params;
  SearchRange range;
  std::uint64_t chunk;
  Disc disc;
  SearchProgress& progress;
  // Each on a cache line of its own, apart from what the workers only read:
  // a write to one must not make the other core fetch the rest again.
  alignas(kCacheLine) std::atomic<std::uint64_t> next_chunk{0};
  // The lowest of the workers' thresholds: the k-th best score of any one
  // worker's seeds is never below the k-th best of all seeds, so a map
  // above it can be given up by every worker.
  // The struct's size is a whole number of lines, so nothing after it
  // shares this one.
  alignas(kCacheLine) std::atomic<double> threshold{std::numeric_limits<double>::infinity()};
};

struct WorkerResult {
  ScoreHistogram histogram;
  std::vector<RankedSeed> best;
  std::uint64_t searched = 0;
  std::uint64_t without_map = 0;
  bool out_of_memory = false;
};

void lower_best(std::atomic<double>& best, double score) {
  double now = best.load(std::memory_order_relaxed);
  while (score < now && !best.compare_exchange_weak(now, score, std::memory_order_relaxed)) {
  }
}

// A map's figures are final phase by phase: distances and gems once the
// gems are placed, gold after gold; lava and water add only to hazards.
// The score of the figures known so far, with the rest counted as even, is
// never above the finished map's (every spread adds a share of zero or
// more, and rounding keeps the order of the sums), so a map whose partial
// score is already above the threshold can never be among the best kept:
// the phases left, gold, lava and water, most of the cost of a map, are
// skipped. The ranking is the same whichever maps are given up; only the
// work is less (on the typical map, about a third of it).
class SeedMeasure {
 public:
  SeedMeasure(const TileGrid& grid, const Disc& disc, const std::atomic<double>& threshold,
              RankedSeed& ranked)
      : grid_(grid), disc_(disc), threshold_(threshold), ranked_(ranked) {}

  // For place_phases: whether the map is still worth making.
  bool worth_going_on(PhaseDone phase, const PhaseReports& reports) {
    const std::span<StartFigures> starts = this->starts();
    if (phase == PhaseDone::kGems) {
      measure_distances(grid_, reports.hearts->placed(), starts);
      count_near(grid_, disc_, Near::kGems, starts);
    } else {
      count_near(grid_, disc_, Near::kGold, starts);
    }
    return !(judge(starts).score > threshold_.load(std::memory_order_relaxed));
  }

  // Distances, gems and gold of a map made without a look between phases.
  void measure_all(const PhaseReports& reports) {
    measure_distances(grid_, reports.hearts->placed(), starts());
    count_near(grid_, disc_, Near::kGems, starts());
    count_near(grid_, disc_, Near::kGold, starts());
  }

  // The finished map's figures and score.
  void finish() {
    count_near(grid_, disc_, Near::kHazards, starts());
    ranked_.fairness = judge(starts());
  }

 private:
  std::span<StartFigures> starts() {
    return std::span(ranked_.starts).first(static_cast<std::size_t>(ranked_.players));
  }

  const TileGrid& grid_;
  const Disc& disc_;
  const std::atomic<double>& threshold_;
  RankedSeed& ranked_;
};

// One worker: one grid, framed anew for each seed, never reallocated.
void work(Shared& shared, const SearchOptions& options, WorkerResult& result) {
  const MapParams params = shared.params;  // a copy of its own, in this thread's memory
  const Disc disc = shared.disc;
  std::optional<TileGrid> grid = TileGrid::create(params.width, params.height);
  if (!grid) {
    result.out_of_memory = true;
    shared.progress.stop = true;
    return;
  }
  TopSeeds best(options.top);
  RankedSeed ranked;
  ranked.players = params.players;
  SeedMeasure measure(*grid, disc, shared.threshold, ranked);
  // A histogram needs every map's score: no map is given up then.
  const PhaseCheck check =
      options.histogram ? PhaseCheck(nullptr)
                        : PhaseCheck([&measure](PhaseDone phase, const PhaseReports& reports) {
                            return measure.worth_going_on(phase, reports);
                          });
  while (!shared.progress.stop.load(std::memory_order_relaxed)) {
    const std::uint64_t first = shared.next_chunk.fetch_add(1) * shared.chunk;
    if (first >= shared.range.seeds) break;
    const std::uint64_t end = std::min(shared.range.seeds, first + shared.chunk);
    double chunk_best = std::numeric_limits<double>::infinity();
    for (std::uint64_t i = first; i < end; ++i) {
      ranked.seed = static_cast<std::uint32_t>(shared.range.from + i);
      init_grid(*grid);
      const PhaseReports reports = place_phases(params, *grid, ranked.seed, check);
      if (!reports.hearts) {
        ++result.without_map;
        continue;
      }
      if (!reports.complete) continue;  // it could not be kept
      if (options.histogram) measure.measure_all(reports);
      measure.finish();
      if (options.histogram) result.histogram.add(ranked.fairness.score);
      chunk_best = std::min(chunk_best, ranked.fairness.score);
      best.offer(ranked);
      lower_best(shared.threshold, best.threshold());
    }
    result.searched += end - first;
    shared.progress.done.fetch_add(end - first, std::memory_order_relaxed);
    lower_best(shared.progress.best_score, chunk_best);
  }
  result.best = best.seeds();
}

}  // namespace

std::uint64_t worker_bytes(const MapParams& params) {
  const std::uint64_t squares =
      static_cast<std::uint64_t>(params.width) * static_cast<std::uint64_t>(params.height);
  // The grid with its row ends, and a page of rounding.
  return squares + 2 * static_cast<std::uint64_t>(params.height) + 4096;
}

WorkerPlan plan_workers(std::optional<unsigned> asked, unsigned cores, std::uint64_t per_worker,
                        std::optional<std::uint64_t> available, std::uint64_t chunks) {
  WorkerPlan plan;
  plan.threads = asked.value_or(std::max(1U, cores));
  if (available && per_worker > 0) {
    plan.fit = static_cast<unsigned>(
        std::min<std::uint64_t>(*available / per_worker, std::numeric_limits<unsigned>::max()));
    if (plan.threads > std::max(1U, plan.fit)) {
      plan.too_many = asked.has_value();
      plan.threads = std::max(1U, plan.fit);
    }
  }
  plan.threads = static_cast<unsigned>(std::clamp<std::uint64_t>(chunks, 1, plan.threads));
  return plan;
}

std::uint64_t chunk_count(const MapParams& params, SearchRange range) {
  const std::uint64_t chunk = chunk_size(params);
  return (range.seeds + chunk - 1) / chunk;
}

void ScoreHistogram::add(double score) {
  const auto bin = static_cast<std::size_t>(std::max(0.0, score) / kBinWidth);
  ++counts[std::min(bin, kBins - 1)];
}

void ScoreHistogram::add(const ScoreHistogram& other) {
  for (std::size_t i = 0; i < kBins; ++i)
    counts[i] += other.counts[i];
}

std::uint64_t ScoreHistogram::total() const {
  return std::accumulate(counts.begin(), counts.end(), std::uint64_t{0});
}

bool ranks_before(const RankedSeed& a, const RankedSeed& b) {
  if (a.fairness.score != b.fairness.score) return a.fairness.score < b.fairness.score;
  return a.seed < b.seed;
}

SearchResult search_seeds(const MapParams& params, SearchRange range, const SearchOptions& options,
                          SearchProgress& progress, const std::function<void()>& tick) {
  Shared shared{params, range, chunk_size(params), Disc(options.radius), progress};
  std::vector<WorkerResult> results(options.threads);
  std::mutex mutex;
  std::condition_variable finished;
  unsigned running = options.threads;
  std::vector<std::thread> workers;
  workers.reserve(options.threads);
  for (unsigned t = 0; t < options.threads; ++t) {
    workers.emplace_back([&, t] {
      try {
        work(shared, options, results[t]);
      } catch (const std::bad_alloc&) {  // a thread must not end in an exception
        results[t].out_of_memory = true;
        progress.stop = true;
      }
      const std::lock_guard lock(mutex);
      --running;
      finished.notify_one();
    });
  }
  {
    std::unique_lock lock(mutex);
    while (!finished.wait_for(lock, std::chrono::milliseconds(100), [&] { return running == 0; })) {
      lock.unlock();
      tick();
      lock.lock();
    }
  }
  for (std::thread& worker : workers)
    worker.join();

  SearchResult result;
  for (WorkerResult& r : results) {
    result.searched += r.searched;
    result.without_map += r.without_map;
    result.out_of_memory = result.out_of_memory || r.out_of_memory;
    result.histogram.add(r.histogram);
    result.best.insert(result.best.end(), r.best.begin(), r.best.end());
  }
  std::ranges::sort(result.best, ranks_before);
  if (result.best.size() > options.top) result.best.resize(options.top);
  result.stopped = result.searched < range.seeds;
  return result;
}

}  // namespace tarnix
