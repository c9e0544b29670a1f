#include "tarnixrandommap/run/run.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

namespace tarnix {
namespace {

constexpr std::string_view kBanner =
    "Tarnix Random mapper version 1.1, by the Tarnix mapper authors <maps@tarnix.invalid>\r\n\r\n";

constexpr std::string_view kUsage =
    "Syntax: tarnixrandommap <name> <width> <height> <players> <start_gold> <portals> <gold> "
    "<gems> <lava> <water> <min_vosk_dist> <min_portal_dist>\r\n"
    "where:\r\n<name> = Map Name\r\n<width> = Map width\r\n<height> = Map height\r\n"
    "<players> = number of players\r\n"
    "<start_gold> = starting gold amount for players\r\n<portals> = number of portals (3x3)\r\n"
    "<gold> = number of gold squares\r\n"
    "<gems> = number of gems squares\r\n<lava> = number of lava squares\r\n"
    "<water> = number of water squares\r\n"
    "<min_vosk_dist> = minimum distance in tiles between vosks\r\n"
    "<min_portal_dist> = min distance of portals from all hearts\r\n"
    "There are no optional parameters!\r\n";

// One in-memory run.
struct Outcome {
  int code = -1;
  std::string out;  // standard output after the banner
  MemoryFileSystem files;
};

void run_into(Outcome& o, const std::vector<std::string_view>& args, std::uint32_t seed) {
  StringSink sink;
  {
    Console console(sink);
    o.code = run(args, seed, console, o.files);
  }
  const std::string all = sink.all();
  ASSERT_EQ(all.substr(0, kBanner.size()), kBanner);
  o.out = all.substr(kBanner.size());
}

const std::vector<std::string_view> kTypical = {"Cave", "64", "64",  "4",   "500", "5",
                                                "300",  "40", "200", "200", "20",  "10"};

TEST(Run, WrongArgumentCountShowsUsage) {
  for (const std::size_t count : {0, 1, 11, 13}) {
    std::vector<std::string_view> args(kTypical);
    args.resize(count, "7");
    Outcome o;
    run_into(o, args, 1);
    EXPECT_EQ(o.code, 0) << count << " arguments";
    EXPECT_EQ(o.out, kUsage) << count << " arguments";
    EXPECT_TRUE(o.files.files.empty()) << count << " arguments";
  }
}

TEST(Run, TypicalRunWritesTheMap) {
  Outcome o;
  run_into(o, kTypical, 1);
  EXPECT_EQ(o.code, 1);
  EXPECT_EQ(o.out, "Actual portals placed: 5\r\n");
  ASSERT_EQ(o.files.files.count("Cave.map"), 1U);
  const std::string& map = o.files.files.at("Cave.map");
  EXPECT_TRUE(map.starts_with("Cave\r\nPLAYERS 4\r\n\r\nMAP\r\n64 X 64\r\n\r\nAAAA"));
  EXPECT_NE(map.find("VSK1_HEART_CENTER 44 26\r\nVSK2_HEART_CENTER 15 55\r\n"
                     "VSK3_HEART_CENTER 40 55\r\nVSK4_HEART_CENTER 5 31\r\n"
                     "GOLD1 500\r\nGOLD2 500\r\nGOLD3 500\r\nGOLD4 500\r\n\r\nEOF\r\n\r\n"),
            std::string::npos);
}

TEST(Run, SameSeedSameBytesOtherSeedOtherMap) {
  Outcome a;
  Outcome b;
  Outcome c;
  run_into(a, kTypical, 1700000000);
  run_into(b, kTypical, 1700000000);
  run_into(c, kTypical, 1700000001);
  EXPECT_EQ(a.files.files, b.files.files);
  EXPECT_EQ(a.out, b.out);
  EXPECT_NE(a.files.files.at("Cave.map"), c.files.files.at("Cave.map"));
}

// Only CR LF ends a line, on the console and in the file.
TEST(Run, NoBareLineFeeds) {
  Outcome o;
  run_into(o, {"Crowded", "40", "30", "4", "0", "60", "900", "900", "900", "900", "5", "0"}, 5);
  ASSERT_EQ(o.code, 1);
  for (const std::string* text : {&o.out, &o.files.files.at("Crowded.map")}) {
    for (std::size_t i = 0; i < text->size(); ++i) {
      if ((*text)[i] == '\n') {
        ASSERT_TRUE(i > 0 && (*text)[i - 1] == '\r') << "byte " << i;
      }
    }
  }
}

TEST(Run, ShortfallsAreReportedAndTheMapIsStillWritten) {
  Outcome o;
  run_into(o, {"Small", "12", "12", "2", "0", "4", "500", "500", "500", "500", "0", "0"}, 3);
  EXPECT_EQ(o.code, 1);
  EXPECT_EQ(o.files.files.count("Small.map"), 1U);
  EXPECT_NE(o.out.find("restricted portal placement failure: Could not place all portals: "),
            std::string::npos);
  EXPECT_NE(o.out.find("\r\nActual portals placed: "), std::string::npos);
  EXPECT_NE(o.out.find("\r\nCould not place all gems: "), std::string::npos);
  EXPECT_NE(o.out.find("\r\nCould not place all gold: "), std::string::npos);
  // Gems and gold fill the map, so lava and water find no rock at all.
  EXPECT_NE(o.out.find("\r\nCould not place all lava: 0\r\nCould not place all water: 0\r\n"),
            std::string::npos);
}

TEST(Run, HeartsThatDoNotFitEndTheRunWithoutAMap) {
  Outcome o;
  run_into(o, {"Tight", "7", "7", "2", "0", "0", "0", "0", "0", "0", "-4", "0"}, 1);
  EXPECT_EQ(o.code, 0);
  EXPECT_EQ(o.out,
            "failed to find proper minimal distance between hearts\r\nPlease check parameters\r\n");
  EXPECT_TRUE(o.files.files.empty());
}

TEST(Run, RejectedArgumentsAreListedAndNoFileIsWritten) {
  Outcome o;
  o.files.files["x.map"] = "old";
  run_into(o, {"x", "5", "64", "7", "0", "-1", "0", "0", "0", "0", "0", "0"}, 1);
  EXPECT_EQ(o.code, 0);
  EXPECT_EQ(o.out,
            "<width> must be at least 7, got 5\r\n"
            "<players> must be from 2 to 4, got 7\r\n"
            "<portals> must be 0 or more, got -1\r\n"
            "Please check parameters\r\n");
  EXPECT_EQ(o.files.files.at("x.map"), "old");
}

TEST(Run, MapTooBigForMemoryIsReported) {
  Outcome o;
  run_into(o, {"Huge", "2147483647", "2147483647", "2", "0", "0", "0", "0", "0", "0", "0", "0"}, 1);
  EXPECT_EQ(o.code, 0);
  EXPECT_EQ(o.out, "not enough memory for a map of 2147483647 x 2147483647 squares\r\n");
  EXPECT_TRUE(o.files.files.empty());
}

TEST(Run, FailedWriteIsReportedAndTheOldFileKept) {
  Outcome o;
  o.files.files["Cave.map"] = "old";
  o.files.fail_next = "No space left on device";
  run_into(o, kTypical, 1);
  EXPECT_EQ(o.code, 0);
  EXPECT_EQ(o.out,
            "Actual portals placed: 5\r\n"
            "could not write map file Cave.map: No space left on device\r\n");
  EXPECT_EQ(o.files.files.at("Cave.map"), "old");
}

TEST(Run, LettersConvertToZero) {
  Outcome o;
  run_into(o, {"NoGold", "64", "64", "2", "100", "0", "lots", "0", "0", "0", "10", "0"}, 8);
  ASSERT_EQ(o.code, 1);
  const std::string& map = o.files.files.at("NoGold.map");
  const std::size_t grid_start = map.find("64 X 64\r\n\r\n");
  const std::size_t grid_end = map.find("MAP_CODES");
  ASSERT_LT(grid_start, grid_end);
  EXPECT_EQ(map.substr(grid_start, grid_end - grid_start).find('g'), std::string::npos);
}

// Once the console is lost (a closed pipe), millions of portal failures
// are not formatted into lines nobody reads; the map is still written.
TEST(Run, StopsReportingOnceTheConsoleIsLost) {
  class Lost final : public ByteSink {
   public:
    void write(std::string_view /*bytes*/) override { ++writes; }
    [[nodiscard]] int error() const override { return writes > 0 ? EPIPE : 0; }
    int writes = 0;
  };
  Lost sink;
  MemoryFileSystem files;
  const std::vector<std::string_view> args = {"Full", "20", "20", "2", "0", "100000",
                                              "0",    "0",  "0",  "0", "0", "0"};
  {
    Console console(sink);
    EXPECT_EQ(run(args, 1, console, files), 1);
  }
  EXPECT_TRUE(files.files.contains("Full.map"));
  EXPECT_LT(sink.writes, 10);
}

}  // namespace
}  // namespace tarnix
