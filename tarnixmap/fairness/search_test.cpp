#include "tarnixmap/fairness/search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tarnixrandommap/mapfile/map_reader.h"
#include "tarnixrandommap/run/generate.h"

namespace tarnix {
namespace {

MapParams params_of(std::array<std::string_view, kArgumentCount> values) {
  return convert_arguments(values);
}

// 3 players on 26 x 26 with a heart spacing of 16: some seeds' hearts fit,
// others' do not.
const MapParams kCrowded =
    params_of({"C", "26", "26", "3", "0", "2", "40", "6", "30", "30", "11", "0"});
const MapParams kCave =
    params_of({"Cave", "64", "64", "4", "500", "5", "300", "40", "200", "200", "20", "10"});
// Lava everywhere: many seeds are sealed.
const MapParams kLava =
    params_of({"L", "40", "40", "4", "0", "4", "80", "30", "600", "60", "5", "2"});
// Two players on a bare 14 x 14 map: many seeds' figures come out alike,
// so that many scores tie and the seed's number decides.
const MapParams kBare = params_of({"B", "14", "14", "2", "0", "0", "0", "0", "0", "0", "-5", "-4"});

SearchResult run_search(const MapParams& params, SearchRange range, std::size_t top,
                        unsigned threads, const SearchOptions& base = {}) {
  SearchProgress progress;
  SearchOptions options = base;
  options.top = top;
  options.threads = threads;
  return search_seeds(params, range, options, progress, [] {});
}

// Every seed of a range as checking its written file in full makes of it:
// the scored ones ranked, and the rest counted.
struct Checked {
  std::vector<RankedSeed> ranked;
  std::uint64_t without_map = 0;
  std::uint64_t sealed = 0;
  std::uint64_t rejected = 0;
};

Checked check_every_seed(const MapParams& params, SearchRange range, const SearchOptions& options) {
  Checked all;
  for (std::uint32_t i = 0; i < range.seeds; ++i) {
    const std::uint32_t seed = range.from + i;
    MemoryFileSystem files;
    StringSink sink;
    Console console(sink);
    if (generate_map(params, "m.map", seed, console, files, symmetry_of(options.symmetric))
            .outcome != MapOutcome::kWritten) {
      ++all.without_map;
      continue;
    }
    const MapFileRead read = read_map_file(std::string_view(files.files.at("m.map")));
    EXPECT_TRUE(read.problems.empty());
    const MapMeasure measure =
        measure_map(*read.contents.grid, read.contents.hearts.placed(), options.measure);
    bool capped = false;  // every figure is there to be held against its cap
    for (std::size_t f = 0; f < kFigureCount; ++f) {
      const auto figure = static_cast<Figure>(f);
      capped = capped || (options.caps[f] && spread(measure.players, figure) > *options.caps[f]);
    }
    if (capped ||
        (options.min_border_gap && std::ranges::any_of(measure.players, [&](const StartFigures& s) {
           return s.border_gap < *options.min_border_gap;
         }))) {
      ++all.rejected;
      continue;
    }
    if (!measure.fairness.score) {
      ++all.sealed;
      continue;
    }
    RankedSeed ranked;
    ranked.seed = seed;
    ranked.players = params.players;
    std::ranges::copy(measure.players, ranked.starts.begin());
    ranked.fairness = measure.fairness;
    all.ranked.push_back(ranked);
  }
  std::ranges::sort(all.ranked, ranks_before);
  return all;
}

void expect_same_figures(const RankedSeed& got, const RankedSeed& want, const std::string& where) {
  EXPECT_EQ(got.seed, want.seed) << where;
  EXPECT_EQ(got.score(), want.score()) << where;
  EXPECT_EQ(got.fairness.least_even, want.fairness.least_even) << where;
  for (std::size_t p = 0; p < static_cast<std::size_t>(got.players); ++p) {
    const StartFigures& a = got.starts[p];
    const StartFigures& b = want.starts[p];
    EXPECT_EQ(a.territory, b.territory) << where << " player " << p + 1;
    EXPECT_EQ(a.gold_first, b.gold_first) << where;
    EXPECT_EQ(a.gems_first, b.gems_first) << where;
    EXPECT_EQ(a.gold_within, b.gold_within) << where;
    EXPECT_EQ(a.portal_time, b.portal_time) << where;
    EXPECT_EQ(a.rival_time, b.rival_time) << where;
    EXPECT_EQ(a.border_gap, b.border_gap) << where;
    EXPECT_EQ(a.gold_near, b.gold_near) << where;
    EXPECT_EQ(a.hazards_near, b.hazards_near) << where;
    EXPECT_EQ(a.nearest_portal, b.nearest_portal) << where;
  }
}

// Whatever the search drops or makes only in part (a partial score past
// the threshold, a flood instead of dig times), its best T and its counts
// are those of checking every seed's written file in full, on one worker
// and two: with the default weights, with a least border gap, with dig time
// not weighed at all, on maps where many seeds are sealed, and where many
// scores tie.
TEST(SearchSeeds, RanksAndCountsEverySeedAsCheckWould) {
  SearchOptions gap;
  gap.min_border_gap = 3;
  SearchOptions straight;
  for (std::size_t f = 0; f < kFigureCount; ++f) {
    if (kFigures[f].dig_time) straight.measure.weights[f] = 0;
  }
  straight.measure.weights[static_cast<std::size_t>(Figure::kGoldNear)] = 3;
  // Hazards are known only once the water is placed, the last phase: a
  // heavy weight there decides most of the ranking at the very end.
  SearchOptions hazards;
  hazards.measure.weights[static_cast<std::size_t>(Figure::kHazardsNear)] = 50;
  // Heavy straight-line weights drop most maps before their dig times are
  // measured: they must still be counted as sealed or rejected exactly.
  SearchOptions heavy;
  heavy.measure.weights[static_cast<std::size_t>(Figure::kGoldNear)] = 60;
  heavy.measure.weights[static_cast<std::size_t>(Figure::kGemsNear)] = 40;
  heavy.measure.weights[static_cast<std::size_t>(Figure::kNearestPortal)] = 20;
  SearchOptions heavy_gap = heavy;
  heavy_gap.min_border_gap = 2;
  // Caps: on a figure of the wave of all players, of the players' own
  // waves, and of the straight line, known last (hazards, after water);
  // on maps where most seeds are dropped before their dig times.
  const auto cap = [](SearchOptions options, Figure figure, double most) {
    options.caps[static_cast<std::size_t>(figure)] = most;
    return options;
  };
  const SearchOptions portals_capped = cap({}, Figure::kPortalsFirst, 0.5);
  const SearchOptions rival_capped = cap({}, Figure::kRivalTime, 0.2);
  const SearchOptions heavy_capped =
      cap(cap(heavy, Figure::kTerritory, 0.75), Figure::kHazardsNear, 0.9);
  const SearchOptions second_capped = cap(heavy, Figure::kSecondRivalTime, 0.5);
  // Without dig times, a map dropped early must still be made as far as
  // its capped figure.
  const SearchOptions straight_capped = cap(straight, Figure::kHazardsNear, 0.5);
  // Portals that are walls, reached from beside them: a player reaches one
  // even where another reaches it sooner from its other side.
  SearchOptions portal_walls;
  portal_walls.measure.costs.set(tile::kPortal, CostTable::kWall);
  struct Case {
    const char* name;
    MapParams params;
    SearchRange range;
    SearchOptions options;
  };
  const std::vector<Case> cases = {
      {"crowded", kCrowded, {4000000000U, 600}, {}},
      {"typical", kCave, {3000000000U, 500}, {}},
      {"typical, least gap 3", kCave, {3000000000U, 500}, gap},
      {"typical, straight line", kCave, {3000000000U, 500}, straight},
      {"typical, hazards weigh 50", kCave, {3000000000U, 500}, hazards},
      {"lava", kLava, {7000, 500}, {}},
      {"lava, heavy straight-line weights", kLava, {7000, 500}, heavy},
      {"lava, heavy straight-line weights, least gap 2", kLava, {7000, 500}, heavy_gap},
      {"typical, portals_first at most 0.5", kCave, {3000000000U, 500}, portals_capped},
      {"typical, rival_time at most 0.2", kCave, {3000000000U, 500}, rival_capped},
      {"lava, heavy weights, territory and hazards capped", kLava, {7000, 500}, heavy_capped},
      {"lava, heavy weights, second_rival_time capped", kLava, {7000, 500}, second_capped},
      {"typical, straight line, hazards capped", kCave, {3000000000U, 500}, straight_capped},
      {"lava, portals are walls", kLava, {7000, 500}, portal_walls},
      {"bare, ties", kBare, {100, 800}, {}},
      // Several chunks: a worker may meet a tie with a seed above the
      // threshold another worker set.
      {"bare, ties in several chunks", kBare, {100, 3000}, {}},
  };
  for (const Case& c : cases) {
    const Checked want = check_every_seed(c.params, c.range, c.options);
    // The cases test what they are meant to: many sealed seeds, some
    // rejected ones.
    if (std::string(c.name).starts_with("lava")) {
      EXPECT_GT(want.sealed, 20U) << c.name;
    }
    const bool caps = std::string(c.name).find("cap") != std::string::npos ||
                      std::string(c.name).find("at most") != std::string::npos;
    if (caps || std::string(c.name).find("gap 2") != std::string::npos) {
      EXPECT_GT(want.rejected, 20U) << c.name;
    }
    if (caps) {
      EXPECT_GT(want.ranked.size(), 7U) << c.name;
    }
    for (const unsigned threads : {1U, 2U}) {
      for (const std::size_t top : {std::size_t{1}, std::size_t{7}, std::size_t{1000}}) {
        const SearchResult got = run_search(c.params, c.range, top, threads, c.options);
        const std::string where = std::string(c.name) + ", " + std::to_string(threads) +
                                  " threads, top " + std::to_string(top);
        EXPECT_EQ(got.searched, c.range.seeds) << where;
        EXPECT_EQ(got.without_map, want.without_map) << where;
        EXPECT_EQ(got.sealed,
                  std::string(c.name).find("straight line") != std::string::npos ? 0 : want.sealed)
            << where;
        EXPECT_EQ(got.rejected, want.rejected) << where;
        ASSERT_EQ(got.best.size(), std::min(top, want.ranked.size())) << where;
        for (std::size_t i = 0; i < got.best.size(); ++i) {
          if (got.best[i].dig_time) {
            expect_same_figures(got.best[i], want.ranked[i],
                                where + ", rank " + std::to_string(i + 1));
          } else {
            EXPECT_EQ(got.best[i].seed, want.ranked[i].seed) << where << ", rank " << i + 1;
          }
        }
      }
    }
  }
  // A search that counts every score bins exactly the scores of every seed.
  SearchOptions counting;
  counting.histogram = true;
  const SearchResult binned = run_search(kCave, {3000000000U, 500}, 5, 2, counting);
  const Checked typical = check_every_seed(kCave, {3000000000U, 500}, {});
  ScoreHistogram want(highest_score(counting.measure.weights));
  for (const RankedSeed& r : typical.ranked)
    want.add(r.score());
  EXPECT_EQ(binned.histogram.counts, want.counts);
  EXPECT_EQ(binned.histogram.total(), typical.ranked.size());
  // The bare map's scores do tie: the seed's number decides there.
  const Checked bare = check_every_seed(kBare, {100, 800}, {});
  std::size_t ties = 0;
  for (std::size_t i = 1; i < bare.ranked.size(); ++i)
    ties += bare.ranked[i].score() == bare.ranked[i - 1].score() ? 1 : 0;
  EXPECT_GT(ties, 100U);
}

// Symmetric maps all score 0: the search ranks them by the preferred
// figure, the players' good fortune first (more gold within reach; a
// nearer portal), then by seed, as measuring every written file in full
// does; on one worker and two.
TEST(SearchSeeds, RanksSymmetricMapsByThePreferredFigure) {
  const MapParams duel =
      params_of({"D", "40", "30", "2", "0", "2", "120", "10", "60", "60", "6", "2"});
  const MapParams quad =
      params_of({"Q", "41", "41", "4", "0", "4", "160", "12", "80", "80", "6", "2"});
  struct Case {
    MapParams params;
    Symmetry symmetry;
    Figure prefer;
    bool more;  // whether more of it is the players' good fortune
  };
  // More gold within reach, a nearer portal, a rival further off.
  for (const Case& c : {Case{duel, Symmetry::kRot2, Figure::kGoldWithin, true},
                        Case{quad, Symmetry::kQuad, Figure::kPortalTime, false},
                        Case{duel, Symmetry::kMirrorX, Figure::kRivalTime, true}}) {
    SearchOptions options;
    options.symmetric = SymmetricSearch{c.symmetry, c.prefer};
    const SearchRange range{500, 150};
    const Checked every = check_every_seed(c.params, range, options);
    std::vector<std::pair<double, std::uint32_t>> want;  // (value, seed)
    for (const RankedSeed& r : every.ranked) {
      EXPECT_EQ(r.score(), 0.0) << r.seed;
      for (const StartFigures& s : r.start_figures())
        EXPECT_EQ(figure_value(s, c.prefer), figure_value(r.starts[0], c.prefer)) << r.seed;
      want.emplace_back(figure_value(r.starts[0], c.prefer), r.seed);
    }
    const bool more = c.more;
    std::ranges::sort(want, [more](const auto& a, const auto& b) {
      if (a.first != b.first) return more ? a.first > b.first : a.first < b.first;
      return a.second < b.second;
    });
    for (const unsigned threads : {1U, 2U}) {
      for (const std::size_t top : {std::size_t{1}, std::size_t{9}, std::size_t{1000}}) {
        const SearchResult got = run_search(c.params, range, top, threads, options);
        ASSERT_EQ(got.best.size(), std::min(top, want.size())) << threads;
        EXPECT_EQ(got.sealed, every.sealed);
        for (std::size_t i = 0; i < got.best.size(); ++i)
          EXPECT_EQ(got.best[i].seed, want[i].second) << threads << " threads, rank " << i + 1;
      }
    }
  }
}

// A partial score equal to the worst kept may still win on its seed's
// number: only one above it rules a map out.
TEST(SearchSeeds, AMapTiedWithTheWorstKeptMayStillBeKept) {
  EXPECT_TRUE(may_be_kept(0.5, 0.5));
  EXPECT_TRUE(may_be_kept(0.25, 0.5));
  EXPECT_FALSE(may_be_kept(0.5000001, 0.5));
  EXPECT_TRUE(may_be_kept(7.0, std::numeric_limits<double>::infinity()));
}

// However many workers share the range, the result is the same, and equal
// scores go to the lower seed.
TEST(SearchSeeds, TheSameWithAnyNumberOfThreads) {
  const SearchRange range{4294960000U, 7296};  // to the very last seed
  const SearchResult one = run_search(kCave, range, 25, 1);
  for (const unsigned threads : {2U, 3U, 8U}) {
    const SearchResult many = run_search(kCave, range, 25, threads);
    EXPECT_EQ(many.searched, one.searched) << threads;
    ASSERT_EQ(many.best.size(), one.best.size()) << threads;
    for (std::size_t i = 0; i < one.best.size(); ++i)
      EXPECT_EQ(many.best[i].seed, one.best[i].seed) << threads << " threads, rank " << i + 1;
  }
  for (std::size_t i = 1; i < one.best.size(); ++i) {
    const RankedSeed& a = one.best[i - 1];
    const RankedSeed& b = one.best[i];
    EXPECT_TRUE(a.fairness.score < b.fairness.score ||
                (a.fairness.score == b.fairness.score && a.seed < b.seed))
        << "rank " << i;
  }
  RankedSeed low;
  low.seed = 5;
  RankedSeed high = low;
  high.seed = 6;
  EXPECT_TRUE(ranks_before(low, high));
  EXPECT_FALSE(ranks_before(high, low));
}

// The code that runs the wave of all players never changes a search: the
// boards of bits (each copy, on one worker and two) rank and count as the
// bucket queue does, on the typical map, where many seeds are sealed, on a
// map three words wide, and with costs that the boards take and one that
// they leave to the queue.
TEST(SearchSeeds, EveryWaveCodeRanksAndCountsAlike) {
  const MapParams wide =
      params_of({"W", "150", "24", "3", "0", "6", "200", "60", "1500", "200", "20", "2"});
  SearchOptions cheap_rock;
  cheap_rock.measure.costs.set(tile::kRock, 1);
  cheap_rock.measure.costs.set(tile::kWater, CostTable::kWall);
  SearchOptions dear_rock;
  dear_rock.measure.costs.set(tile::kRock, 5);
  struct Case {
    const char* name;
    const MapParams* params;
    SearchRange range;
    SearchOptions options;
  };
  const std::vector<Case> cases = {
      {"typical", &kCave, {1, 2000}, {}},
      {"lava", &kLava, {1, 2000}, {}},
      {"wide", &wide, {1, 400}, {}},
      {"rock 1, water a wall", &kCave, {1, 1000}, cheap_rock},
      {"rock 5", &kCave, {1, 500}, dear_rock},
  };
  for (const Case& c : cases) {
    SearchOptions queue = c.options;
    queue.measure.wave = WaveKernel::kQueue;
    const SearchResult want = run_search(*c.params, c.range, 10, 1, queue);
    EXPECT_GT(want.best.size(), 0U) << c.name;
    for (const WaveKernel wave : {WaveKernel::kPlain, WaveKernel::kAvx2}) {
      for (const unsigned threads : {1U, 2U}) {
        SearchOptions bits = c.options;
        bits.measure.wave = wave;
        const SearchResult got = run_search(*c.params, c.range, 10, threads, bits);
        const std::string where = std::string(c.name) +
                                  (wave == WaveKernel::kPlain ? ", plain" : ", avx2") + ", " +
                                  std::to_string(threads) + " threads";
        EXPECT_EQ(got.without_map, want.without_map) << where;
        EXPECT_EQ(got.sealed, want.sealed) << where;
        EXPECT_EQ(got.rejected, want.rejected) << where;
        ASSERT_EQ(got.best.size(), want.best.size()) << where;
        for (std::size_t i = 0; i < want.best.size(); ++i)
          expect_same_figures(got.best[i], want.best[i], where + ", rank " + std::to_string(i + 1));
      }
    }
  }
}

// Workers: as many as asked, or the machine's cores; no more than there are
// chunks to share, nor than whose maps fit in memory. Too many asked for is
// an error; a default that does not fit is lowered, but never below one.
TEST(SearchSeeds, PlansNoMoreWorkersThanFit) {
  struct Case {
    const char* name;
    std::optional<unsigned> asked;
    unsigned cores;
    std::optional<std::uint64_t> available;
    std::uint64_t chunks;
    unsigned threads;
    unsigned fit;
    bool too_many;
  };
  constexpr std::uint64_t kMap = 1000;  // bytes a worker holds
  const std::vector<Case> cases = {
      {"the machine's cores", std::nullopt, 2, std::nullopt, 100, 2, 0, false},
      {"as asked", 8U, 2, std::nullopt, 100, 8, 0, false},
      {"as asked, and they fit", 8U, 2, 8000, 100, 8, 8, false},
      {"asked for one more than fits", 9U, 2, 8999, 100, 8, 8, true},
      {"the cores lowered to what fits", std::nullopt, 32, 5500, 100, 5, 5, false},
      {"not even one fits", std::nullopt, 4, 10, 100, 1, 0, false},
      {"one asked, none fits", 1U, 4, 10, 100, 1, 0, false},
      {"two asked, none fits", 2U, 4, 10, 100, 1, 0, true},
      {"no more than the chunks", 16U, 2, std::nullopt, 3, 3, 0, false},
  };
  for (const Case& c : cases) {
    const WorkerPlan plan = plan_workers(c.asked, c.cores, kMap, c.available, c.chunks);
    EXPECT_EQ(plan.threads, c.threads) << c.name;
    EXPECT_EQ(plan.fit, c.fit) << c.name;
    EXPECT_EQ(plan.too_many, c.too_many) << c.name;
  }
  // A worker holds at least its map: width x height codes and the row ends.
  EXPECT_GE(worker_bytes(kCave, false), std::uint64_t{64} * 66);
  EXPECT_GT(worker_bytes(kCave, true), worker_bytes(kCave, false));
}

// A stop ends the search early; what was searched is the range's first
// seeds, all of them, and the best found among them is kept.
TEST(SearchSeeds, AStopKeepsWhatWasSearched) {
  SearchProgress progress;
  SearchOptions options;
  options.threads = 2;
  std::uint64_t seen = 0;
  const SearchResult result = search_seeds(kCave, {1000, 4000000}, options, progress, [&] {
    seen = progress.done.load();
    if (seen > 0) progress.stop = true;
  });
  EXPECT_TRUE(result.stopped);
  EXPECT_GE(result.searched, seen);
  EXPECT_LT(result.searched, 4000000U);
  EXPECT_EQ(result.searched % 1024, 0U);  // whole chunks, the range's first ones
  const SearchResult again = run_search(kCave, {1000, result.searched}, 10, 1);
  ASSERT_EQ(result.best.size(), again.best.size());
  for (std::size_t i = 0; i < again.best.size(); ++i)
    EXPECT_EQ(result.best[i].seed, again.best[i].seed) << "rank " << i + 1;
}

}  // namespace
}  // namespace tarnix
