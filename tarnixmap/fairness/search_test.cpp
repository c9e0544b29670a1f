#include "tarnixmap/fairness/search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tarnixmap/commands/map_summary.h"
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

SearchResult run_search(const MapParams& params, SearchRange range, std::size_t top,
                        unsigned threads) {
  SearchProgress progress;
  SearchOptions options;
  options.top = top;
  options.threads = threads;
  return search_seeds(params, range, options, progress, [] {});
}

// What check makes of one seed's map: the file written, read back, summed up.
std::optional<RankedSeed> checked(const MapParams& params, std::uint32_t seed) {
  MemoryFileSystem files;
  StringSink sink;
  Console console(sink);
  if (generate_map(params, "m.map", seed, console, files).outcome != MapOutcome::kWritten)
    return std::nullopt;
  const MapFileRead read = read_map_file(files.files.at("m.map"));
  EXPECT_TRUE(read.problems.empty());
  const MapSummary summary = summarize(read.contents);
  RankedSeed ranked;
  ranked.seed = seed;
  ranked.players = params.players;
  std::copy(summary.players.begin(), summary.players.end(), ranked.starts.begin());
  ranked.fairness = summary.fairness;
  return ranked;
}

// The search's own fast path (one grid reused, only the discs counted, maps
// given up once they cannot be among the best) ranks every seed as checking
// its written file would.
TEST(SearchSeeds, RanksEverySeedAsCheckWould) {
  for (const MapParams& params : {kCrowded, kCave}) {
    const SearchRange range{4000000000U, 2000};
    std::vector<RankedSeed> want;
    std::uint64_t without_map = 0;
    for (std::uint32_t i = 0; i < range.seeds; ++i) {
      if (const auto ranked = checked(params, range.from + i)) {
        want.push_back(*ranked);
      } else {
        ++without_map;
      }
    }
    std::ranges::sort(want, ranks_before);
    for (const std::size_t top :
         {std::size_t{2000}, std::size_t{40}, std::size_t{3}, std::size_t{1}}) {
      const SearchResult result = run_search(params, range, top, 2);
      EXPECT_EQ(result.searched, range.seeds);
      EXPECT_EQ(result.without_map, without_map) << params.name;
      ASSERT_EQ(result.best.size(), std::min(top, want.size())) << params.name;
      for (std::size_t i = 0; i < result.best.size(); ++i) {
        const RankedSeed& got = result.best[i];
        EXPECT_EQ(got.seed, want[i].seed) << params.name << " top " << top << ", rank " << i + 1;
        EXPECT_EQ(got.fairness.score, want[i].fairness.score) << params.name << " " << i + 1;
        EXPECT_EQ(got.fairness.least_even, want[i].fairness.least_even) << params.name;
        for (std::size_t p = 0; p < static_cast<std::size_t>(params.players); ++p) {
          EXPECT_EQ(got.starts[p].gold_near, want[i].starts[p].gold_near) << i + 1;
          EXPECT_EQ(got.starts[p].gems_near, want[i].starts[p].gems_near) << i + 1;
          EXPECT_EQ(got.starts[p].hazards_near, want[i].starts[p].hazards_near) << i + 1;
          EXPECT_EQ(got.starts[p].nearest_portal, want[i].starts[p].nearest_portal) << i + 1;
          EXPECT_EQ(got.starts[p].nearest_heart, want[i].starts[p].nearest_heart) << i + 1;
        }
      }
    }
    if (params.name == "C") {
      EXPECT_GT(without_map, 0U);  // both kinds of seed
    }
  }
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
  EXPECT_GE(worker_bytes(kCave), std::uint64_t{64} * 66);
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
