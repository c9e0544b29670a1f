#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tarnixmap/commands/commands.h"

namespace tarnix {
namespace {

// Small maps, quick to search.
const std::array<std::string, kArgumentCount> kDuel = {"Duel", "24", "24", "2",  "0", "1",
                                                       "20",   "6",  "20", "20", "2", "2"};

struct Merged {
  int code = -1;
  std::string out;
  std::string err;
};

// A search's JSON output, as a shard of a range.
std::string shard(std::uint32_t from, std::uint64_t seeds, bool stopped = false,
                  bool histogram = false) {
  SearchRequest request;
  request.histogram = histogram;
  request.values = kDuel;
  request.from = from;
  request.seeds = seeds;
  request.top = 3;
  request.json = true;
  request.no_write = true;
  request.threads = 1;
  const std::atomic<bool> interrupted{stopped};
  request.interrupted = &interrupted;
  StringSink out;
  StringSink err;
  MemoryFileSystem files;
  {
    Console o(out, LineEnds::kLf);
    Console e(err, LineEnds::kLf);
    (void)search_command(request, 0, o, e, files);
  }
  return out.all();
}

Merged merge(const std::vector<std::string>& paths, MemoryFileSystem& files, bool partial = false,
             bool json = false) {
  MergeRequest request;
  request.paths = paths;
  request.partial = partial;
  request.json = json;
  StringSink out;
  StringSink err;
  Merged run;
  {
    Console o(out, LineEnds::kLf);
    Console e(err, LineEnds::kLf);
    run.code = merge_command(request, o, e, files);
  }
  run.out = out.all();
  run.err = err.all();
  return run;
}

// A search stopped by Ctrl-C says so and where; merge takes it only when
// told that a part is enough, and then says the merge is partial too.
TEST(Merge, AStoppedSearchOnlyWithPartial) {
  MemoryFileSystem files;
  files.files["a.json"] = shard(100, 40);
  files.files["b.json"] = shard(140, 40, true);
  EXPECT_NE(files.files["b.json"].find("\"resume_from\":180,"), std::string::npos)
      << files.files["b.json"];
  const Merged refused = merge({"a.json", "b.json"}, files);
  EXPECT_EQ(refused.code, kExitFailed);
  EXPECT_EQ(refused.err,
            "tarnixmap merge: b.json is a search stopped before the end of its range (it "
            "searched 140 to 179); search the rest, or give --partial to merge what it "
            "searched\n");
  EXPECT_EQ(refused.out, "");
  const Merged partial = merge({"a.json", "b.json"}, files, true);
  EXPECT_EQ(partial.code, kExitOk) << partial.err;
  EXPECT_NE(partial.out.find("merged 2 searches: searched 80 seeds, 100 to 179: "),
            std::string::npos)
      << partial.out;
}

// A seed whose score is not what its map measures (a file edited, or made
// by another version) is refused: the merge would rank it wrongly.
TEST(Merge, ScoresAreCheckedAgainstTheMaps) {
  MemoryFileSystem files;
  files.files["a.json"] = shard(100, 40);
  std::string& text = files.files["a.json"];
  // The last ranked seed's, so that the seeds are still best first.
  const std::size_t score = text.rfind("\"score\":") + 8;
  text.insert(score, "1");  // 2.5 becomes 12.5, say
  const Merged run = merge({"a.json"}, files);
  EXPECT_EQ(run.code, kExitFailed);
  EXPECT_NE(run.err.find("tarnixmap merge: a.json ranks seed "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("another version of tarnixmap, or changed?"), std::string::npos);
}

// What is not a search's output is named with its line; a file may hold
// several searches, one after another, each named by its place.
TEST(Merge, SaysWhichLineIsNotASearchOutput) {
  struct Case {
    std::string text;
    std::string err;
  };
  const std::string good = shard(100, 10);
  const std::string summary = good.substr(good.rfind("{\"histogram\""));
  const std::vector<Case> cases = {
      {"", "tarnixmap merge: x.json: no summary line at the end: the search did not finish"},
      {"rank  seed\n", "tarnixmap merge: x.json: line 1: not a JSON object; is this the output"},
      {good + good, "x.json (search 1) and x.json (search 2) both searched seeds 100 to 109"},
      {good.substr(0, good.size() - summary.size()), "no summary line at the end"},
      {"{\"seed\": 5}\n" + summary, "x.json: line 1: a ranked seed needs its \"seed\" and"},
  };
  for (const Case& c : cases) {
    MemoryFileSystem files;
    files.files["x.json"] = c.text;
    const Merged run = merge({"x.json"}, files);
    EXPECT_EQ(run.code, kExitFailed) << c.text;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << c.text << ": " << run.err;
  }
}

// A search's output as its lines, each a JSON object, to be forged.
std::vector<nlohmann::json> lines_of(const std::string& text) {
  std::vector<nlohmann::json> lines;
  std::size_t at = 0;
  for (std::size_t end = text.find('\n'); end != std::string::npos;
       at = end + 1, end = text.find('\n', at)) {
    lines.push_back(nlohmann::json::parse(text.substr(at, end - at)));
  }
  return lines;
}

std::string text_of(const std::vector<nlohmann::json>& lines) {
  std::string text;
  for (const nlohmann::json& line : lines)
    text += line.dump() + "\n";
  return text;
}

// A shard that no search could print is refused, naming the file and what
// is wrong with it, however it was forged: merge takes exactly what search
// --json prints.
TEST(Merge, RefusesWhatNoSearchPrints) {
  using Lines = std::vector<nlohmann::json>;
  struct Case {
    const char* name;
    std::function<void(Lines&)> forge;
    std::string err;
  };
  const std::vector<Case> cases = {
      {"a bin that would wrap the merged one",
       [](Lines& l) { l.back()["histogram"]["counts"][3] = 18446744073709551615ULL; },
       "x.json: line 4: \"histogram\" must be counts of whole numbers"},
      {"a bin too many", [](Lines& l) { l.back()["histogram"]["counts"].push_back(0); },
       "x.json: line 4: \"histogram\" must have 392 bins for these weights, not 393"},
      {"a score counted twice in the histogram",
       [](Lines& l) {
         l.back()["histogram"]["counts"][60] = 1 + l.back()["histogram"]["counts"][60].get<int>();
       },
       "scores, but the counts leave"},
      {"more sealed than searched", [](Lines& l) { l.back()["sealed"] = 41; },
       R"(x.json: line 4: "without_map", "rejected" and "sealed" add up to more than the 40)"},
      {"a ranked seed outside its range", [](Lines& l) { l[1]["seed"] = 99; },
       "x.json: line 4: it ranks seed 99, which it did not search"},
      {"a seed ranked twice",
       [](Lines& l) {
         l[1]["seed"] = l[0]["seed"];
         l[1]["score"] = l[0]["score"];
       },
       "x.json: line 4: it ranks seed"},
      {"fewer ranked lines than its top", [](Lines& l) { l.erase(l.begin() + 2); },
       "x.json: line 3: its summary leaves"},
      {"a top of 0", [](Lines& l) { l.back()["top"] = 0; }, "\"top\" (1 to 100000)"},
      {"negative seconds", [](Lines& l) { l.back()["seconds"] = -1; },
       "\"seconds\" a number of 0 or more"},
      {"seconds that are not a number", [](Lines& l) { l.back()["seconds"] = nullptr; },
       "\"seconds\" a number of 0 or more"},
      {"seeds not best first", [](Lines& l) { std::swap(l[0], l[1]); },
       "its ranked seeds are not best first"},
      {"400,000 arrays in its values",
       [](Lines& l) { l.back()["params"]["name"] = nlohmann::json::array(); },
       "x.json: line 4: objects and lists nested more than 6 deep"},
  };
  for (const Case& c : cases) {
    Lines lines = lines_of(shard(100, 40, false, true));
    ASSERT_EQ(lines.size(), 4U);
    c.forge(lines);
    std::string text = text_of(lines);
    if (std::string(c.name) == "400,000 arrays in its values") {
      const std::string at = "\"name\":[]";
      const std::size_t where = text.find(at);
      ASSERT_NE(where, std::string::npos);
      text.replace(where, at.size(),
                   "\"name\":" + std::string(400000, '[') + std::string(400000, ']'));
    }
    MemoryFileSystem files;
    files.piece_size = 4096;  // lines that span pieces
    files.files["x.json"] = text;
    files.files["y.json"] = shard(140, 40, false, true);
    const Merged run = merge({"x.json", "y.json"}, files);
    EXPECT_EQ(run.code, kExitFailed) << c.name;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << c.name << ": " << run.err;
    EXPECT_EQ(run.out, "") << c.name;
  }
}

// Across searches: a seed one ranks that another searched, and seconds
// that add up past any number (two searches of 1e308 s).
TEST(Merge, RefusesSearchesThatDoNotAddUp) {
  MemoryFileSystem files;
  files.files["a.json"] = shard(100, 40);
  std::vector<nlohmann::json> b = lines_of(shard(140, 40));
  b[0]["seed"] = lines_of(files.files["a.json"])[0]["seed"];
  files.files["b.json"] = text_of(b);
  EXPECT_NE(merge({"a.json", "b.json"}, files).err.find("b.json: line 4: it ranks seed"),
            std::string::npos);

  std::vector<nlohmann::json> slow = lines_of(shard(140, 40));
  slow.back()["seconds"] = 1e308;
  files.files["b.json"] = text_of(slow);
  files.files["c.json"] = text_of(slow);
  slow.back()["ranges"] = {{{"from", 180}, {"seeds", 40}}};
  slow.back()["range"] = {{"from", 180}, {"seeds", 40}};
  files.files["c.json"] = shard(180, 40);
  std::vector<nlohmann::json> also_slow = lines_of(files.files["c.json"]);
  also_slow.back()["seconds"] = 1e308;
  files.files["c.json"] = text_of(also_slow);
  const Merged run = merge({"b.json", "c.json"}, files);
  EXPECT_EQ(run.code, kExitFailed);
  EXPECT_EQ(run.err,
            "tarnixmap merge: c.json: the searches' seconds add up to more than a number holds\n");
}

// What merge prints, merge reads again, and gives the same: a merge of
// merges is a merge.
TEST(Merge, ReadsBackWhatItPrints) {
  MemoryFileSystem files;
  files.files["a.json"] = shard(100, 40, false, true);
  files.files["b.json"] = shard(140, 40, false, true);
  files.files["c.json"] = shard(180, 40, false, true);
  const Merged ab = merge({"a.json", "b.json"}, files, false, true);
  ASSERT_EQ(ab.code, kExitOk) << ab.err;
  files.files["ab.json"] = ab.out;
  const Merged again = merge({"ab.json", "c.json"}, files, false, true);
  ASSERT_EQ(again.code, kExitOk) << again.err;
  const Merged all = merge({"a.json", "b.json", "c.json"}, files, false, true);
  ASSERT_EQ(all.code, kExitOk) << all.err;
  EXPECT_EQ(again.out, all.out);
}

// Bounds on what one line may hold: no line of a search is a megabyte
// long, and no search ranks more than 100,000 seeds.
TEST(Merge, RefusesLinesBeyondWhatASearchPrints) {
  MemoryFileSystem files;
  files.files["long.json"] = "[" + std::string(2 << 20U, ' ') + "]\n";
  const Merged long_line = merge({"long.json"}, files);
  EXPECT_EQ(long_line.code, kExitFailed);
  EXPECT_EQ(long_line.err,
            "tarnixmap merge: long.json: line 1: longer than 1048576 bytes; no line of search "
            "--json is that long\n");
  std::string many;
  for (int seed = 0; seed <= 100000; ++seed)
    many += "{\"seed\":" + std::to_string(seed) + ",\"score\":1}\n";
  files.files["many.json"] = many;
  const Merged run = merge({"many.json"}, files);
  EXPECT_EQ(run.err,
            "tarnixmap merge: many.json: line 100001: more than 100000 ranked seeds before a "
            "summary; no search ranks more\n");
}

}  // namespace
}  // namespace tarnix
