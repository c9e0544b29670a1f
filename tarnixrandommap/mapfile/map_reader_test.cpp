#include "tarnixrandommap/mapfile/map_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tarnixrandommap/mapfile/map_file.h"
#include "tarnixrandommap/run/console.h"
#include "tarnixrandommap/run/generate.h"

namespace tarnix {
namespace {

// A 9 × 9 map with two overlapping hearts, at (3, 3) and (5, 5): the file's
// lines are 1 name, 2 PLAYERS, 5 size, 7-15 the rows, 17 MAP_CODES,
// 41-42 the centres, 43-44 the gold, 46 EOF and 47 the final empty line.
// A wider one keeps the same lines.
std::string small_map_file(std::int32_t width = 9) {
  std::optional<TileGrid> grid = TileGrid::create(width, 9);
  init_grid(*grid);
  HeartTable hearts;
  hearts.centres[0] = {3, 3};
  hearts.centres[1] = {5, 5};
  hearts.count = 2;
  for (std::int32_t p = 0; p < 2; ++p) {
    const HeartCentre c = hearts.centres[static_cast<std::size_t>(p)];
    for (std::int32_t y = c.y - 2; y <= c.y + 2; ++y) {
      for (std::int32_t x = c.x - 2; x <= c.x + 2; ++x)
        grid->at(x, y) = tile::heart(p);
    }
  }
  grid->at(6, 2) = tile::kGems;
  MemoryFileSystem files;
  std::string err;
  EXPECT_TRUE(write_map_file(files, "m.map", {"Small", 2, 300}, *grid, hearts, &err));
  return files.files.at("m.map");
}

// Replaces line `number` (from 1) of a CR LF file.
std::string with_line(const std::string& file, std::int64_t number, const std::string& text) {
  std::size_t start = 0;
  for (std::int64_t n = 1; n < number; ++n)
    start = file.find("\r\n", start) + 2;
  const std::size_t end = file.find("\r\n", start);
  return file.substr(0, start) + text + file.substr(end);
}

TEST(ReadMapFile, ReadsBackWhatTheGeneratorWrote) {
  struct Case {
    std::vector<std::string_view> args;
    std::uint32_t seed;
  };
  const std::vector<Case> cases = {
      {{"Cave", "64", "64", "4", "500", "5", "300", "40", "200", "200", "20", "10"}, 1},
      {{"Two", "30", "20", "2", "-7", "2", "50", "10", "60", "60", "0", "0"}, 77},
      {{"Tiny", "7", "7", "3", "9", "1", "5", "5", "5", "5", "-5", "-4"}, 5},
  };
  for (const Case& c : cases) {
    const std::span<const std::string_view, kArgumentCount> args(c.args.data(), kArgumentCount);
    const MapParams params = convert_arguments(args);
    StringSink sink;
    Console console(sink);
    MemoryFileSystem files;
    const GeneratedMap map = generate_map(params, "x.map", c.seed, console, files);
    ASSERT_EQ(map.outcome, MapOutcome::kWritten) << params.name;

    const MapFileRead read = read_map_file(files.files.at("x.map"));
    EXPECT_TRUE(read.problems.empty()) << params.name << ": " << read.problems.front().line << " "
                                       << read.problems.front().message;
    const MapFileContents& got = read.contents;
    EXPECT_EQ(got.name, params.name);
    EXPECT_EQ(got.players, params.players) << params.name;
    ASSERT_TRUE(got.grid.has_value()) << params.name;
    EXPECT_EQ(got.grid->rows(), map.grid->rows()) << params.name;
    EXPECT_EQ(got.hearts.count, params.players) << params.name;
    for (std::int32_t p = 0; p < params.players; ++p) {
      const auto i = static_cast<std::size_t>(p);
      EXPECT_EQ(got.hearts.centres[i].x, map.hearts.centres[i].x) << params.name << " heart " << p;
      EXPECT_EQ(got.hearts.centres[i].y, map.hearts.centres[i].y) << params.name << " heart " << p;
      EXPECT_EQ(got.gold[i], params.start_gold) << params.name << " heart " << p;
    }
  }
}

// The small map's rows, lines 7 to 15:
//   y=0 AAAAAAAAA   y=3 A1122222A   y=6 AS.22222A
//   y=1 A11111SSA   y=4 A1122222A   y=7 ASS22222A
//   y=2 A11111GSA   y=5 A1122222A   y=8 AAAAAAAAA
// Each rule of the frame is broken on each side once, where no other side's
// rule covers the square, so that dropping any one side's test shows.
// Read from memory it is given, a sound file's grid is the file's own bytes
// (no second copy of the map), and reads exactly as a copy does; rows that
// end otherwise are copied, and their problems found the same.
TEST(ReadMapFile, TakesTheGridOverFromTheFilesBytes) {
  const std::string sound = small_map_file();
  const std::string lf_rows = with_line(sound, 9, "AS.....SA\n");
  const std::string long_name = with_line(sound, 1, std::string(100000, 'n'));
  for (const std::string& file : {sound, lf_rows, long_name}) {
    const MapFileRead copied = read_map_file(std::string_view(file));
    FileBytes bytes;
    ASSERT_TRUE(bytes.assign(file));
    const char* data = bytes.view().data();
    const MapFileRead taken = read_map_file(std::move(bytes));
    EXPECT_EQ(taken.problems.size(), copied.problems.size());
    EXPECT_EQ(taken.contents.name, copied.contents.name);
    ASSERT_EQ(taken.contents.grid.has_value(), copied.contents.grid.has_value());
    if (!taken.contents.grid) continue;
    EXPECT_EQ(taken.contents.grid->rows(), copied.contents.grid->rows());
    // Lines 1 to 6 come before the rows: "Small", "PLAYERS 2", "", "MAP",
    // "9 X 9", "", 5 + 9 + 0 + 3 + 5 + 0 bytes and six CR LFs.
    EXPECT_EQ(taken.contents.grid->cells() == data + 34, file == sound);
  }
  // A name as long as the file is not kept whole: only enough to say it
  // is too long.
  EXPECT_EQ(read_map_file(std::string_view(long_name)).contents.name.size(), 96U);
}

TEST(ReadMapFile, ChecksEverySideOfBothRings) {
  const std::string good = small_map_file();
  struct Case {
    const char* name;
    std::int64_t line;
    std::string row;
    std::string message;
  };
  const std::string border = " where the border 'A' belongs";
  const std::string rock = " where solid rock 'S' belongs";
  const std::vector<Case> cases = {
      {"border, top", 7, "AAAA.AAAA", "column 4: \".\"" + border},
      {"border, bottom", 15, "AAAA.AAAA", "column 4: \".\"" + border},
      {"border, left", 13, "SS.22222A", "column 0: \"S\"" + border},
      {"border, right", 13, "AS.22222S", "column 8: \"S\"" + border},
      {"solid rock, top", 8, "A11111.SA", "column 6: \".\"" + rock},
      {"solid rock, bottom", 14, "AS.22222A", "column 2: \".\"" + rock},
      {"solid rock, left", 13, "A..22222A", "column 1: \".\"" + rock},
      {"solid rock, right", 9, "A11111G.A", "column 7: \".\"" + rock},
      {"heart of an unrecorded player on the ring", 14, "AS322222A", "column 2: \"3\"" + rock},
  };
  for (const Case& c : cases) {
    std::vector<std::string> found;
    for (const MapProblem& p : read_map_file(with_line(good, c.line, c.row)).problems)
      found.push_back(std::to_string(p.line) + ": " + p.message);
    EXPECT_EQ(found, std::vector<std::string>{std::to_string(c.line) + ": " + c.message}) << c.name;
  }
}

// A heart's 5 x 5 block must lie inside the border: its centre 3 or more
// squares from each edge. On a map 20 wide and 9 high each side has its own
// limit, so a test of one side against the other's shows.
TEST(ReadMapFile, EveryCentreLeavesItsBlockInsideTheBorder) {
  const std::string wide = small_map_file(20);
  ASSERT_TRUE(read_map_file(wide).problems.empty());
  struct Case {
    std::int64_t line;
    std::int32_t x;
    std::int32_t y;
  };
  for (const Case& c : {Case{42, 17, 5}, Case{42, 5, 6}, Case{41, 2, 3}, Case{41, 3, 2}}) {
    const std::string key = "VSK" + std::to_string(c.line - 40) + "_HEART_CENTER ";
    const std::string at = std::to_string(c.x) + ", " + std::to_string(c.y);
    std::vector<std::string> found;
    for (const MapProblem& p :
         read_map_file(
             with_line(wide, c.line, key + std::to_string(c.x) + " " + std::to_string(c.y)))
             .problems)
      found.push_back(std::to_string(p.line) + ": " + p.message);
    EXPECT_EQ(found, std::vector<std::string>{std::to_string(c.line) + ": heart " +
                                              std::to_string(c.line - 40) + "'s block around (" +
                                              at + ") does not fit inside the border"})
        << at;
  }
}

// Each way of breaking a map is named, at its line.
TEST(ReadMapFile, ReportsEachProblemAtItsLine) {
  const std::string good = small_map_file();
  ASSERT_TRUE(read_map_file(good).problems.empty());
  struct Case {
    const char* name;
    std::function<std::string(const std::string&)> breaks;
    std::int64_t line;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"players above the range", [](const std::string& f) { return with_line(f, 2, "PLAYERS 5"); },
       2, R"(expected "PLAYERS " and 2, 3 or 4)"},
      {"players below the range", [](const std::string& f) { return with_line(f, 2, "PLAYERS 1"); },
       2, R"(expected "PLAYERS " and 2, 3 or 4, found "PLAYERS 1")"},
      {"width below 7", [](const std::string& f) { return with_line(f, 5, "6 X 9"); }, 5,
       R"(expected "WIDTH X HEIGHT", each at least 7, found "6 X 9")"},
      {"height below 7", [](const std::string& f) { return with_line(f, 5, "9 X 6"); }, 5,
       R"(expected "WIDTH X HEIGHT", each at least 7, found "9 X 6")"},
      {"heart of an unrecorded player inside",
       [](const std::string& f) { return with_line(f, 13, "AS322222A"); }, 13,
       R"(column 2: heart tile "3" outside every recorded heart)"},
      {"no empty line after PLAYERS", [](const std::string& f) { return with_line(f, 3, "x"); }, 3,
       R"(expected "", found "x")"},
      {"players line broken, heart 2 missing: two are still expected",
       [](const std::string& f) {
         std::string g = with_line(f, 2, "PLAYERS x");
         return g.erase(g.find("VSK2_HEART_CENTER 5 5\r\n"), 23);
       },
       42, R"(expected "VSK2_HEART_CENTER X Y", found "GOLD1 300")"},
      {"carriage return inside a line",
       [](const std::string& f) { return with_line(f, 4, "MA\rP"); }, 4,
       "a carriage return inside the line"},
      {"section renamed", [](const std::string& f) { return with_line(f, 4, "MAPS"); }, 4,
       R"(expected "MAP", found "MAPS")"},
      {"size line against the grid", [](const std::string& f) { return with_line(f, 5, "9 X 10"); },
       7, "the grid has 9 rows, but the size line (line 5) says 10"},
      {"short row", [](const std::string& f) { return with_line(f, 12, "AS.....A"); }, 12,
       "the row has 8 tile codes, the size line says 9"},
      {"unknown tile code", [](const std::string& f) { return with_line(f, 14, "ASSSSSXSA"); }, 14,
       R"(column 6: "X" is not a tile code)"},
      {"heart block incomplete", [](const std::string& f) { return with_line(f, 9, "A1.111GSA"); },
       9, R"(column 2: "." inside heart 1's block (centre on line 41), where "1" belongs)"},
      {"centre recorded wrongly",
       [](const std::string& f) { return with_line(f, 42, "VSK2_HEART_CENTER 4 5"); }, 10,
       "inside heart 2's block (centre on line 42)"},
      {"centre far outside the map",  // once an overflow in the block test
       [](const std::string& f) { return with_line(f, 41, "VSK1_HEART_CENTER -2147483648 3"); }, 41,
       "heart 1's block around (-2147483648, 3) does not fit inside the border"},
      {"stray heart tile", [](const std::string& f) { return with_line(f, 9, "A111111SA"); }, 9,
       "column 6: heart tile"},
      {"gold line", [](const std::string& f) { return with_line(f, 44, "GOLD2 lots"); }, 44,
       R"(expected "GOLD2 AMOUNT")"},
      {"code table", [](const std::string& f) { return with_line(f, 28, "g GEMS"); }, 28,
       R"(expected "g GOLD")"},
      {"no EOF", [](const std::string& f) { return with_line(f, 46, "END"); }, 46,
       R"(expected "EOF", found "END")"},
      {"no final empty line", [](const std::string& f) { return f.substr(0, f.size() - 2); }, 47,
       R"(the file ends where "" should be)"},
      {"text after the end", [](const std::string& f) { return f + "more\r\n"; }, 48,
       "text after the end of the map"},
      {"no line end at the end", [](const std::string& f) { return f + "x"; }, 48, "no line end"},
  };
  for (const Case& c : cases) {
    const MapFileRead read = read_map_file(c.breaks(good));
    ASSERT_FALSE(read.problems.empty()) << c.name;
    const auto found = std::ranges::find_if(read.problems, [&](const MapProblem& p) {
      return p.line == c.line && p.message.find(c.message) != std::string::npos;
    });
    EXPECT_NE(found, read.problems.end())
        << c.name << ": first problem is line " << read.problems.front().line << ": "
        << read.problems.front().message;
  }
}

// One broken line gives one problem, at that line: no echo of it in the
// lines that follow, and the file's bytes shown so that a terminal is safe.
TEST(ReadMapFile, ABrokenLineIsReportedAlone) {
  const std::string good = small_map_file();
  struct Case {
    const char* name;
    std::int64_t line;
    std::string text;     // the line's new text
    std::string message;  // part of the only problem
  };
  const std::vector<Case> cases = {
      {"name with a slash", 1, "a/b", "holds byte 0x2F at column 1"},
      {"name with a NUL byte", 1, std::string("Sm\0ll", 5), "holds byte 0x00 at column 2"},
      {"name too long", 1, std::string(96, 'n'), "96 bytes long, more than 95"},
      {"players unknown", 2, "PLAYERS 5", R"(found "PLAYERS 5")"},
      {"players with a leading zero", 2, "PLAYERS 02", R"(found "PLAYERS 02")"},
      {"size with a leading zero", 5, "09 X 9", R"(found "09 X 9")"},
      {"centre past 32 bits", 41, "VSK1_HEART_CENTER 99999999999 3",
       R"(expected "VSK1_HEART_CENTER X Y")"},
      {"centre outside the map", 41, "VSK1_HEART_CENTER 30 3", "does not fit inside the border"},
      {"centre with a plus sign", 41, "VSK1_HEART_CENTER +3 3",
       R"(expected "VSK1_HEART_CENTER X Y")"},
      {"negative zero gold", 43, "GOLD1 -0", R"(expected "GOLD1 AMOUNT")"},
      {"border inside the frame", 13, "ASA22222A", "column 2: the border 'A' inside the frame"},
      {"control byte in a row", 14,
       "ASS\x1B"
       "2222A",
       R"(column 3: "\x1B" is not a tile code)"},
      {"C1 control in a row", 14,
       "AS\xC2\x9B"
       "2222A",
       R"(column 2: "\xC2" is not a tile code)"},
      {"section name with a C1 control", 17,
       "MAP_\xC2\x9B"
       "CODES",
       R"(found "MAP_\xC2\x9BCODES")"},
  };
  for (const Case& c : cases) {
    const MapFileRead read = read_map_file(with_line(good, c.line, c.text));
    std::string all;
    for (const MapProblem& p : read.problems)
      all += "\n  " + std::to_string(p.line) + ": " + p.message;
    EXPECT_EQ(read.problems.size(), 1U) << c.name << all;
    if (read.problems.empty()) continue;
    EXPECT_EQ(read.problems[0].line, c.line) << c.name << all;
    EXPECT_NE(read.problems[0].message.find(c.message), std::string::npos) << c.name << all;
  }
  // Negative gold is a number the generator writes.
  EXPECT_TRUE(read_map_file(with_line(good, 43, "GOLD1 -300")).problems.empty());
}

// The line `number` (from 1) of a CR LF file ends in a bare line feed instead.
std::string bare_feed_at(std::string file, std::int64_t number) {
  std::size_t end = 0;
  for (std::int64_t n = 1; n < number; ++n)
    end = file.find("\r\n", end) + 2;
  file.erase(file.find("\r\n", end), 1);
  return file;
}

// Wrong line ends are one problem for the file, whatever its length, and
// the rest of the file is still checked as if they were right.
TEST(ReadMapFile, LineEndsAreReportedOnce) {
  const std::string good = small_map_file();
  std::string lf;
  for (const char c : good) {
    if (c != '\r') lf += c;
  }
  std::string lf_maps = lf;
  lf_maps.replace(lf_maps.find("\nMAP\n") + 1, 3, "MAPS");
  struct Case {
    const char* name;
    std::string file;
    std::vector<std::string> problems;  // "LINE: message", all of them
  };
  const std::vector<Case> cases = {
      {"every line", lf, {"1: line ends are LF, not CR LF, from line 1 on"}},
      {"from line 3 on",
       good.substr(0, good.find("\r\n\r\n") + 2) + lf.substr(lf.find("\n\n") + 1),
       {"3: line ends are LF, not CR LF, from line 3 on"}},
      {"one line", bare_feed_at(good, 4), {"4: the line ends in a bare line feed, not CR LF"}},
      {"two lines apart",
       bare_feed_at(bare_feed_at(good, 4), 17),
       {"4: the line ends in a bare line feed, not CR LF, as do 1 later line"}},
      {"and a real problem after them",
       lf_maps,
       {"1: line ends are LF, not CR LF, from line 1 on", R"(4: expected "MAP", found "MAPS")"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> found;
    for (const MapProblem& p : read_map_file(c.file).problems)
      found.push_back(std::to_string(p.line) + ": " + p.message);
    EXPECT_EQ(found, c.problems) << c.name;
  }
}

TEST(ReadMapFile, ManyProblemsAreCappedWithACount) {
  std::string junk;
  for (int i = 0; i < 500; ++i)
    junk += "x\n";
  const MapFileRead read = read_map_file(junk);
  ASSERT_GT(read.problems.size(), 50U);
  EXPECT_LE(read.problems.size(), 101U);
  EXPECT_NE(read.problems.back().message.find("more problems"), std::string::npos);
}

}  // namespace
}  // namespace tarnix
