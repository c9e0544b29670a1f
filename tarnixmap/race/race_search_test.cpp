#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <nlohmann/json.hpp>
#include <string>
#include <tuple>
#include <vector>

#include "tarnixmap/commands/commands.h"

namespace tarnix {
namespace {

// Small maps, quick to search and race.
const std::array<std::string, kArgumentCount> kDuel = {"Duel", "24", "24", "2",  "0", "1",
                                                       "20",   "6",  "20", "20", "2", "2"};

struct Outcome {
  int code = -1;
  std::string out;
  std::string err;
};

template <typename Command>
Outcome run(Command command) {
  StringSink out;
  StringSink err;
  Outcome r;
  {
    Console o(out, LineEnds::kLf);
    Console e(err, LineEnds::kLf);
    r.code = command(o, e);
  }
  r.out = out.all();
  r.err = err.all();
  return r;
}

std::vector<nlohmann::json> json_lines(const std::string& text) {
  std::vector<nlohmann::json> lines;
  std::size_t at = 0;
  for (std::size_t end = text.find('\n'); end != std::string::npos;
       at = end + 1, end = text.find('\n', at)) {
    lines.push_back(nlohmann::json::parse(text.substr(at, end - at)));
  }
  return lines;
}

SearchRequest duel_search(std::uint32_t from, std::uint64_t seeds, std::size_t top,
                          std::optional<std::size_t> race_top, unsigned threads) {
  SearchRequest request;
  request.values = kDuel;
  request.from = from;
  request.seeds = seeds;
  request.top = top;
  request.race_top = race_top;
  request.json = true;
  request.no_write = true;
  request.threads = threads;
  static const std::atomic<bool> never{false};
  request.interrupted = &never;
  return request;
}

std::string searched(const SearchRequest& request) {
  MemoryFileSystem files;
  const Outcome r =
      run([&](Console& o, Console& e) { return search_command(request, 0, o, e, files); });
  EXPECT_EQ(r.code, kExitOk) << r.err;
  return r.out;
}

// A ranked line's seed and race fairness, as the search printed them.
using Raced = std::pair<std::uint32_t, double>;

std::vector<Raced> raced_lines(const std::string& out) {
  std::vector<Raced> raced;
  for (const nlohmann::json& line : json_lines(out)) {
    if (line.contains("race_fairness"))
      raced.emplace_back(line["seed"].get<std::uint32_t>(), line["race_fairness"].get<double>());
  }
  return raced;
}

// The race of the best seeds orders them exactly as writing each map with
// generate and racing it with race does: by race fairness, the score then
// the seed breaking ties; on one worker and on two alike. The table shows
// the top; the JSON lists every raced seed, for merging.
TEST(RaceTop, RanksTheBestAsRacingEachMapDoes) {
  constexpr std::size_t kRaced = 12;
  const std::vector<nlohmann::json> statics =
      json_lines(searched(duel_search(1, 300, kRaced, {}, 1)));
  ASSERT_EQ(statics.size(), kRaced + 1);
  // Each map written and raced on its own.
  std::vector<std::tuple<double, double, std::uint32_t>> expected;
  for (std::size_t i = 0; i < kRaced; ++i) {
    const auto seed = statics[i]["seed"].get<std::uint32_t>();
    MemoryFileSystem files;
    GenerateRequest generate;
    generate.values = kDuel;
    generate.seed = seed;
    ASSERT_EQ(run([&](Console& o, Console& e) {
                return generate_command(generate, 0, o, e, files);
              }).code,
              kExitOk);
    RaceRequest race;
    race.paths = {"Duel.map"};
    race.json = true;
    const Outcome raced =
        run([&](Console& o, Console& e) { return race_command(race, o, e, files); });
    ASSERT_EQ(raced.code, kExitOk) << raced.err;
    expected.emplace_back(nlohmann::json::parse(raced.out)["fairness"].get<double>(),
                          statics[i]["score"].get<double>(), seed);
  }
  std::ranges::sort(expected);
  std::vector<Raced> want;
  want.reserve(expected.size());
  for (const auto& [fairness, score, seed] : expected)
    want.emplace_back(seed, fairness);
  for (const unsigned threads : {1U, 2U}) {
    const std::string out = searched(duel_search(1, 300, 3, kRaced, threads));
    EXPECT_EQ(raced_lines(out), want) << threads << " threads";
    EXPECT_EQ(json_lines(out).size(), kRaced + 1);
  }
  SearchRequest table = duel_search(1, 300, 3, kRaced, 2);
  table.json = false;
  const std::string rows = searched(table);
  EXPECT_NE(rows.find("rank  seed        race    score"), std::string::npos) << rows;
  EXPECT_NE(rows.find("   3  " + std::to_string(want[2].first)), std::string::npos) << rows;
  EXPECT_EQ(rows.find("   4  "), std::string::npos) << rows;
}

// Fewer raced seeds than the top: those come first, the rest follow in the
// order of their scores, without a race fairness.
TEST(RaceTop, SeedsNotRacedFollowByScore) {
  const std::vector<nlohmann::json> statics = json_lines(searched(duel_search(1, 300, 6, {}, 1)));
  const std::vector<nlohmann::json> lines = json_lines(searched(duel_search(1, 300, 6, 2, 1)));
  ASSERT_EQ(lines.size(), 7U);
  std::vector<std::uint32_t> first_two = {lines[0]["seed"], lines[1]["seed"]};
  std::ranges::sort(first_two);
  std::vector<std::uint32_t> best_two = {statics[0]["seed"], statics[1]["seed"]};
  std::ranges::sort(best_two);
  EXPECT_EQ(first_two, best_two);
  for (std::size_t i = 2; i < 6; ++i) {
    EXPECT_EQ(lines[i]["seed"], statics[i]["seed"]) << i;
    EXPECT_FALSE(lines[i].contains("race_fairness")) << i;
  }
}

// Race options without --race-top would do nothing: a usage error.
TEST(RaceTop, RaceOptionsNeedIt) {
  SearchRequest request = duel_search(1, 10, 3, {}, 1);
  request.race.time = 100;
  request.race_given = true;
  MemoryFileSystem files;
  const Outcome r =
      run([&](Console& o, Console& e) { return search_command(request, 0, o, e, files); });
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_NE(r.err.find("they need it"), std::string::npos) << r.err;
}

Outcome merged(MemoryFileSystem& files, std::vector<std::string> paths) {
  MergeRequest request;
  request.paths = std::move(paths);
  request.json = true;
  request.cores = 2;
  return run([&](Console& o, Console& e) { return merge_command(request, o, e, files); });
}

// Shards of a range merge into what one search of the whole range gives:
// the best seeds of all are raced again, not the shards' orders joined.
TEST(RaceTop, ShardsMergeIntoOneSearch) {
  MemoryFileSystem files;
  files.files["a.json"] = searched(duel_search(1, 150, 2, 6, 1));
  files.files["b.json"] = searched(duel_search(151, 150, 2, 6, 1));
  const Outcome r = merged(files, {"a.json", "b.json"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(raced_lines(r.out), raced_lines(searched(duel_search(1, 300, 2, 6, 2))));
}

// A search stopped by Ctrl-C races nothing and says so: its JSON is a
// ranking by score, with no race in its options, which merge takes as
// what it is.
TEST(RaceTop, AStoppedSearchIsNotRaced) {
  SearchRequest request = duel_search(1, 150, 2, 6, 1);
  const std::atomic<bool> stopped{true};
  request.interrupted = &stopped;
  MemoryFileSystem files;
  const Outcome r =
      run([&](Console& o, Console& e) { return search_command(request, 0, o, e, files); });
  EXPECT_EQ(r.code, 130);
  EXPECT_NE(r.err.find("; the best were not raced"), std::string::npos) << r.err;
  EXPECT_TRUE(raced_lines(r.out).empty()) << r.out;
  const std::vector<nlohmann::json> lines = json_lines(r.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(lines.back()["options"]["race"].is_null()) << lines.back().dump();
  files.files["stopped.json"] = r.out;
  MergeRequest merge;
  merge.paths = {"stopped.json"};
  merge.partial = true;
  const Outcome merged =
      run([&](Console& o, Console& e) { return merge_command(merge, o, e, files); });
  EXPECT_EQ(merged.code, kExitOk) << merged.err;
}

// A shard whose race no search would print is refused, naming what is
// wrong: merge takes exactly what search --json prints.
TEST(RaceTop, MergeRefusesForgedRaces) {
  struct Case {
    const char* name;
    void (*forge)(std::vector<nlohmann::json>&);
    const char* err;
  };
  const std::vector<Case> cases = {
      {"a race fairness changed",
       [](std::vector<nlohmann::json>& l) {
         l[0]["race_fairness"] = l[0]["race_fairness"].get<double>() / 2;
       },
       "races seed"},
      {"a raced seed without one",
       [](std::vector<nlohmann::json>& l) { l[1].erase("race_fairness"); }, "race_fairness"},
      {"raced seeds out of their order",
       [](std::vector<nlohmann::json>& l) { std::swap(l[0], l[3]); }, "not best first"},
      {"a race fairness beyond 1",
       [](std::vector<nlohmann::json>& l) { l[2]["race_fairness"] = 1.5; }, "from 0 to 1"},
      {"a race of no digger",
       [](std::vector<nlohmann::json>& l) { l.back()["options"]["race"]["diggers"] = 0; },
       "\"race\" must be null or"},
  };
  const std::string shard = searched(duel_search(1, 150, 2, 6, 1));
  for (const Case& c : cases) {
    std::vector<nlohmann::json> lines = json_lines(shard);
    ASSERT_EQ(lines.size(), 7U);
    // Distinct race fairnesses, so that a swap breaks their order.
    ASSERT_LT(lines[0]["race_fairness"].get<double>(), lines[3]["race_fairness"].get<double>());
    c.forge(lines);
    std::string text;
    for (const nlohmann::json& line : lines)
      text += line.dump() + "\n";
    MemoryFileSystem files;
    files.files["x.json"] = text;
    const Outcome r = merged(files, {"x.json"});
    EXPECT_EQ(r.code, kExitFailed) << c.name;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.name << ": " << r.err;
    EXPECT_EQ(r.out, "") << c.name;
  }
}

}  // namespace
}  // namespace tarnix
