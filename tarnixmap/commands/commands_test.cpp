#include "tarnixmap/commands/commands.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "tarnixmap/commands/search_output.h"
#include "tarnixmap/fairness/figure_text.h"
#include "tarnixmap/fairness/search.h"
#include "tarnixmap/values/map_values.h"
#include "tarnixrandommap/run/run.h"

namespace tarnix {
namespace {

const std::array<std::string, kArgumentCount> kCave = {"Cave", "64", "64",  "4",   "500", "5",
                                                       "300",  "40", "200", "200", "20",  "10"};

// One command's run, in memory.
struct Outcome {
  int code = -1;
  std::string out;
  std::string err;
};

template <typename Command>
Outcome capture(Command command) {
  StringSink out_sink;
  StringSink err_sink;
  Outcome o;
  {
    Console out(out_sink, LineEnds::kLf);
    Console err(err_sink, LineEnds::kLf);
    o.code = command(out, err);
  }
  o.out = out_sink.all();
  o.err = err_sink.all();
  return o;
}

// What tarnixrandommap writes and prints after its banner, with the clock at `seed`.
struct Reference {
  std::string map;
  std::string messages;
};

Reference tarnixrandommap_at(std::array<std::string, kArgumentCount> values, std::uint32_t seed) {
  const std::vector<std::string_view> args(values.begin(), values.end());
  StringSink sink;
  MemoryFileSystem files;
  {
    Console console(sink);
    EXPECT_EQ(run(args, seed, console, files), 1);
  }
  std::string messages = sink.all();
  messages = messages.substr(messages.find("\r\n\r\n") + 4);
  std::string lf;
  for (const char c : messages) {
    if (c != '\r') lf += c;
  }
  return {files.files.at(values[0] + ".map"), lf};
}

GenerateRequest request_for(std::array<std::string, kArgumentCount> values) {
  GenerateRequest request;
  request.values = std::move(values);
  return request;
}

TEST(Generate, SeedGivesTheGeneratorsBytesAndMessages) {
  for (const std::uint32_t seed : {0U, 1U, 1700000000U, 4294967295U}) {
    GenerateRequest request = request_for(kCave);
    request.seed = seed;
    MemoryFileSystem files;
    const Outcome o = capture(
        [&](Console& out, Console& err) { return generate_command(request, 99, out, err, files); });
    const Reference want = tarnixrandommap_at(kCave, seed);
    EXPECT_EQ(o.code, kExitOk) << "seed " << seed;
    EXPECT_EQ(files.files.at("Cave.map"), want.map) << "seed " << seed;
    EXPECT_EQ(o.out, want.messages + "Cave.map: seed " + std::to_string(seed) + "\n")
        << "seed " << seed;
    EXPECT_EQ(o.err, "") << "seed " << seed;
  }
}

TEST(Generate, WithoutSeedTheClockDecides) {
  MemoryFileSystem files;
  const Outcome o = capture([&](Console& out, Console& err) {
    return generate_command(request_for(kCave), 1234, out, err, files);
  });
  EXPECT_EQ(o.code, kExitOk);
  EXPECT_EQ(files.files.at("Cave.map"), tarnixrandommap_at(kCave, 1234).map);
  EXPECT_TRUE(o.out.ends_with("Cave.map: seed 1234\n"));
}

TEST(Generate, CountWritesNumberedMapsFromConsecutiveSeeds) {
  GenerateRequest request = request_for(kCave);
  request.seed = 500;
  request.count = 3;
  request.preview = true;
  MemoryFileSystem files;
  const Outcome o = capture(
      [&](Console& out, Console& err) { return generate_command(request, 0, out, err, files); });
  ASSERT_EQ(o.code, kExitOk) << o.err;
  for (int i = 1; i <= 3; ++i) {
    std::array<std::string, kArgumentCount> values = kCave;
    values[0] = "Cave_" + std::to_string(i);
    EXPECT_EQ(files.files.at(values[0] + ".map"),
              tarnixrandommap_at(values, static_cast<std::uint32_t>(499 + i)).map)
        << "map " << i;
    EXPECT_TRUE(files.files.at(values[0] + ".png").starts_with("\x89PNG")) << "map " << i;
    EXPECT_NE(o.out.find(values[0] + ".map: seed " + std::to_string(499 + i) + "\n"),
              std::string::npos)
        << "map " << i;
  }
}

// Standard output that fails after the first map's lines (a reader that has
// gone away): the batch stops there instead of running on unseen.
TEST(Generate, ABatchStopsWhenItsOutputIsLost) {
  class ClosedAfterFirstMap final : public ByteSink {
   public:
    void write(std::string_view bytes) override {
      if (bytes.find("seed") != std::string_view::npos) closed_ = true;
    }
    [[nodiscard]] int error() const override { return closed_ ? EPIPE : 0; }

   private:
    bool closed_ = false;
  };
  GenerateRequest request = request_for(kCave);
  request.seed = 7;
  request.count = 5;
  MemoryFileSystem files;
  ClosedAfterFirstMap out_sink;
  StringSink err_sink;
  int code = 0;
  {
    Console out(out_sink, LineEnds::kLf);
    Console err(err_sink, LineEnds::kLf);
    code = generate_command(request, 0, out, err, files);
  }
  EXPECT_EQ(code, kExitFailed);
  EXPECT_EQ(files.files.size(), 1U);
  EXPECT_TRUE(files.files.contains("Cave_1.map"));
}

TEST(Generate, RejectsWhatTheGeneratorRejectsAsUsageErrors) {
  struct Case {
    const char* name;
    std::size_t index;
    std::string value;
    std::optional<std::int64_t> count;
    std::optional<std::uint32_t> seed;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"width", 1, "5", {}, {}, "tarnixmap generate: <width> must be at least 7, got 5\n"},
      {"players", 3, "9", {}, {}, "tarnixmap generate: <players> must be from 2 to 4, got 9\n"},
      {"numbered name too long", 0, std::string(93, 'n'), 10, {}, "<name> must be 1 to 95 bytes"},
      {"count", 0, "Cave", 0, {}, "--count must be at least 1, got 0"},
      {"seeds past the last", 0, "Cave", 3, 4294967294U, "would go past seed 4294967295"},
      {"a count that overflows when added", 0, "Cave", std::numeric_limits<std::int64_t>::max(), 2,
       "at most 4294967294 maps start at that seed"},
      {"one seed left", 0, "Cave", 2, 4294967295U, "; at most 1 map starts at that seed\n"},
  };
  for (const Case& c : cases) {
    GenerateRequest request = request_for(kCave);
    request.values[c.index] = c.value;
    request.count = c.count;
    request.seed = c.seed;
    MemoryFileSystem files;
    const Outcome o = capture(
        [&](Console& out, Console& err) { return generate_command(request, 7, out, err, files); });
    EXPECT_EQ(o.code, kExitUsage) << c.name;
    EXPECT_NE(o.err.find(c.message), std::string::npos) << c.name << ": " << o.err;
    EXPECT_TRUE(files.files.empty()) << c.name;
  }
}

TEST(Generate, FailuresNameTheFileAndSeed) {
  GenerateRequest tight =
      request_for({"Tight", "7", "7", "4", "0", "0", "0", "0", "0", "0", "0", "0"});
  tight.seed = 3;
  MemoryFileSystem files;
  Outcome o = capture(
      [&](Console& out, Console& err) { return generate_command(tight, 0, out, err, files); });
  EXPECT_EQ(o.code, kExitFailed);
  // The generator's message, then what would fit: on a 7 x 7 map every
  // heart's centre is drawn at (3, 3), so only no spacing at all fits.
  EXPECT_EQ(o.err,
            "tarnixmap: Tight.map (seed 3): failed to find proper minimal distance between hearts\n"
            "tarnixmap generate: 4 hearts 5 squares apart (min_vosk_dist 0) do not fit on this "
            "seed of 7 x 7; in a quick trial of 16 seeds they fit with --min-vosk-dist -5 or "
            "less, or on 12 x 12 or larger\n");
  EXPECT_TRUE(files.files.empty());

  files.fail_next = "No space left on device";
  o = capture([&](Console& out, Console& err) {
    return generate_command(request_for(kCave), 8, out, err, files);
  });
  EXPECT_EQ(o.code, kExitFailed);
  EXPECT_EQ(o.err,
            "tarnixmap: Cave.map (seed 8): could not write map file Cave.map: No space left on "
            "device\n");
}

TEST(Check, SummarisesASoundMap) {
  MemoryFileSystem files;
  files.files["Cave.map"] = tarnixrandommap_at(kCave, 1).map;
  const CheckRequest request{.paths = {"Cave.map"}};
  const Outcome o =
      capture([&](Console& out, Console& err) { return check_command(request, out, err, files); });
  EXPECT_EQ(o.code, kExitOk);
  EXPECT_EQ(o.err, "");
  EXPECT_TRUE(
      o.out.starts_with("Cave.map: sound\n  name     Cave\n  size     64 x 64\n"
                        "  players  4\n  tiles    S "));
  EXPECT_NE(o.out.find("  player 1  heart (44, 26)\n    dig time  gold_first "), std::string::npos)
      << o.out;
  EXPECT_NE(o.out.find("  player 4  heart (5, 31)\n"), std::string::npos);
  EXPECT_NE(o.out.find("\n  fairness score "), std::string::npos);
  EXPECT_NE(o.out.find(" G 40 P 45\n"), std::string::npos);  // every gem and portal square
}

TEST(Check, ReportsProblemsWithFileAndLineAndGoesOn) {
  MemoryFileSystem files;
  std::string broken = tarnixrandommap_at(kCave, 1).map;
  broken.replace(broken.find("MAP_CODES"), 9, "MAP_CODEZ");
  files.files["broken.map"] = broken;
  files.files["Cave.map"] = tarnixrandommap_at(kCave, 2).map;
  const CheckRequest request{.paths = {"broken.map", "missing.map", "Cave.map"}};
  const Outcome o =
      capture([&](Console& out, Console& err) { return check_command(request, out, err, files); });
  EXPECT_EQ(o.code, kExitFailed);
  EXPECT_EQ(o.err,
            "broken.map:72: expected \"MAP_CODES\", found \"MAP_CODEZ\"\n"
            "tarnixmap: cannot read missing.map: No such file or directory\n");
  EXPECT_TRUE(o.out.starts_with("Cave.map: sound\n"));
}

SearchRequest search_for(std::array<std::string, kArgumentCount> values, std::uint32_t from,
                         std::uint64_t seeds) {
  SearchRequest request;
  request.values = std::move(values);
  request.from = from;
  request.seeds = seeds;
  request.threads = 2;
  return request;
}

// The seed on the line "NAME: seed S, score X" of a search's output.
std::uint32_t written_seed(const std::string& out, const std::string& file) {
  const std::size_t at = out.find(file + ": seed ");
  EXPECT_NE(at, std::string::npos) << out;
  return static_cast<std::uint32_t>(std::stoul(out.substr(at + file.size() + 7)));
}

// The best map is written byte for byte as the generator writes it at its
// seed, and it is the seed the ranking puts first.
TEST(Search, WritesTheBestMapsAsTheGeneratorWould) {
  MemoryFileSystem files;
  SearchRequest request = search_for(kCave, 100, 400);
  request.top = 3;
  Outcome o = capture(
      [&](Console& out, Console& err) { return search_command(request, 0, out, err, files); });
  ASSERT_EQ(o.code, kExitOk) << o.err;
  const std::uint32_t best = written_seed(o.out, "Cave.map");
  EXPECT_TRUE(o.out.starts_with("rank  seed        score   least even\n   1  " +
                                std::to_string(best) + " "))
      << o.out;
  EXPECT_NE(o.out.find("\n   3  "), std::string::npos);
  EXPECT_EQ(o.out.find("\n   4  "), std::string::npos);
  EXPECT_NE(o.out.find("searched 400 seeds, 100 to 499: 0 without a map"), std::string::npos);
  EXPECT_EQ(files.files.at("Cave.map"), tarnixrandommap_at(kCave, best).map);

  request.keep = 2;
  files.files.clear();
  o = capture(
      [&](Console& out, Console& err) { return search_command(request, 0, out, err, files); });
  ASSERT_EQ(o.code, kExitOk) << o.err;
  EXPECT_EQ(files.files.size(), 2U);
  for (const std::string rank : {"1", "2"}) {
    const std::size_t at = o.out.find("Cave_rank" + rank + "_seed");
    ASSERT_NE(at, std::string::npos) << o.out;
    std::array<std::string, kArgumentCount> values = kCave;
    values[0] = o.out.substr(at, o.out.find(".map", at) - at);
    const std::uint32_t seed = written_seed(o.out, values[0] + ".map");
    EXPECT_EQ(values[0], "Cave_rank" + rank + "_seed" + std::to_string(seed));
    EXPECT_EQ(files.files.at(values[0] + ".map"), tarnixrandommap_at(values, seed).map) << rank;
  }
  EXPECT_EQ(written_seed(o.out, "Cave_rank1_seed" + std::to_string(best) + ".map"), best);

  request.no_write = true;
  files.files.clear();
  o = capture(
      [&](Console& out, Console& err) { return search_command(request, 0, out, err, files); });
  EXPECT_EQ(o.code, kExitOk);
  EXPECT_TRUE(files.files.empty());
}

// A Ctrl-C that comes as the last seeds are finished still marks the
// search as stopped: the exit code is 130, never 0.
TEST(Search, ACtrlCAtTheVeryEndStillStopsTheSearch) {
  MemoryFileSystem files;
  SearchRequest request = search_for(kCave, 100, 20);
  const std::atomic<bool> interrupted{true};
  request.interrupted = &interrupted;
  const Outcome o = capture(
      [&](Console& out, Console& err) { return search_command(request, 0, out, err, files); });
  EXPECT_EQ(o.code, 130);
  EXPECT_NE(o.err.find("tarnixmap search: stopped by Ctrl-C after "), std::string::npos) << o.err;
}

// Workers that would not fit in memory are a usage error that says how
// many do; nothing is searched or written.
TEST(Search, RefusesMoreWorkersThanMemoryHolds) {
  MemoryFileSystem files;
  SearchRequest request = search_for(kCave, 100, 400000);
  request.threads = 32;
  request.memory_available =
      4 *
      worker_bytes(convert_arguments(std::array<std::string_view, 12>{
                       "Cave", "64", "64", "4", "500", "5", "300", "40", "200", "200", "20", "10"}),
                   true);
  const Outcome o = capture(
      [&](Console& out, Console& err) { return search_command(request, 0, out, err, files); });
  EXPECT_EQ(o.code, kExitUsage);
  EXPECT_TRUE(
      o.err.starts_with("tarnixmap search: --threads 32 would hold 32 maps of 64 x 64 "
                        "squares, "))
      << o.err;
  EXPECT_TRUE(o.err.ends_with(" of memory is available; at most 4 fit\n")) << o.err;
  EXPECT_EQ(o.out, "");
  EXPECT_TRUE(files.files.empty());
}

// One JSON object per ranked seed, best first, then one that closes the
// search; figures as check reports them.
TEST(Search, JsonLinesForScripts) {
  MemoryFileSystem files;
  SearchRequest request = search_for(kCave, 7, 50);
  request.json = true;
  request.top = 4;
  const Outcome o = capture(
      [&](Console& out, Console& err) { return search_command(request, 0, out, err, files); });
  ASSERT_EQ(o.code, kExitOk) << o.err;
  std::vector<nlohmann::json> lines;
  for (std::size_t at = 0; at < o.out.size(); at = o.out.find('\n', at) + 1)
    lines.push_back(nlohmann::json::parse(o.out.substr(at, o.out.find('\n', at) - at)));
  ASSERT_EQ(lines.size(), 5U);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(lines[i]["starts"].size(), 4U);
    EXPECT_TRUE(lines[i].contains("worst"));
    if (i > 0) {
      EXPECT_LE(lines[i - 1]["score"].get<double>(), lines[i]["score"].get<double>());
    }
  }
  EXPECT_EQ(lines[4]["searched"], 50);
  EXPECT_EQ(lines[4]["without_map"], 0);
  // The written map, checked, gives the same score and figures.
  files.files["best.map"] = files.files.at("Cave.map");
  CheckRequest check{.paths = {"best.map"}};
  check.json = true;
  const Outcome c =
      capture([&](Console& out, Console& err) { return check_command(check, out, err, files); });
  const nlohmann::json checked = nlohmann::json::parse(c.out);
  EXPECT_EQ(checked["score"], lines[0]["score"]);
  EXPECT_EQ(checked["starts"], lines[0]["starts"]);
  EXPECT_EQ(checked["sound"], true);
  EXPECT_EQ(written_seed(o.err, "Cave.map"), lines[0]["seed"].get<std::uint32_t>());
}

// A name that is not UTF-8 is shown escaped, as on the terminal, with its
// bytes beside it in hex: it never prints like another name, even one that
// spells out the escape, and it can be recovered.
TEST(Check, JsonKeepsNamesApart) {
  MemoryFileSystem files;
  const std::string map = tarnixrandommap_at(kCave, 2).map;
  files.files["a\xFF.map"] = map;
  files.files["a\\xFF.map"] = map;
  files.files["b\xFF.map"] = "broken";
  CheckRequest check{.paths = {"a\xFF.map", "a\\xFF.map", "b\xFF.map"}};
  check.json = true;
  const Outcome c =
      capture([&](Console& out, Console& err) { return check_command(check, out, err, files); });
  std::vector<nlohmann::json> lines;
  for (std::size_t at = 0; at < c.out.size(); at = c.out.find('\n', at) + 1)
    lines.push_back(nlohmann::json::parse(c.out.substr(at, c.out.find('\n', at) - at)));
  ASSERT_EQ(lines.size(), 3U) << c.out;
  EXPECT_EQ(lines[0]["file"], "a\\xFF.map");
  EXPECT_EQ(lines[0]["file_hex"], "61FF2E6D6170");
  EXPECT_EQ(lines[1]["file"], "a\\xFF.map");
  EXPECT_FALSE(lines[1].contains("file_hex"));
  EXPECT_EQ(lines[2]["file"], "b\\xFF.map");
  EXPECT_EQ(lines[2]["file_hex"], "62FF2E6D6170");
  EXPECT_EQ(lines[0]["name"], "Cave");
  EXPECT_FALSE(lines[0].contains("name_hex"));
}

TEST(Search, RangesPastTheLastSeedAndMaplessRangesWriteNothing) {
  MemoryFileSystem files;
  Outcome o = capture([&](Console& out, Console& err) {
    return search_command(search_for(kCave, 4294967295U, 2), 0, out, err, files);
  });
  EXPECT_EQ(o.code, kExitUsage);
  EXPECT_EQ(o.err,
            "tarnixmap search: --seeds 2 from seed 4294967295 would go past seed 4294967295; at "
            "most 1 seed starts there\n");
  o = capture([&](Console& out, Console& err) {
    return search_command(
        search_for({"Tight", "7", "7", "4", "0", "0", "0", "0", "0", "0", "0", "0"}, 1, 30), 0, out,
        err, files);
  });
  EXPECT_EQ(o.code, kExitFailed);
  EXPECT_EQ(o.err,
            "tarnixmap search: 4 hearts 5 squares apart (min_vosk_dist 0) fit on none of the 30 "
            "seeds of 7 x 7; in a quick trial of 16 seeds they fit with --min-vosk-dist -5 or "
            "less, or on 12 x 12 or larger; nothing was written\n");
  EXPECT_EQ(o.out, "");  // no empty table
  EXPECT_TRUE(files.files.empty());
}

// A symmetric search's progress line shows the figure its maps are ranked
// by, the best map's value of it, whichever end of it is good fortune: the
// nearest portal of all (a time, less is better), the furthest rival.
TEST(Search, TheProgressLineShowsThePreferredFigureOfSymmetricMaps) {
  const MapParams duel =
      params_of({"D", "40", "30", "2", "0", "2", "120", "10", "60", "60", "6", "2"});
  for (const Figure prefer : {Figure::kPortalTime, Figure::kRivalTime}) {
    SearchOptions options;
    options.symmetric = SymmetricSearch{Symmetry::kRot2, prefer};
    options.top = 1;
    SearchProgress progress;
    const SearchResult result = search_seeds(duel, {500, 60}, options, progress, [] {});
    ASSERT_FALSE(result.best.empty());
    const double best = figure_value(result.best[0].starts[0], prefer);
    EXPECT_EQ(progress_best_text(progress, prefer),
              std::string(info(prefer).name) + " " + fixed(best, 2));
  }
  SearchProgress none;
  EXPECT_EQ(progress_best_text(none, Figure::kRivalTime), "none");
  none.best_score = 0.25;
  EXPECT_EQ(progress_best_text(none, std::nullopt), "0.2500");
}

// The command a page gives to make it again names every option that
// differs from the defaults, and nothing else; a merge of ranges that do
// not meet has no one command.
TEST(Search, ThePagesCommandNamesWhatDiffersFromTheDefaults) {
  SearchSummary s;
  s.params = params_of({"My Map", "48", "40", "2", "0", "3", "100", "10", "50", "50", "8", "2"});
  s.searched = {{100, 5000}};
  s.top = 7;
  const std::string values = "'My Map' 48 40 2 0 3 100 10 50 50 8 2";
  EXPECT_EQ(search_command_line(s, "page"),
            "tarnixmap search --from 100 --seeds 5000 --top 7 --no-write --report page " + values);
  s.measure.costs.set(tile::kWater, CostTable::kWall);
  s.measure.costs.set(tile::kGold, 5);
  s.measure.weights[static_cast<std::size_t>(Figure::kTerritory)] = 2.5;
  s.measure.reach = 30;
  s.caps[static_cast<std::size_t>(Figure::kPortalsFirst)] = 0.5;
  s.min_border_gap = 3;
  s.symmetric = SymmetricSearch{Symmetry::kMirrorX, Figure::kRivalTime};
  EXPECT_EQ(search_command_line(s, "my page"),
            "tarnixmap search --from 100 --seeds 5000 --top 7 --cost W=wall --cost g=5 --weight "
            "territory=2.5 --reach 30 --max-spread portals_first=0.5 --min-border-gap 3 "
            "--symmetry mirror-x --prefer rival_time --no-write --report 'my page' " +
                values);
  s.searched = {{100, 5000}, {9000, 10}};
  EXPECT_EQ(search_command_line(s, "page"), "");
}

}  // namespace
}  // namespace tarnix
