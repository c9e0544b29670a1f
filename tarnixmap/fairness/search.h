#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "tarnixmap/fairness/fairness.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

// One seed's map, as the search ranks it.
struct RankedSeed {
  std::uint32_t seed = 0;
  Fairness fairness;
  std::int32_t players = 0;
  std::array<StartFigures, kMaxPlayers> starts{};

  [[nodiscard]] std::span<const StartFigures> start_figures() const {
    return std::span<const StartFigures>(starts).first(static_cast<std::size_t>(players));
  }
};

// Best first: the lower score, and between equal scores the lower seed, so
// that the ranking never depends on the order seeds were visited in.
[[nodiscard]] bool ranks_before(const RankedSeed& a, const RankedSeed& b);

struct SearchRange {
  std::uint32_t from = 0;   // the first seed
  std::uint64_t seeds = 0;  // how many; from + seeds - 1 is at most 4294967295
};

// How the scores of every seed searched fall: counts of scores in bins of
// kBinWidth from 0, the last bin holding everything from there on.
struct ScoreHistogram {
  static constexpr double kBinWidth = 0.05;
  static constexpr std::size_t kBins = 161;  // up to the highest score, 8, and beyond
  std::vector<std::uint64_t> counts = std::vector<std::uint64_t>(kBins);

  void add(double score);
  void add(const ScoreHistogram& other);
  [[nodiscard]] std::uint64_t total() const;
};

struct SearchOptions {
  std::int32_t radius = kDefaultRadius;  // of the discs counted around each heart
  std::size_t top = 10;                  // how many of the best seeds to keep
  unsigned threads = 1;                  // workers, each with its own grid
  bool histogram = false;                // count every seed's score; every map is then finished
};

// Shared with whoever watches a search: read while it runs, and `stop`
// set to end it early.
struct SearchProgress {
  std::atomic<std::uint64_t> done{0};  // seeds measured so far
  std::atomic<double> best_score{std::numeric_limits<double>::infinity()};
  std::atomic<bool> stop{false};
};

struct SearchResult {
  std::vector<RankedSeed> best;   // at most `top`, best first
  std::uint64_t searched = 0;     // every seed from `from` to from + searched - 1
  std::uint64_t without_map = 0;  // of those, seeds whose hearts did not fit
  bool stopped = false;           // ended by `stop` before the range was done
  bool out_of_memory = false;     // a worker could not have its grid
  ScoreHistogram histogram;       // with options.histogram
};

// How many workers a search runs.
struct WorkerPlan {
  unsigned threads = 1;
  unsigned fit = 0;       // how many workers' memory fits; 0 when that is unknown
  bool too_many = false;  // more were asked for than fit
};

// The memory one worker holds, whatever the range: its map and what
// measuring it takes.
[[nodiscard]] std::uint64_t worker_bytes(const MapParams& params);

// As many workers as asked, or else as the machine has cores; never more
// than the range has chunks to share out, nor more than fit in `available`
// bytes (when known), each taking `per_worker`. A number asked for that
// does not fit is too many; a default that does not fit is lowered. At
// least one worker always runs: whether its map fits is for the
// allocation to tell.
[[nodiscard]] WorkerPlan plan_workers(std::optional<unsigned> asked, unsigned cores,
                                      std::uint64_t per_worker,
                                      std::optional<std::uint64_t> available, std::uint64_t chunks);

// How many chunks a range of seeds is shared out in.
[[nodiscard]] std::uint64_t chunk_count(const MapParams& params, SearchRange range);

// Makes the map of every seed in `range` in memory and ranks the seeds by
// their fairness score. The range is split into chunks that the workers
// take in order; a stop lets each finish the chunk in hand, so what was
// searched is always the range's first `searched` seeds. `tick` is called on
// the calling thread a few times a second while the workers run.
// Requires: validate(params) found nothing; a range within 32 bits;
// options.top >= 1, options.threads >= 1.
[[nodiscard]] SearchResult search_seeds(const MapParams& params, SearchRange range,
                                        const SearchOptions& options, SearchProgress& progress,
                                        const std::function<void()>& tick);

}  // namespace tarnix
