#include "tarnixmap/fairness/search.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <numeric>
#include <optional>
#include <thread>

#include "tarnixmap/fairness/near.h"
#include "tarnixmap/fairness/sealing.h"
#include "tarnixrandommap/run/generate.h"
#include "tarnixrandommap/run/symmetric_phases.h"

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
    return kept_.size() < size_ ? std::numeric_limits<double>::infinity() : kept_.front().score();
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
  std::uint64_t rejected = 0;
  std::uint64_t sealed = 0;
  bool out_of_memory = false;
};

void lower_best(std::atomic<double>& best, double score) {
  double now = best.load(std::memory_order_relaxed);
  while (score < now && !best.compare_exchange_weak(now, score, std::memory_order_relaxed)) {
  }
}

void raise_best(std::atomic<double>& best, double value) {
  double now = best.load(std::memory_order_relaxed);
  while (value > now && !best.compare_exchange_weak(now, value, std::memory_order_relaxed)) {
  }
}

// What became of one seed.
enum class Fate : std::uint8_t {
  kNoMap,     // its hearts did not fit
  kRejected,  // a heart nearer the frame than the least border gap asked for
  kSealed,    // a player can reach no rival or no portal
  kDropped,   // its partial score already ruled it out of the best kept
  kScored,    // measured in full
};

// A map's figures are final phase by phase: the border gaps and distances
// between hearts once the hearts are placed, the nearest portal after the
// portals, gems after the gems, gold after the gold, hazards after water,
// and the dig times only on the finished map. The score of the figures
// known so far, the rest counted as even, is never above the finished
// map's (see partial_score), so a map whose partial score is already above
// the threshold can never be among the best kept. Such a map is made only
// as far as its counts need: no further at all when dig time does not
// weigh in and no cap waits on a figure; up to the last phase that can
// turn a square into a wall when dig time weighs in, for the flood that
// tells whether it is sealed; as far as its capped figures when a cap
// waits on one, to tell whether it is rejected. Its other dig times, most
// of the cost of measuring, are never measured. The ranking is the same
// whichever maps are dropped; only the work is less.
//
// What a seed counts as, in this order, is what measuring its finished map
// in full makes of it: without a map; rejected, for a heart too near the
// frame or any figure's spread above its cap; sealed; scored.
class SeedMeasure {
 public:
  SeedMeasure(const SearchOptions& options, const TileGrid& grid,
              const std::atomic<double>& threshold, RankedSeed& ranked)
      : options_(options),
        grid_(grid),
        threshold_(threshold),
        ranked_(ranked),
        disc_(options.measure.radius),
        dig_(measures_dig_time(options)),
        // Water, placed after lava, changes only which open squares are
        // water: the flood's answer is known without it, unless water is
        // a wall.
        water_matters_(!options.measure.costs.passable(tile::kWater)),
        first_capped_(any_capped(kFirstWave)),
        own_capped_(any_capped(kOwnWaves)) {
    ranked_.dig_time = dig_;
    dig_times_.keep_first_reachers(false);  // a search draws no territory
    dig_times_.use(options_.measure.wave);
  }

  // For place_phases: whether the map is still worth making.
  bool after(PhaseDone phase, const PhaseReports& reports) {
    switch (phase) {
      case PhaseDone::kHearts:
        return hearts_placed(reports.hearts->placed());
      // A straight-line figure that weighs nothing and has no cap is
      // counted only for a map that is scored, on the finished map, where
      // it is the same.
      case PhaseDone::kPortals:
        if (!counts(Figure::kNearestPortal)) return true;
        measure_portals(grid_, starts());
        return known(Figure::kNearestPortal);
      case PhaseDone::kGems:
        if (!counts(Figure::kGemsNear)) return true;
        count_near(grid_, disc_, Near::kGems, starts());
        return known(Figure::kGemsNear);
      case PhaseDone::kGold:
        if (!counts(Figure::kGoldNear)) return true;
        count_near(grid_, disc_, Near::kGold, starts());
        return known(Figure::kGoldNear);
      case PhaseDone::kLava:
        if (dig_ && dropped_ && !water_matters_ && !caps_pending()) {
          fate_ = sealed(reports) ? Fate::kSealed : Fate::kDropped;
          return false;
        }
        return true;
    }
    return true;
  }

  // What became of the seed, once place_phases has ended; for a scored
  // seed, its figures and score are in `ranked`.
  Fate finish(const PhaseReports& reports) {
    if (!reports.hearts) return Fate::kNoMap;
    if (!reports.complete) return fate_;
    if (counts(Figure::kHazardsNear)) {
      count_near(grid_, disc_, Near::kHazards, starts());
      known(Figure::kHazardsNear);
      if (rejected_) return Fate::kRejected;
    }
    if (!dig_) {
      if (dropped_) return Fate::kDropped;
      return scored();
    }
    // A map that cannot be kept, and whose caps wait on no dig time, is
    // only flooded, to tell whether it is sealed; any other is measured,
    // and its wave of all players tells that as well, where no heart is a
    // wall.
    if (dropped_ && !first_capped_ && !own_capped_) {
      return sealed(reports) ? Fate::kSealed : Fate::kDropped;
    }
    const std::span<const HeartCentre> hearts = reports.hearts->placed();
    const bool decided = dig_times_.measure_first(grid_, hearts, options_.measure.costs, starts());
    for (const Figure f : kFirstWave)
      known(f);
    if (rejected_) return Fate::kRejected;
    // A cap on a figure of the players' own waves is decided before the map
    // can be called sealed: those waves tell that exactly, too.
    if (own_capped_) {
      measure_own(hearts);
      for (const Figure f : kOwnWaves)
        known(f);
      if (rejected_) return Fate::kRejected;
    }
    const bool is_sealed =
        own_capped_ || decided
            ? std::ranges::any_of(starts(), [](const StartFigures& s) { return s.sealed; })
            : sealed(reports);
    if (is_sealed) return Fate::kSealed;
    if (dropped_) return Fate::kDropped;
    if (!own_capped_) measure_own(hearts);
    return scored();
  }

 private:
  static constexpr std::array<Figure, 4> kFirstWave = {Figure::kGoldFirst, Figure::kGemsFirst,
                                                       Figure::kPortalsFirst, Figure::kTerritory};
  static constexpr std::array<Figure, 4> kOwnWaves = {Figure::kGoldWithin, Figure::kPortalTime,
                                                      Figure::kRivalTime, Figure::kSecondRivalTime};

  [[nodiscard]] bool any_capped(std::span<const Figure> figures) const {
    return std::ranges::any_of(figures, [this](Figure f) { return capped(f); });
  }

  std::span<StartFigures> starts() {
    return std::span(ranked_.starts).first(static_cast<std::size_t>(ranked_.players));
  }

  void measure_own(std::span<const HeartCentre> hearts) {
    dig_times_.measure_own(grid_, hearts, options_.measure.costs, options_.measure.reach, starts());
  }

  // The figures left to count, the score, and the preference.
  Fate scored() {
    count_uncounted();
    ranked_.fairness = judge(starts(), options_.measure.weights);
    if (options_.symmetric)
      ranked_.preference = preference_of(starts(), options_.symmetric->prefer);
    return ranked_.fairness.score ? Fate::kScored : Fate::kSealed;
  }

  bool hearts_placed(std::span<const HeartCentre> hearts) {
    known_.fill(false);
    dropped_ = false;
    rejected_ = false;
    fate_ = Fate::kDropped;
    for (StartFigures& s : starts())
      s = StartFigures{};
    measure_hearts(grid_.width(), grid_.height(), hearts, starts());
    if (options_.min_border_gap) {
      for (const StartFigures& s : starts()) {
        if (s.border_gap < *options_.min_border_gap) {
          fate_ = Fate::kRejected;
          return false;
        }
      }
    }
    known(Figure::kNearestHeart);
    if (rejected_) return false;
    return known(Figure::kBorderGap);
  }

  [[nodiscard]] bool weighs(Figure figure) const {
    return options_.measure.weights[static_cast<std::size_t>(figure)] > 0;
  }
  [[nodiscard]] bool capped(Figure figure) const {
    return options_.caps[static_cast<std::size_t>(figure)].has_value();
  }
  // Whether a straight-line figure is counted as soon as its phase is done.
  [[nodiscard]] bool counts(Figure figure) const { return weighs(figure) || capped(figure); }

  // Whether a cap waits on a figure not known yet.
  [[nodiscard]] bool caps_pending() const {
    for (std::size_t f = 0; f < kFigureCount; ++f) {
      if (options_.caps[f] && !known_[f]) return true;
    }
    return false;
  }

  // The straight-line figures left for the finished map.
  void count_uncounted() {
    if (!counts(Figure::kNearestPortal)) measure_portals(grid_, starts());
    const std::array<std::pair<Figure, Near>, 3> counted = {
        {{Figure::kGemsNear, Near::kGems},
         {Figure::kGoldNear, Near::kGold},
         {Figure::kHazardsNear, Near::kHazards}}};
    for (const auto& [figure, kind] : counted) {
      if (!counts(figure)) count_near(grid_, disc_, kind, starts());
    }
  }

  // Notes a figure as final: rejects the map where its spread is above its
  // cap. Whether the map is still worth making.
  bool known(Figure figure) {
    const auto f = static_cast<std::size_t>(figure);
    known_[f] = true;
    if (options_.caps[f] && spread(starts(), figure) > *options_.caps[f]) {
      rejected_ = true;
      fate_ = Fate::kRejected;
      return false;
    }
    if (!options_.histogram && !dropped_) {
      dropped_ = !may_be_kept(partial_score(starts(), options_.measure.weights, known_),
                              threshold_.load(std::memory_order_relaxed));
    }
    return dig_ || !dropped_ || caps_pending();
  }

  bool sealed(const PhaseReports& reports) {
    return seal_.check(grid_, reports.hearts->placed(), options_.measure.costs, starts());
  }

  const SearchOptions& options_;
  const TileGrid& grid_;
  const std::atomic<double>& threshold_;
  RankedSeed& ranked_;
  Disc disc_;
  bool dig_;
  bool water_matters_;
  bool first_capped_;  // a cap waits on a figure of the wave of all players
  bool own_capped_;    // or of the players' own waves
  DigTimes dig_times_;
  SealCheck seal_;
  FigureSet known_{};
  bool dropped_ = false;
  bool rejected_ = false;
  Fate fate_ = Fate::kDropped;
};

// One worker: one grid, framed anew for each seed, never reallocated.
void work(Shared& shared, const SearchOptions& options, WorkerResult& result) {
  const MapParams params = shared.params;  // a copy of its own, in this thread's memory
  std::optional<TileGrid> grid = TileGrid::create(params.width, params.height);
  if (!grid) {
    result.out_of_memory = true;
    shared.progress.stop = true;
    return;
  }
  result.histogram = ScoreHistogram(highest_score(options.measure.weights));
  TopSeeds best(options.top);
  RankedSeed ranked;
  ranked.players = params.players;
  SeedMeasure measure(options, *grid, shared.threshold, ranked);
  const PhaseCheck check = [&measure](PhaseDone phase, const PhaseReports& reports) {
    return measure.after(phase, reports);
  };
  while (!shared.progress.stop.load(std::memory_order_relaxed)) {
    const std::uint64_t first = shared.next_chunk.fetch_add(1) * shared.chunk;
    if (first >= shared.range.seeds) break;
    const std::uint64_t end = std::min(shared.range.seeds, first + shared.chunk);
    double chunk_best = std::numeric_limits<double>::infinity();
    double chunk_preference = -std::numeric_limits<double>::infinity();
    for (std::uint64_t i = first; i < end; ++i) {
      ranked.seed = static_cast<std::uint32_t>(shared.range.from + i);
      init_grid(*grid);
      const PhaseReports reports =
          place_map(params, *grid, ranked.seed, symmetry_of(options.symmetric), check);
      switch (measure.finish(reports)) {
        case Fate::kNoMap:
          ++result.without_map;
          break;
        case Fate::kRejected:
          ++result.rejected;
          break;
        case Fate::kSealed:
          ++result.sealed;
          break;
        case Fate::kDropped:
          break;
        case Fate::kScored:
          if (options.histogram) result.histogram.add(ranked.score());
          chunk_best = std::min(chunk_best, ranked.score());
          chunk_preference = std::max(chunk_preference, ranked.preference);
          best.offer(ranked);
          lower_best(shared.threshold, best.threshold());
          break;
      }
    }
    result.searched += end - first;
    shared.progress.done.fetch_add(end - first, std::memory_order_relaxed);
    lower_best(shared.progress.best_score, chunk_best);
    raise_best(shared.progress.best_preference, chunk_preference);
  }
  result.best = best.seeds();
}

}  // namespace

std::optional<RankedSeed> rank_one_seed(const MapParams& params, std::uint32_t seed,
                                        const SearchOptions& options) {
  std::optional<TileGrid> grid = TileGrid::create(params.width, params.height);
  if (!grid) throw std::bad_alloc();
  return rank_seed_on(params, seed, options, *grid, nullptr);
}

std::optional<RankedSeed> rank_seed_on(const MapParams& params, std::uint32_t seed,
                                       const SearchOptions& options, TileGrid& grid,
                                       std::optional<HeartTable>* hearts) {
  const std::atomic<double> nothing_kept{std::numeric_limits<double>::infinity()};
  RankedSeed ranked;
  ranked.players = params.players;
  ranked.seed = seed;
  SeedMeasure measure(options, grid, nothing_kept, ranked);
  const PhaseCheck check = [&measure](PhaseDone phase, const PhaseReports& reports) {
    return measure.after(phase, reports);
  };
  init_grid(grid);
  const PhaseReports reports = place_map(params, grid, seed, symmetry_of(options.symmetric), check);
  if (hearts != nullptr) *hearts = reports.hearts;
  if (measure.finish(reports) != Fate::kScored) return std::nullopt;
  return ranked;
}

std::uint64_t worker_bytes(const MapParams& params, bool dig_time) {
  // The grid with its row ends, and a page of rounding.
  const std::uint64_t grid =
      (static_cast<std::uint64_t>(params.width) + 2) * static_cast<std::uint64_t>(params.height) +
      4096;
  // Measuring dig times takes, per byte of the grid, four of times, one of
  // first reachers, about two of queued squares and half of flood bits.
  return dig_time ? grid * 17 / 2 : grid;
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

ScoreHistogram::ScoreHistogram(double highest)
    : counts(static_cast<std::size_t>(std::max(0.0, highest) / kBinWidth) + 2) {}

void ScoreHistogram::add(double score) {
  const auto bin = static_cast<std::size_t>(std::max(0.0, score) / kBinWidth);
  ++counts[std::min(bin, counts.size() - 1)];
}

void ScoreHistogram::add(const ScoreHistogram& other) {
  if (counts.size() < other.counts.size()) counts.resize(other.counts.size());
  for (std::size_t i = 0; i < other.counts.size(); ++i)
    counts[i] += other.counts[i];
}

double highest_score(const Weights& weights) {
  double highest = 0;
  for (const double w : weights)
    highest += w;
  return highest;
}

std::uint64_t ScoreHistogram::total() const {
  return std::accumulate(counts.begin(), counts.end(), std::uint64_t{0});
}

bool measures_dig_time(const SearchOptions& options) {
  for (std::size_t f = 0; f < kFigureCount; ++f) {
    if (options.caps[f] && kFigures[f].dig_time) return true;
  }
  return uses_dig_time(options.measure.weights) ||
         (options.symmetric && info(options.symmetric->prefer).dig_time);
}

bool ranks_before(const RankedSeed& a, const RankedSeed& b) {
  if (a.score() != b.score()) return a.score() < b.score();
  if (a.preference != b.preference) return a.preference > b.preference;
  return a.seed < b.seed;
}

double preference_of(std::span<const StartFigures> starts, Figure figure) {
  const bool more = info(figure).more_is_better;
  double least_favoured = figure_value(starts.front(), figure);
  for (const StartFigures& s : starts.subspan(1)) {
    const double v = figure_value(s, figure);
    least_favoured = more ? std::min(least_favoured, v) : std::max(least_favoured, v);
  }
  return more ? least_favoured : -least_favoured;
}

SearchResult search_seeds(const MapParams& params, SearchRange range, const SearchOptions& options,
                          SearchProgress& progress, const std::function<void()>& tick) {
  Shared shared{params, range, chunk_size(params), progress};
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
  result.histogram = ScoreHistogram(highest_score(options.measure.weights));
  for (WorkerResult& r : results) {
    result.searched += r.searched;
    result.without_map += r.without_map;
    result.rejected += r.rejected;
    result.sealed += r.sealed;
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
