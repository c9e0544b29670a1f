// tarnixmap as a process given hostile input: forged files, huge maps,
// little memory. It ends with a clear message, holds no more memory than
// its documented bounds, and writes nothing it should not.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/file_test_support.h"

namespace {

using tarnix::testing::Options;
using tarnix::testing::Result;

class LimitsTest : public tarnix::testing::ProcessTest {
 protected:
  [[nodiscard]] Result tarnixmap(const std::vector<std::string>& args,
                                 const Options& options = {}) const {
    return run_program(TARNIXMAP_PATH, args, options);
  }

  // A file of `count` copies of `piece`, written without holding it whole.
  void write_repeated(const std::string& name, const std::string& head, const std::string& piece,
                      std::size_t count, const std::string& tail) const {
    std::ofstream out(path(name), std::ios::binary);
    out << head;
    for (std::size_t i = 0; i < count; ++i)
      out << piece;
    out << tail;
  }
};

// A merge reads a line at a time and keeps only what the merged ranking
// needs: a 100 MB line and 20,000 searches in one file (a tree of either
// would take gigabytes) end in a message within 100 MB of memory.
TEST_F(LimitsTest, MergeOfForgedShardsStaysWithinItsMemory) {
  const std::optional<Options> limited = tarnix::testing::memory_limit(100);
  if (!limited) GTEST_SKIP() << "the sanitizers reserve more memory than the bound";
  const Result shard =
      tarnixmap({"search",     "--from",  "100",  "--seeds", "40", "--top", "3", "--json",
                 "--no-write", "--quiet", "Duel", "24",      "24", "2",     "0", "1",
                 "20",         "6",       "20",   "20",      "2",  "2"});
  ASSERT_EQ(shard.code, 0) << shard.err;
  write_repeated("line.json", "[", "0,", 50000000, "0]\n");
  write_repeated("many.json", "", shard.out, 20000, "");
  const Result line = tarnixmap({"merge", "line.json"}, *limited);
  EXPECT_EQ(line.code, 1);
  EXPECT_EQ(line.err,
            "tarnixmap merge: line.json: line 1: longer than 1048576 bytes; no line of search "
            "--json is that long\n");
  const Result many = tarnixmap({"merge", "many.json"}, *limited);
  EXPECT_EQ(many.code, 1);
  EXPECT_EQ(many.err,
            "tarnixmap merge: many.json (search 1) and many.json (search 2) both searched seeds "
            "100 to 139; searches to merge must not share a seed\n");
}

// A --params file is read, never written over: not by the map it
// describes (X.map holding the values of the map named X), not by one of a
// batch, not through another name of the same file.
TEST_F(LimitsTest, TheParamsFileIsNeverOverwritten) {
  const std::string values = R"({"name": "X", "width": 32, "height": 32, "players": 2})";
  write_file("X.map", values);
  write_file("X_2.map", values);
  write_file("p.json", values);
  ASSERT_EQ(link(path("p.json").c_str(), path("Linked.map").c_str()), 0);
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"generate", "--params", "X.map", "--seed", "3"},
       "tarnixmap generate: X.map is the --params file X.map; it would be overwritten\n"},
      {{"generate", "--params", "X_2.map", "--seed", "3", "--count", "3"},
       "tarnixmap generate: X_2.map is the --params file X_2.map; it would be overwritten\n"},
      {{"generate", "--params", "p.json", "--seed", "3", "Linked"},
       "tarnixmap generate: Linked.map is the --params file p.json; it would be overwritten\n"},
      {{"search", "--params", "X.map", "--seeds", "20", "--quiet"},
       "tarnixmap search: X.map is the --params file X.map; it would be overwritten\n"},
      {{"search", "--params", "p.json", "--seeds", "20", "--quiet", "--report", ".", "--no-write"},
       ""},
  };
  for (const Case& c : cases) {
    const Result r = tarnixmap(c.args);
    if (c.err.empty()) {
      EXPECT_EQ(r.code, 0) << c.args[2] << ": " << r.err;
    } else {
      EXPECT_EQ(r.code, 2) << c.args[2];
      EXPECT_TRUE(r.err.starts_with(c.err)) << c.args[2] << ": " << r.err;
    }
    EXPECT_EQ(read_file("X.map"), values) << c.args[2];
    EXPECT_EQ(read_file("X_2.map"), values) << c.args[2];
    EXPECT_EQ(read_file("p.json"), values) << c.args[2];
  }
}

// A map too big for the memory there is: every command that reads it says
// so, names the file, exits 1 and writes nothing at all.
TEST_F(LimitsTest, RunningOutOfMemoryIsSaidForTheFile) {
  const std::optional<Options> limited = tarnix::testing::memory_limit(300);
  if (!limited) GTEST_SKIP() << "the sanitizers reserve more memory than the bound";
  const Result big = tarnixmap({"generate", "--seed", "1", "Big", "8192", "8192", "2", "0", "0",
                                "0", "0", "0", "0", "20", "10"});
  ASSERT_EQ(big.code, 0) << big.err;
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"check", "Big.map"}, "Big.map: not enough memory to check it\n"},
      {{"render", "Big.map"}, "tarnixmap: not enough memory to draw Big.map\n"},
      {{"render", "--territory", "Big.map", "-o", "t.png"},
       "tarnixmap: not enough memory to draw Big.map\n"},
      {{"report", "-o", "page", "Big.map"},
       "tarnixmap: not enough memory to put Big.map on the page\n"
       "tarnixmap: no map to show; nothing was written\n"},
  };
  for (const Case& c : cases) {
    const Result r = tarnixmap(c.args, *limited);
    EXPECT_EQ(r.code, 1) << c.args[0];
    EXPECT_EQ(r.err, c.err) << c.args[0];
    EXPECT_EQ(entries(), std::vector<std::string>{"Big.map"}) << c.args[0];
  }
}

// A page of many maps holds one of them at a time: ten maps of 2048 x 2048
// fit in the memory one needs (one takes about 50 MB, all ten at once 130).
TEST_F(LimitsTest, AReportHoldsOneMapAtATime) {
  const std::optional<Options> limited = tarnix::testing::memory_limit(120);
  if (!limited) GTEST_SKIP() << "the sanitizers reserve more memory than the bound";
  const Result made = tarnixmap({"generate", "--seed", "1", "--count", "10", "M", "2048", "2048",
                                 "4", "500", "5", "3000", "400", "2000", "2000", "20", "10"});
  ASSERT_EQ(made.code, 0) << made.err;
  std::vector<std::string> args = {"report", "-o", "page"};
  for (int i = 1; i <= 10; ++i)
    args.push_back("M_" + std::to_string(i) + ".map");
  const Result r = tarnixmap(args, *limited);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "page/index.html: 10 maps\n");
}

// A symmetric map whose file gives one player more starting gold is not
// symmetric, and its even ground does not make it a fair start.
TEST_F(LimitsTest, ATamperedSymmetricMapIsNotCertifiedFair) {
  const Result made = tarnixmap({"generate", "--seed", "5", "--symmetry", "quad", "Q", "64", "64",
                                 "4", "500", "4", "300", "40", "200", "200", "20", "10"});
  ASSERT_EQ(made.code, 0) << made.err;
  const Result even = tarnixmap({"check", "Q.map"});
  EXPECT_NE(even.out.find("  symmetry quad: "), std::string::npos) << even.out;
  EXPECT_NE(even.out.find(": every player starts alike\n"), std::string::npos) << even.out;
  std::string map = read_file("Q.map");
  const std::size_t gold = map.find("GOLD4 500\r\n");
  ASSERT_NE(gold, std::string::npos);
  map.replace(gold, 9, "GOLD4 99999");
  write_file("Q.map", map);
  const Result tampered = tarnixmap({"check", "Q.map"});
  EXPECT_EQ(tampered.code, 0) << tampered.err;
  EXPECT_EQ(tampered.out.find("symmetry"), std::string::npos) << tampered.out;
  EXPECT_EQ(tampered.out.find("every player starts alike"), std::string::npos) << tampered.out;
  EXPECT_NE(tampered.out.find("the starting gold is not (player 1 500, player 2 500, player 3 "
                              "500, player 4 99999)"),
            std::string::npos)
      << tampered.out;
  const Result json = tarnixmap({"check", "--json", "Q.map"});
  EXPECT_NE(json.out.find("\"symmetry\":null"), std::string::npos) << json.out;
}

}  // namespace
