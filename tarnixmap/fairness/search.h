#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "tarnixmap/fairness/measure.h"
#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/placement/hearts.h"
#include "tarnixrandommap/placement/symmetry.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

// One seed's map, as the search ranks it.
struct RankedSeed {
  std::uint32_t seed = 0;
  Fairness fairness;
  std::int32_t players = 0;
  std::array<StartFigures, kMaxPlayers> starts{};
  bool dig_time = false;  // whether the dig-time figures were measured
  // With a preferred figure: its value for the player it favours least,
  // negated where less is the player's good fortune, so that more always
  // ranks first.
  double preference = 0;
  // Its race fairness, where its map was raced (search --race-top).
  std::optional<double> race_fairness;

  [[nodiscard]] std::span<const StartFigures> start_figures() const {
    return std::span<const StartFigures>(starts).first(static_cast<std::size_t>(players));
  }
  // The score of a ranked seed, which always has one.
  [[nodiscard]] double score() const { return *fairness.score; }
};

// Best first: the lower score; between equal scores the higher preference
// (0 for all where no figure is preferred), then the lower seed, so that
// the ranking never depends on the order seeds were visited in.
// Requires: both have a score.
[[nodiscard]] bool ranks_before(const RankedSeed& a, const RankedSeed& b);

// Whether a map whose partial score (see partial_score) is `partial` may
// still be among the best kept, whose worst has `threshold`: a map above it
// cannot; one equal to it can, for its seed may be the lower.
[[nodiscard]] inline bool may_be_kept(double partial, double threshold) {
  return !(partial > threshold);
}

struct SearchRange {
  std::uint32_t from = 0;   // the first seed
  std::uint64_t seeds = 0;  // how many; from + seeds - 1 is at most 4294967295
};

// How the scores of every seed ranked fall: counts of scores in bins of
// kBinWidth from 0, the last bin holding everything from there on.
struct ScoreHistogram {
  static constexpr double kBinWidth = 0.05;

  // Bins up to `highest` (the highest score there can be) and one beyond.
  explicit ScoreHistogram(double highest = 0);

  void add(double score);
  void add(const ScoreHistogram& other);
  [[nodiscard]] std::uint64_t total() const;

  std::vector<std::uint64_t> counts;
};

// A search of symmetric maps: every player starts alike, so every score is
// 0, and the maps are ranked by how much a figure favours the players.
struct SymmetricSearch {
  Symmetry symmetry = Symmetry::kMirrorX;
  Figure prefer = Figure::kGoldWithin;  // more first, or less for a time or distance
};

// The layout the maps of a search have: symmetric ones, or the generator's.
[[nodiscard]] inline std::optional<Symmetry> symmetry_of(
    const std::optional<SymmetricSearch>& symmetric) {
  return symmetric ? std::optional(symmetric->symmetry) : std::nullopt;
}

// The preference of a map's starts for `figure`: its value for the player
// it favours least, negated where less is the player's good fortune.
// Requires: starts not empty.
[[nodiscard]] double preference_of(std::span<const StartFigures> starts, Figure figure);

struct SearchOptions {
  MeasureOptions measure;                      // costs, reach, radius and weights
  std::optional<SymmetricSearch> symmetric;    // symmetric maps, ranked by a preferred figure
  std::optional<std::int32_t> min_border_gap;  // seeds where a heart has less are rejected
  SpreadCaps caps{};       // seeds where a figure's spread is above its cap are rejected
  std::size_t top = 10;    // how many of the best seeds to keep
  unsigned threads = 1;    // workers, each with its own grid
  bool histogram = false;  // count every seed's score; every map is then finished
};

// Shared with whoever watches a search: read while it runs, and `stop`
// set to end it early.
struct SearchProgress {
  std::atomic<std::uint64_t> done{0};  // seeds measured so far
  std::atomic<double> best_score{std::numeric_limits<double>::infinity()};
  // Of a search of symmetric maps, whose scores are all 0: the highest
  // preference so far (see RankedSeed::preference).
  std::atomic<double> best_preference{-std::numeric_limits<double>::infinity()};
  std::atomic<bool> stop{false};
};

struct SearchResult {
  std::vector<RankedSeed> best;   // at most `top`, best first
  std::uint64_t searched = 0;     // every seed from `from` to from + searched - 1
  std::uint64_t without_map = 0;  // of those, seeds whose hearts did not fit
  std::uint64_t rejected = 0;     // seeds with a heart nearer the frame than min_border_gap,
                                  // or a figure's spread above its cap
  std::uint64_t sealed = 0;       // seeds where a player can reach no rival or no portal
  bool stopped = false;           // ended by `stop` before the range was done
  bool out_of_memory = false;     // a worker could not have its memory
  ScoreHistogram histogram;       // with options.histogram
};

// Whether the search measures dig times: where they weigh in the score, a
// cap limits one, or the preferred figure of symmetric maps is one.
[[nodiscard]] bool measures_dig_time(const SearchOptions& options);

// The highest score the weights allow: every figure as uneven as it can be.
[[nodiscard]] double highest_score(const Weights& weights);

// Makes the map of every seed in `range` in memory and ranks the seeds by
// their fairness score. Every seed is counted exactly, as measuring its
// finished map in full would count it: without a map; rejected (a heart
// too near the frame, or a figure's spread above its cap); sealed (where
// dig time is measured, a map not rejected where a player can reach no
// rival or no portal); or scored. Figures are measured phase by phase as the map
// is made, the costly dig times last; a map whose partial score already
// exceeds the worst of the best kept cannot be kept, and is made and
// measured no further than its counts need. The range is split into chunks
// that the workers take in order; a stop lets each finish the chunk in
// hand, so what was searched is always the range's first `searched` seeds.
// `tick` is called on the calling thread a few times a second while the
// workers run.
// Requires: validate(params) found nothing; a range within 32 bits;
// options.top >= 1, options.threads >= 1.
[[nodiscard]] SearchResult search_seeds(const MapParams& params, SearchRange range,
                                        const SearchOptions& options, SearchProgress& progress,
                                        const std::function<void()>& tick);

// The seed as a search of its range ranks it, with the same figures;
// nothing when the search would not rank it (no map, rejected or sealed).
// Throws std::bad_alloc when its map does not fit in memory.
// Requires: validate(params) found nothing.
[[nodiscard]] std::optional<RankedSeed> rank_one_seed(const MapParams& params, std::uint32_t seed,
                                                      const SearchOptions& options);

// As rank_one_seed, on `grid` (of the params' size), which holds the whole
// map afterwards where the seed is ranked; *hearts (when not null) is set
// to the map's hearts, or nothing where they did not fit.
[[nodiscard]] std::optional<RankedSeed> rank_seed_on(const MapParams& params, std::uint32_t seed,
                                                     const SearchOptions& options, TileGrid& grid,
                                                     std::optional<HeartTable>* hearts);

// How many workers a search runs.
struct WorkerPlan {
  unsigned threads = 1;
  unsigned fit = 0;       // how many workers' memory fits; 0 when that is unknown
  bool too_many = false;  // more were asked for than fit
};

// The memory one worker holds, whatever the range: its map and what
// measuring it takes (more when dig times are measured).
[[nodiscard]] std::uint64_t worker_bytes(const MapParams& params, bool dig_time);

// As many workers as asked, or else as the machine has cores; never more
// than the range has chunks to share out, nor more than fit in `available`
// bytes (when known), each taking `per_worker`. A number asked for that
// does not fit is too many; a default that does not fit is lowered, but
// never below one: whether that one's memory fits is for the allocation to
// tell.
[[nodiscard]] WorkerPlan plan_workers(std::optional<unsigned> asked, unsigned cores,
                                      std::uint64_t per_worker,
                                      std::optional<std::uint64_t> available, std::uint64_t chunks);

// How many chunks a range of seeds is shared out in.
[[nodiscard]] std::uint64_t chunk_count(const MapParams& params, SearchRange range);

}  // namespace tarnix
