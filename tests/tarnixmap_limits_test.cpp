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

}  // namespace
