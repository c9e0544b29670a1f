#include <gtest/gtest.h>

#include <atomic>
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
std::string shard(std::uint32_t from, std::uint64_t seeds, bool stopped = false) {
  SearchRequest request;
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

Merged merge(const std::vector<std::string>& paths, MemoryFileSystem& files, bool partial = false) {
  MergeRequest request;
  request.paths = paths;
  request.partial = partial;
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
  const std::size_t score = text.find("\"score\":") + 8;
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

}  // namespace
}  // namespace tarnix
