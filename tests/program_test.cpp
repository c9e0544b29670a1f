// The built program as a process: what a user or a script sees.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/run/console.h"
#include "tarnixrandommap/run/run.h"
#include "tests/file_test_support.h"

namespace {

using tarnix::testing::Options;
using tarnix::testing::Result;

constexpr std::string_view kBanner =
    "Tarnix Random mapper version 1.1, by the Tarnix mapper authors <maps@tarnix.invalid>\r\n\r\n";

// The generator in a directory of its own.
class ProgramTest : public tarnix::testing::ProcessTest {
 protected:
  [[nodiscard]] Result run(const std::vector<std::string>& args,
                           const Options& options = {}) const {
    return run_program(TARNIXRANDOMMAP_PATH, args, options);
  }
};

const std::vector<std::string> kTypical = {"Cave", "64", "64",  "4",   "500", "5",
                                           "300",  "40", "200", "200", "20",  "10"};

std::vector<std::string> typical_with(std::size_t index, const std::string& value) {
  std::vector<std::string> args = kTypical;
  args[index] = value;
  return args;
}

bool only_crlf_line_ends(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return true;
}

TEST_F(ProgramTest, WrongArgumentCountPrintsBannerAndUsage) {
  for (const std::size_t count : {0, 11, 13}) {
    std::vector<std::string> args = kTypical;
    args.resize(count, "1");
    const Result r = run(args);
    EXPECT_EQ(r.code, 0) << count << " arguments";
    EXPECT_EQ(r.out.substr(0, kBanner.size()), kBanner) << count << " arguments";
    EXPECT_EQ(r.out.substr(kBanner.size(), 24), "Syntax: tarnixrandommap ") << count;
    EXPECT_TRUE(r.out.ends_with("\r\nThere are no optional parameters!\r\n")) << count;
    EXPECT_TRUE(only_crlf_line_ends(r.out)) << count << " arguments";
    EXPECT_TRUE(entries().empty()) << count << " arguments";
  }
}

TEST_F(ProgramTest, TypicalRunWritesACompleteMap) {
  const Result r = run(kTypical);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, std::string(kBanner) + "Actual portals placed: 5\r\n");
  EXPECT_EQ(entries(), std::vector<std::string>{"Cave.map"});
  const std::string map = read_file("Cave.map");
  const std::string head = "Cave\r\nPLAYERS 4\r\n\r\nMAP\r\n64 X 64\r\n\r\n";
  ASSERT_TRUE(map.starts_with(head));
  // 64 rows of 64 codes, each framed by the border.
  for (int y = 0; y < 64; ++y) {
    const std::string row = map.substr(head.size() + std::size_t{66} * y, 66);
    EXPECT_EQ(row.find_first_not_of("SA.1234WLgGP"), 64U) << "row " << y;
    EXPECT_TRUE(row.starts_with("A") && row.ends_with("A\r\n")) << "row " << y;
  }
  EXPECT_EQ(map.substr(head.size() + std::size_t{64} * 66, 13), "\r\nMAP_CODES\r\n");
  EXPECT_TRUE(map.ends_with("GOLD4 500\r\n\r\nEOF\r\n\r\n"));
  EXPECT_TRUE(only_crlf_line_ends(map));
}

TEST_F(ProgramTest, ExistingFileIsReplaced) {
  write_file("Cave.map", std::string(100000, 'x'));
  const Result r = run(kTypical);
  EXPECT_EQ(r.code, 1);
  const std::string map = read_file("Cave.map");
  EXPECT_TRUE(map.starts_with("Cave\r\nPLAYERS 4\r\n"));
  EXPECT_TRUE(map.ends_with("\r\nEOF\r\n\r\n"));
  EXPECT_EQ(entries(), std::vector<std::string>{"Cave.map"});
}

// Every value the generator cannot work with is named; nothing on disk changes.
TEST_F(ProgramTest, RejectedInputsLeaveNoFile) {
  struct Case {
    std::vector<std::string> args;
    std::string line;
  };
  const std::string name_rule =
      R"(<name> must be 1 to 95 bytes with no "/", "\" or control characters, got )";
  const std::vector<Case> cases = {
      {typical_with(0, ""), name_rule + "\"\" (0 bytes)"},
      {typical_with(0, std::string(96, 'a')),
       name_rule + "\"" + std::string(96, 'a') + "\" (96 bytes)"},
      {typical_with(0, "../Cave"), name_rule + "\"../Cave\" (7 bytes)"},
      {typical_with(0, "/"), name_rule + "\"/\" (1 byte)"},
      {typical_with(0, "sub/Cave"), name_rule + "\"sub/Cave\" (8 bytes)"},
      {typical_with(0, "back\\slash"), name_rule + R"("back\\slash" (10 bytes))"},
      {typical_with(0, "line\nfeed"), name_rule + R"("line\x0Afeed" (9 bytes))"},
      {typical_with(1, "5"), "<width> must be at least 7, got 5"},
      {typical_with(2, "abc"), "<height> must be at least 7, got 0"},
      {typical_with(3, "5"), "<players> must be from 2 to 4, got 5"},
      {typical_with(3, "1"), "<players> must be from 2 to 4, got 1"},
      {typical_with(5, "-1"), "<portals> must be 0 or more, got -1"},
      {typical_with(6, "-300"), "<gold> must be 0 or more, got -300"},
      {typical_with(7, "4294967295"), "<gems> must be 0 or more, got -1"},
      {typical_with(8, "-1"), "<lava> must be 0 or more, got -1"},
      {typical_with(9, "-1"), "<water> must be 0 or more, got -1"},
      {typical_with(10, "2147483647"),
       "<min_vosk_dist> must be from -46345 to 46335, got 2147483647"},
      {typical_with(10, "-50000"), "<min_vosk_dist> must be from -46345 to 46335, got -50000"},
      {typical_with(11, "2147483646"),
       "<min_portal_dist> must be at most 2147483643, got 2147483646"},
  };
  for (const Case& c : cases) {
    write_file("Cave.map", "old map");
    const Result r = run(c.args);
    EXPECT_EQ(r.code, 0) << c.line;
    EXPECT_EQ(r.out, std::string(kBanner) + c.line + "\r\nPlease check parameters\r\n") << c.line;
    EXPECT_EQ(read_file("Cave.map"), "old map") << c.line;
    EXPECT_EQ(entries(), std::vector<std::string>{"Cave.map"}) << c.line;
  }
}

TEST_F(ProgramTest, HeartFailureWritesNoFile) {
  const Result r = run({"Tight", "7", "7", "4", "0", "0", "0", "0", "0", "0", "0", "0"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, std::string(kBanner) +
                       "failed to find proper minimal distance between hearts\r\n"
                       "Please check parameters\r\n");
  EXPECT_TRUE(entries().empty());
}

// A file size limit makes the write fail part way: the old map must survive
// whole and no temporary file may be left behind.
TEST_F(ProgramTest, FailedWriteLeavesTheOldFileIntact) {
  const std::string old(3000, 'o');
  write_file("Cave.map", old);
  const Result r = run(kTypical, tarnix::testing::file_size_limit(1024));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, std::string(kBanner) +
                       "Actual portals placed: 5\r\n"
                       "could not write map file Cave.map: File too large\r\n");
  EXPECT_EQ(read_file("Cave.map"), old);
  EXPECT_EQ(entries(), std::vector<std::string>{"Cave.map"});
}

// A name the generator accepts may still hold bytes a terminal acts on (a
// C1 control in UTF-8, bytes that are not UTF-8, a right-to-left override):
// the console shows them escaped; the map file keeps the name as given.
TEST_F(ProgramTest, NamesAreShownEscapedAndWrittenAsGiven) {
  struct Case {
    std::string name;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {"\xC2\x9Bq", R"(\xC2\x9Bq)"},
      {"\xFFq", R"(\xFFq)"},
      {"a\xE2\x80\xAEpam", R"(a\xE2\x80\xAEpam)"},
  };
  for (const Case& c : cases) {
    Result r = run(typical_with(0, c.name), tarnix::testing::file_size_limit(1024));
    EXPECT_EQ(r.code, 0) << c.shown;
    EXPECT_TRUE(r.out.ends_with("could not write map file " + c.shown + ".map: File too large\r\n"))
        << c.shown << ": " << r.out;
    EXPECT_TRUE(entries().empty()) << c.shown;
    r = run(typical_with(0, c.name));
    EXPECT_EQ(r.code, 1) << c.shown;
    EXPECT_TRUE(read_file(c.name + ".map").starts_with(c.name + "\r\nPLAYERS 4\r\n")) << c.shown;
    ASSERT_EQ(unlink(path(c.name + ".map").c_str()), 0) << c.shown;
  }
}

// With the clock fixed at 1700000000 seconds (2023-11-14 22:13:20 UTC), the
// program's bytes are those of the run sequence seeded with that number.
TEST_F(ProgramTest, SeedIsTheClockSecond) {
  const Result r = run(kTypical, tarnix::testing::frozen_clock(1700000000U));

  tarnix::StringSink sink;
  tarnix::MemoryFileSystem files;
  int code = 0;
  {
    tarnix::Console console(sink);
    const std::vector<std::string_view> args(kTypical.begin(), kTypical.end());
    code = tarnix::run(args, 1700000000U, console, files);
  }
  EXPECT_EQ(r.code, code);
  EXPECT_EQ(r.out, sink.all());
  EXPECT_EQ(read_file("Cave.map"), files.files.at("Cave.map"));
}

// Where an unnamed file can never be given a name (no /proc, and no
// privilege to link it by descriptor: a chroot or a sandbox), the map is
// written the named way instead: whole, with the old file's mode, and
// nothing else left behind.
TEST_F(ProgramTest, WritesTheMapWhereAnUnnamedFileCannotBeLinked) {
  ASSERT_EQ(run(kTypical, tarnix::testing::frozen_clock(1700000000U)).code, 1);
  const std::string map = read_file("Cave.map");
  ASSERT_EQ(unlink(path("Cave.map").c_str()), 0);
  for (const bool replacing : {false, true}) {
    if (replacing) {
      write_file("Cave.map", "old map");
      ASSERT_EQ(chmod(path("Cave.map").c_str(), 0600), 0);
    }
    Options options = tarnix::testing::faults("linkat=ENOENT");
    options.env.emplace_back("TARNIX_FIXED_CLOCK=1700000000");
    options.env[0] += std::string(":") + FIXED_CLOCK_PATH;
    const Result r = run(kTypical, options);
    EXPECT_EQ(r.code, 1) << replacing << ": " << r.out;
    EXPECT_EQ(read_file("Cave.map"), map) << replacing;
    EXPECT_EQ(entries(), std::vector<std::string>{"Cave.map"}) << replacing;
    struct stat st {};
    ASSERT_EQ(stat(path("Cave.map").c_str(), &st), 0);
    if (replacing) {
      EXPECT_EQ(st.st_mode & 0777U, 0600U);
    }
  }
}

// However a write is stopped (a failed sync, or a signal the moment the new
// file is complete but has no name yet), the old map stays whole with its
// mode, nothing else is left in the directory, and a signal ends the
// program as it would have. Both kinds of temporary file are tried: the
// unnamed one, and the named one a file system without it falls back to.
TEST_F(ProgramTest, AStoppedWriteLeavesTheOldMapAndNothingElse) {
  struct Case {
    std::string fault;
    int code;
  };
  const std::vector<Case> cases = {{"fsync=EIO", 0},
                                   {"fsync=SIGTERM", 128 + SIGTERM},
                                   {"fsync=SIGINT", 128 + SIGINT},
                                   {"fsync=SIGHUP", 128 + SIGHUP}};
  for (const std::string temporary : {"", "tmpfile=EOPNOTSUPP,"}) {
    std::vector<Case> all = cases;
    // Only a file with no name survives SIGKILL without a trace.
    if (temporary.empty()) all.push_back({"fsync=SIGKILL", 128 + SIGKILL});
    for (const Case& c : all) {
      write_file("Cave.map", "old map");
      ASSERT_EQ(chmod(path("Cave.map").c_str(), 0600), 0);
      const Result r = run(kTypical, tarnix::testing::faults(temporary + c.fault));
      EXPECT_EQ(r.code, c.code) << temporary << c.fault;
      EXPECT_EQ(read_file("Cave.map"), "old map") << temporary << c.fault;
      EXPECT_EQ(entries(), std::vector<std::string>{"Cave.map"}) << temporary << c.fault;
      struct stat st {};
      ASSERT_EQ(stat(path("Cave.map").c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777U, 0600U) << temporary << c.fault;
      if (c.code == 0) {
        EXPECT_TRUE(r.out.ends_with(
            "could not write map file Cave.map: cannot sync it to disk: Input/output error\r\n"))
            << r.out;
      }
    }
    // A signal the program was started to ignore (nohup) stays ignored:
    // the map is written.
    Options nohup = tarnix::testing::faults(temporary + "fsync=SIGHUP");
    nohup.ignored = {SIGHUP};
    EXPECT_EQ(run(kTypical, nohup).code, 1) << temporary;
    EXPECT_TRUE(read_file("Cave.map").starts_with("Cave\r\n")) << temporary;
    EXPECT_EQ(entries(), std::vector<std::string>{"Cave.map"}) << temporary;
  }
}

}  // namespace
