#include "tarnixmap/cli/command_line.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tarnix {
namespace {

// The command line read as the program reads it: parsed, then its numbers
// and names. `ok` is false after a usage error, said in `err`.
struct Read {
  std::unique_ptr<CommandLine> line = std::make_unique<CommandLine>();
  bool ok = false;
  std::string err;
};

Read read(std::vector<std::string> given) {
  Read r;
  given.insert(given.begin(), "tarnixmap");
  std::vector<char*> argv;
  argv.reserve(given.size());
  for (std::string& word : given)
    argv.push_back(word.data());
  const std::vector<std::string> words = r.line->words(static_cast<int>(argv.size()), argv.data());
  try {
    r.line->app.parse(std::vector<std::string>(words.rbegin(), words.rend()));
  } catch (const CLI::ParseError& e) {
    r.err = r.line->usage_error(words, e);
    return r;
  }
  StringSink sink;
  {
    Console err(sink, LineEnds::kLf);
    r.ok = r.line->read_numbers(err);
  }
  r.err += sink.all();
  return r;
}

double weight(const MeasureOptions& m, Figure f) {
  return m.weights[static_cast<std::size_t>(f)];
}

// --cost and --weight take one CODE=N or NAME=W each, and are given again
// for more: the words after one are the command's own files and values.
TEST(CommandLine, CostsAndWeightsTakeOneValueEach) {
  const Read check = read({"check", "--cost", "W=5", "C.map", "D.map"});
  ASSERT_TRUE(check.ok) << check.err;
  EXPECT_EQ(check.line->check_request.paths, (std::vector<std::string>{"C.map", "D.map"}));
  EXPECT_EQ(check.line->check_request.measure.costs[tile::kWater], 5);

  const Read render = read({"render", "--cost", "W=5", "--cost", "g=wall", "C.map", "-o", "x.png"});
  ASSERT_TRUE(render.ok) << render.err;
  EXPECT_EQ(render.line->render_request.inputs, std::vector<std::string>{"C.map"});
  EXPECT_EQ(render.line->render_request.output, "x.png");
  EXPECT_EQ(render.line->render_request.measure.costs[tile::kGold], CostTable::kWall);

  const Read report = read({"report", "--weight", "territory=5", "C.map", "-o", "rep"});
  ASSERT_TRUE(report.ok) << report.err;
  EXPECT_EQ(report.line->report_request.paths, std::vector<std::string>{"C.map"});
  EXPECT_EQ(weight(report.line->report_request.measure, Figure::kTerritory), 5);

  const Read search = read({"search", "--cost", "W=5", "--weight", "gold_first=0", "C", "48", "48",
                            "2", "500", "2", "100", "10", "50", "50", "10", "5"});
  ASSERT_TRUE(search.ok) << search.err;
  EXPECT_EQ(search.line->search_request.values[0], "C");
  EXPECT_EQ(search.line->search_request.values[11], "5");
  EXPECT_EQ(weight(search.line->search_request.measure, Figure::kGoldFirst), 0);
}

// An empty word where a file or a directory is named names none: "-o ''"
// would put a page in "/" or the current directory, "--params ''" would
// be taken as no file at all.
TEST(CommandLine, AnEmptyNameIsAUsageError) {
  struct Case {
    std::vector<std::string> words;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"report", "-o", "", "C.map"},
       "tarnixmap report: --output is empty; it must name a directory\n"},
      {{"render", "C.map", "-o", ""}, "tarnixmap render: --output is empty; it must name a file\n"},
      {{"render", ""}, "tarnixmap render: FILE is empty; it must name a file\n"},
      {{"check", "C.map", ""}, "tarnixmap check: FILE is empty; it must name a file\n"},
      {{"merge", "--report", "", "a.json"},
       "tarnixmap merge: --report is empty; it must name a directory\n"},
      {{"search", "--report=", "--no-write", "Cave"},
       "tarnixmap search: --report is empty; it must name a directory\n"},
      {{"search", "--params", ""}, "tarnixmap search: --params is empty; it must name a file\n"},
      {{"generate", "--params", ""},
       "tarnixmap generate: --params is empty; it must name a file\n"},
  };
  for (const Case& c : cases) {
    const Read r = read(c.words);
    EXPECT_FALSE(r.ok) << c.words[0];
    EXPECT_EQ(r.err, c.err) << c.words[0];
  }
}

}  // namespace
}  // namespace tarnix
