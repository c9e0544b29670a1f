// tarnixmap as a process: its command line, exit codes and output streams.

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/file_test_support.h"

namespace {

using tarnix::testing::Options;
using tarnix::testing::Result;

const std::vector<std::string> kCave = {"Cave", "64", "64",  "4",   "500", "5",
                                        "300",  "40", "200", "200", "20",  "10"};

class TarnixmapTest : public tarnix::testing::ProcessTest {
 protected:
  [[nodiscard]] Result tarnixmap(const std::vector<std::string>& args) const {
    return run_program(TARNIXMAP_PATH, args);
  }
  [[nodiscard]] Result generate(std::vector<std::string> options,
                                const std::vector<std::string>& values = kCave) const {
    options.insert(options.begin(), "generate");
    options.insert(options.end(), values.begin(), values.end());
    return tarnixmap(options);
  }
};

TEST_F(TarnixmapTest, HelpAndVersion) {
  const Result help = tarnixmap({"--help"});
  EXPECT_EQ(help.code, 0);
  for (const char* command : {"generate", "check", "render"}) {
    EXPECT_NE(help.out.find(command), std::string::npos) << command;
  }
  const Result generate_help = tarnixmap({"generate", "--help"});
  EXPECT_EQ(generate_help.code, 0);
  for (const char* word : {"--seed", "--count", "--preview", "NAME", "MIN_PORTAL_DIST"}) {
    EXPECT_NE(generate_help.out.find(word), std::string::npos) << word;
  }
  // Every command's help reads as plain words: no parser notation such as a
  // flag's "{false}" or a count of values "(0x)".
  for (const char* command : {"generate", "check", "render", "search", "report"}) {
    const Result r = tarnixmap({command, "--help"});
    EXPECT_EQ(r.code, 0) << command;
    EXPECT_EQ(r.out.find('{'), std::string::npos) << command << ": " << r.out;
    EXPECT_EQ(r.out.find("x)"), std::string::npos) << command << ": " << r.out;
  }
  const Result version = tarnixmap({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, "tarnixmap 1.1\n");
}

// Usage errors: exit code 2, the reason on standard error, nothing written.
TEST_F(TarnixmapTest, UsageErrors) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
  };
  std::vector<std::string> eleven = {"generate"};
  eleven.insert(eleven.end(), kCave.begin(), kCave.end() - 1);
  std::vector<std::string> bad_width = {"generate", "--seed", "1"};
  bad_width.insert(bad_width.end(), kCave.begin(), kCave.end());
  bad_width[4] = "5";
  const std::vector<Case> cases = {
      {"no command", {}},
      {"unknown command", {"draw", "x.map"}},
      {"unknown option", {"check", "--fast", "x.map"}},
      {"eleven values", eleven},
      {"seed too big",
       {"generate", "--seed", "4294967296", "a", "64", "64", "2", "0", "0", "0", "0", "0", "0", "0",
        "0"}},
      {"count zero",
       {"generate", "--count", "0", "a", "64", "64", "2", "0", "0", "0", "0", "0", "0", "0", "0"}},
      {"value rejected", bad_width},
      {"check without files", {"check"}},
      {"render scale zero", {"render", "--scale", "0", "x.map"}},
  };
  for (const Case& c : cases) {
    const Result r = tarnixmap(c.args);
    EXPECT_EQ(r.code, 2) << c.name;
    EXPECT_FALSE(r.err.empty()) << c.name;
    EXPECT_EQ(r.out, "") << c.name;
    EXPECT_TRUE(entries().empty()) << c.name;
  }
  const Result width = tarnixmap(bad_width);
  EXPECT_EQ(width.err, "tarnixmap generate: <width> must be at least 7, got 5\n");
}

// With its clock fixed, the generator writes exactly what generate --seed
// writes for that second.
TEST_F(TarnixmapTest, SeedMatchesTheGeneratorUnderAFrozenClock) {
  const Result generated = generate({"--seed", "1700000000"});
  ASSERT_EQ(generated.code, 0) << generated.err;
  EXPECT_EQ(generated.out, "Actual portals placed: 5\nCave.map: seed 1700000000\n");
  const std::string ours = read_file("Cave.map");
  const Result original =
      run_program(TARNIXRANDOMMAP_PATH, kCave, tarnix::testing::frozen_clock(1700000000U));
  EXPECT_EQ(original.code, 1);
  EXPECT_EQ(read_file("Cave.map"), ours);
}

// Output that cannot be written is a failure with its reason, never exit 0;
// the map itself is still written.
TEST_F(TarnixmapTest, LostOutputIsAFailure) {
  const Options full = tarnix::testing::stdout_to("/dev/full");
  const std::vector<std::string> generate_args = {
      "generate", "--seed", "3", "a", "16", "16", "2", "0", "0", "0", "0", "0", "0", "0", "0"};
  const Result generated = run_program(TARNIXMAP_PATH, generate_args, full);
  EXPECT_EQ(generated.code, 1);
  EXPECT_EQ(generated.err,
            "tarnixmap: could not write to standard output: No space left on device\n");
  EXPECT_EQ(entries(), std::vector<std::string>{"a.map"});
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"check", "a.map"}, std::vector<std::string>{"--help"},
        std::vector<std::string>{"--version"}}) {
    const Result r = run_program(TARNIXMAP_PATH, args, full);
    EXPECT_EQ(r.code, 1) << args[0];
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << args[0] << r.err;
  }
}

TEST_F(TarnixmapTest, GenerateCheckAndRenderTogether) {
  const Result batch = generate({"--seed", "42", "--count", "2", "--preview"});
  ASSERT_EQ(batch.code, 0) << batch.err;
  EXPECT_EQ(entries(),
            (std::vector<std::string>{"Cave_1.map", "Cave_1.png", "Cave_2.map", "Cave_2.png"}));
  EXPECT_NE(batch.out.find("Cave_2.map: seed 43\n"), std::string::npos);

  const Result sound = tarnixmap({"check", "Cave_1.map", "Cave_2.map"});
  EXPECT_EQ(sound.code, 0) << sound.err;
  EXPECT_NE(sound.out.find("Cave_2.map: sound\n"), std::string::npos);

  write_file("broken.map", "broken\n");
  const Result broken = tarnixmap({"check", "broken.map"});
  EXPECT_EQ(broken.code, 1);
  EXPECT_TRUE(broken.err.starts_with("broken.map:1: ")) << broken.err;

  // The bare map is 64 tiles of 3 pixels a side; with its legend the
  // picture gains a 32-pixel title line and a 210-pixel strip of legend,
  // 440 pixels tall.
  Result render =
      tarnixmap({"render", "Cave_1.map", "-o", "big.png", "--scale", "3", "--no-legend"});
  EXPECT_EQ(render.code, 0) << render.err;
  EXPECT_EQ(render.out, "big.png: 192 x 192 pixels\n");
  EXPECT_TRUE(read_file("big.png").starts_with("\x89PNG\r\n"));
  render = tarnixmap({"render", "--scale", "3", "Cave_1.map", "Cave_2.map"});
  EXPECT_EQ(render.code, 0) << render.err;
  EXPECT_EQ(render.out, "Cave_1.png: 402 x 472 pixels\nCave_2.png: 402 x 472 pixels\n");
  // Without the legend the picture is the map's own size, markers and all;
  // without markers too, the bare tiles.
  render = tarnixmap({"render", "--scale", "3", "--no-legend", "Cave_1.map", "-o", "marked.png"});
  EXPECT_EQ(render.out, "marked.png: 192 x 192 pixels\n") << render.err;
  render = tarnixmap(
      {"render", "--scale", "3", "--no-legend", "--no-markers", "Cave_1.map", "-o", "bare.png"});
  EXPECT_EQ(render.out, "bare.png: 192 x 192 pixels\n") << render.err;
  EXPECT_NE(read_file("marked.png"), read_file("bare.png"));
  render = tarnixmap({"render", "Cave_1.map", "Cave_2.map", "-o", "one.png"});
  EXPECT_EQ(render.code, 2);
  EXPECT_NE(render.err.find("-o names one picture, but 2 map files were given"), std::string::npos);
}

// The picture goes where it is sent, and replaces nothing that is not ours
// to replace: not the map it is drawn from, not a device, not a directory.
TEST_F(TarnixmapTest, RenderNeverReplacesWhatIsNotOurs) {
  ASSERT_EQ(generate({"--seed", "1"}).code, 0);
  const std::string map = read_file("Cave.map");
  ASSERT_EQ(link(path("Cave.map").c_str(), path("same.map").c_str()), 0);
  struct Case {
    const char* output;
    int code;
    std::string err;  // the start of standard error
    bool png_out;     // the picture comes on standard output
  };
  const std::vector<Case> cases = {
      {"Cave.map", 2, "tarnixmap render: Cave.map is the map file being drawn", false},
      {"same.map", 2, "tarnixmap render: same.map is the map file being drawn", false},
      {"-", 0, "", true},
      {"/dev/stdout", 0, "", true},
      {"/dev/null", 0, "", false},
      {".", 1, "tarnixmap: could not write .: it is a directory", false},
  };
  for (const Case& c : cases) {
    const Result r = tarnixmap({"render", "Cave.map", "-o", c.output});
    EXPECT_EQ(r.code, c.code) << c.output << ": " << r.err;
    EXPECT_TRUE(r.err.starts_with(c.err)) << c.output << ": " << r.err;
    EXPECT_EQ(r.out.starts_with("\x89PNG\r\n"), c.png_out) << c.output;
    if (c.png_out) {
      EXPECT_EQ(r.out.find("pixels"), std::string::npos) << c.output;
    }
    EXPECT_EQ(read_file("Cave.map"), map) << c.output;
    EXPECT_EQ(entries(), (std::vector<std::string>{"Cave.map", "same.map"})) << c.output;
  }
  struct stat st {};
  ASSERT_EQ(stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));

  // Another map drawn in the same run is no place for a picture either,
  // nor is a standard output that is the map file itself.
  write_file("Cave.png", map);
  Result r = tarnixmap({"render", "Cave.map", "Cave.png"});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err,
            "tarnixmap render: Cave.png is the map file Cave.png, which is drawn too; the "
            "picture must go elsewhere (-o)\n");
  EXPECT_EQ(read_file("Cave.png"), map);
  Options in_place = tarnix::testing::stdout_to(path("Cave.map").c_str());
  in_place.stdout_read_write = true;
  r = run_program(TARNIXMAP_PATH, {"render", "Cave.map", "-o", "-"}, in_place);
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err,
            "tarnixmap render: standard output is the map file being drawn; the picture must go "
            "elsewhere (-o)\n");
  EXPECT_EQ(read_file("Cave.map"), map);
}

// A name of a standard descriptor the program was started without is
// refused: the link /dev/stdout (into /proc/self/fd, dangling while the
// descriptor is closed) is never replaced by the picture. Tried in a /dev of
// the test's own, never the machine's.
TEST_F(TarnixmapTest, AClosedStandardDescriptorIsNeverReplacedByName) {
  ASSERT_EQ(generate({"--seed", "1"}).code, 0);
  struct Case {
    int closed;
    const char* name;
    const char* err;  // standard error, where it is open
  };
  const std::vector<Case> cases = {
      {1, "/dev/stdout", "tarnixmap: could not write /dev/stdout: standard output is closed\n"},
      {0, "/dev/stdin", "tarnixmap: could not write /dev/stdin: standard input is closed\n"},
      {2, "/dev/stderr", ""},
  };
  std::string why;
  const std::optional<std::string> seen = tarnix::testing::in_private_dev(
      [&] {
        std::string report;
        for (const Case& c : cases) {
          const pid_t pid = fork();
          if (pid == 0) {
            if (chdir(dir_.c_str()) != 0) _exit(127);
            if (freopen((dir_ + ".err").c_str(), "w", stderr) == nullptr) _exit(127);
            close(c.closed);
            tarnix::testing::exec_words({TARNIXMAP_PATH, "render", "Cave.map", "-o", c.name});
          }
          int status = 0;
          waitpid(pid, &status, 0);
          struct stat st {};
          const bool link = lstat(c.name, &st) == 0 && S_ISLNK(st.st_mode);
          report += std::string(c.name) + ": exit " +
                    std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) +
                    (link ? ", still a link" : ", REPLACED") + "\n" +
                    (c.closed == 2 ? "" : read_path(dir_ + ".err"));
        }
        return report;
      },
      &why);
  if (!seen) GTEST_SKIP() << why;
  std::string want;
  for (const Case& c : cases)
    want += std::string(c.name) + ": exit 1, still a link\n" + c.err;
  EXPECT_EQ(*seen, want);
  EXPECT_EQ(entries(), std::vector<std::string>{"Cave.map"});
}

// Every number an option takes is a plain decimal number within its range,
// or a usage error that names the option, the value and what is allowed.
TEST_F(TarnixmapTest, OptionValuesAreDecimalNumbersInRange) {
  const std::vector<std::string> small = {"S", "16", "16", "2", "0", "0",
                                          "0", "0",  "0",  "0", "0", "0"};
  struct Case {
    std::vector<std::string> options;
    int code;
    std::string text;  // in standard output (code 0) or standard error
  };
  const std::string seed_range = "--seed must be a whole number from 0 to 4294967295, got ";
  const std::string count_range = "--count must be a whole number from 1 to 4294967296, got ";
  const std::vector<Case> cases = {
      {{"--seed", "010"}, 0, "S.map: seed 10\n"},
      {{"--seed", "0x10"}, 2, seed_range + "\"0x10\""},
      {{"--seed", "1e3"}, 2, seed_range + "\"1e3\""},
      {{"--seed", "-1"}, 2, seed_range + "\"-1\""},
      {{"--seed", "4294967296"}, 2, seed_range + "\"4294967296\""},
      {{"--seed", "99999999999999999999999"}, 2, seed_range + "\"99999999999999999999999\""},
      {{"--count", "0"}, 2, count_range + "\"0\""},
      {{"--count", "9223372036854775808"}, 2, count_range + "\"9223372036854775808\""},
      {{"--seed", "4294967295", "--count", "2"}, 2, "would go past seed 4294967295"},
      {{"--seed", "7", "--count", "003"}, 0, "S_3.map: seed 9\n"},
  };
  for (const Case& c : cases) {
    const Result r = generate(c.options, small);
    const std::string where = c.code == 0 ? r.out : r.err;
    EXPECT_EQ(r.code, c.code) << c.options.back() << ": " << r.err;
    EXPECT_NE(where.find(c.text), std::string::npos) << c.options.back() << ": " << where;
    if (c.code != 0) {
      EXPECT_EQ(r.out, "") << c.options.back();
    }
  }
  ASSERT_EQ(generate({"--seed", "1"}).code, 0);
  for (const std::string scale : {"0", "2147483648", "+3"}) {
    const Result r = tarnixmap({"render", "Cave.map", "--scale", scale});
    EXPECT_EQ(r.code, 2) << scale;
    EXPECT_EQ(r.err,
              "tarnixmap render: --scale must be a whole number from 1 to 2147483647, got \"" +
                  scale + "\"\n");
  }
  // Scales whose pictures would overflow 64 bits once were let through;
  // the largest scale offered works, with and without the legend.
  for (const std::string scale : {"127", "67108864", "2147483647"}) {
    const Result r = tarnixmap({"render", "Cave.map", "--scale", scale});
    EXPECT_EQ(r.code, 1) << scale;
    EXPECT_NE(r.err.find("; choose --scale 126 or less (up to 128 with --no-legend)\n"),
              std::string::npos)
        << scale << ": " << r.err;
  }
  EXPECT_EQ(tarnixmap({"render", "Cave.map", "--scale", "126"}).code, 0);
  EXPECT_EQ(tarnixmap({"render", "Cave.map", "--scale", "128", "--no-legend"}).code, 0);
}

// check reads no more than any map needs, says so, and goes on with the
// next file; what it shows from a file cannot drive the terminal.
TEST_F(TarnixmapTest, CheckIsSafeWithAnyInput) {
  ASSERT_EQ(generate({"--seed", "1"}).code, 0);
  write_file("big.map", "");
  ASSERT_EQ(truncate(path("big.map").c_str(), (std::int64_t{1} << 30) + 1), 0);
  std::string c1 = read_file("Cave.map");
  c1.replace(0, 4,
             "Ca\xC2\x9B"
             "31mve");
  write_file("c1.map", c1);
  const Result r = tarnixmap({"check", "/dev/zero", "big.map", "c1.map"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err,
            "/dev/zero: too large (1073741825 bytes or more); a map file has at most 1073741824\n"
            "big.map: too large (1073741825 bytes or more); a map file has at most 1073741824\n");
  EXPECT_NE(r.out.find("c1.map: sound\n  name     Ca\\xC2\\x9B31mve\n"), std::string::npos)
      << r.out;
}

// A typo is named as what it is, with the word most likely meant; a name
// that starts with "-" is shown the way through "--". Nothing is written.
TEST_F(TarnixmapTest, TyposGetUsefulErrors) {
  std::vector<std::string> dash = {"generate", "--seed", "5"};
  dash.insert(dash.end(), kCave.begin(), kCave.end());
  dash[3] = "-dash";
  struct Case {
    std::vector<std::string> args;
    std::string err;  // the start of standard error; all of it when it ends a line
  };
  const std::vector<Case> cases = {
      {{"generat", "Cave"},
       "tarnixmap: unknown command \"generat\"; did you mean \"generate\"?\n"
       "The commands are generate, check, race, render, search, report"},
      {{"frobnicate"}, "tarnixmap: unknown command \"frobnicate\"\nThe commands are"},
      {{"generate", "--cout", "5", "Cave"},
       "tarnixmap generate: unknown option \"--cout\"; did you mean \"--count\"?\n"},
      {{"search", "--seed", "5", "Cave"},
       "tarnixmap search: unknown option \"--seed\"; did you mean \"--from\", the first seed? "
       "(--seeds is how many)\n"},
      {{"render", "--scael=2", "x.map"},
       R"(tarnixmap render: unknown option "--scael"; did you mean "--scale"?)"},
      {{"search", "Cave", "--player", "2"},
       R"(tarnixmap search: unknown option "--player"; did you mean "--players"?)"},
      {dash,
       "tarnixmap generate: unknown option \"-dash\"\nA NAME (or any value) that starts "
       "with \"-\" must follow \"--\""},
  };
  for (const Case& c : cases) {
    const Result r = tarnixmap(c.args);
    EXPECT_EQ(r.code, 2) << c.args[1];
    EXPECT_TRUE(c.err.ends_with('\n') ? r.err == c.err : r.err.starts_with(c.err)) << r.err;
    EXPECT_TRUE(entries().empty()) << c.args[1];
  }
  dash.insert(dash.begin() + 3, "--");
  EXPECT_EQ(tarnixmap(dash).code, 0);
  EXPECT_EQ(entries(), std::vector<std::string>{"-dash.map"});
}

// Every usage error is worded as the program's own, with its command in
// front; a short option takes its value joined to it or after "=", as a
// long one does; a mistyped word is echoed only in part, whatever its size.
TEST_F(TarnixmapTest, UsageErrorsSpeakAsTheProgram) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"generate", "Cave", "--size", "9x9", "--size", "10x10"},
       "tarnixmap generate: --size is given 2 times; give it once\n"
       "'tarnixmap generate --help' tells more.\n"},
      {{"search", "Cave", "--from"},
       "tarnixmap search: --from needs a value\n'tarnixmap search --help' tells more.\n"},
      {{"check"}, "tarnixmap check: FILE is required\n'tarnixmap check --help' tells more.\n"},
      {{"report", "a.map"},
       "tarnixmap report: --output DIR is required: the directory for index.html and the "
       "pictures\n'tarnixmap report --help' tells more.\n"},
      {{"--bogus"},
       "tarnixmap: unknown option \"--bogus\"\nA command comes first; tarnixmap --help lists "
       "them.\n"},
      {{"check", "--" + std::string(130000, 'z')},
       "tarnixmap check: unknown option \"--" + std::string(38, 'z') + "...\"\n"},
  };
  for (const Case& c : cases) {
    const Result r = tarnixmap(c.args);
    EXPECT_EQ(r.code, 2) << c.err;
    EXPECT_EQ(r.err, c.err);
  }
  ASSERT_EQ(generate({"--seed", "1"}).code, 0);
  for (const std::string option : {"-ojoined.png", "-o=equals.png"}) {
    const Result r = tarnixmap({"render", "Cave.map", option});
    EXPECT_EQ(r.code, 0) << option << ": " << r.err;
  }
  EXPECT_EQ(entries(), (std::vector<std::string>{"Cave.map", "equals.png", "joined.png"}));
}

// NAME alone takes the README example's values; named options change any
// of them; the eleven in order still work. Each writes what the generator
// writes for the same values.
TEST_F(TarnixmapTest, NamedValuesWithTheExamplesDefaults) {
  struct Case {
    std::vector<std::string> named;
    std::vector<std::string> in_order;  // what the generator is given
  };
  const std::vector<Case> cases = {
      {{}, kCave},
      {{"--players", "2", "--gold", "1200"},
       {"Cave", "64", "64", "2", "500", "5", "1200", "40", "200", "200", "20", "10"}},
      {{"--size", "96x80", "--min-vosk-dist", "-5", "--min_portal_dist", "3"},
       {"Cave", "96", "80", "4", "500", "5", "300", "40", "200", "200", "-5", "3"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"generate", "--seed", "77", "Cave"};
    args.insert(args.end(), c.named.begin(), c.named.end());
    ASSERT_EQ(tarnixmap(args).code, 0) << args.size();
    const std::string named = read_file("Cave.map");
    ASSERT_EQ(generate({"--seed", "77"}, c.in_order).code, 0);
    EXPECT_EQ(named, read_file("Cave.map")) << c.named.size();
  }
  const Result both = tarnixmap({"generate", "Cave", "--gold", "5", "64", "64", "4", "500", "5",
                                 "300", "40", "200", "200", "20", "10"});
  EXPECT_EQ(both.code, 2);
  EXPECT_NE(both.err.find("give them in order or by name, not both"), std::string::npos);
}

// The score by dig time: check shows every figure and the score; bad costs
// and weights are usage errors that say what is allowed; a search counts
// the seeds it rejects and the sealed ones.
TEST_F(TarnixmapTest, DigTimeFiguresCostsAndWeights) {
  ASSERT_EQ(generate({"--seed", "1"}).code, 0);
  const Result text = tarnixmap({"check", "Cave.map"});
  EXPECT_EQ(text.code, 0) << text.err;
  for (const char* name : {"gold_first", "gems_first", "territory", "gold_within", "portal_time",
                           "rival_time", "border_gap", "gold_near", "nearest_heart"}) {
    EXPECT_NE(text.out.find(std::string(name) + " "), std::string::npos) << name;
  }
  EXPECT_NE(text.out.find("\n  fairness score "), std::string::npos) << text.out;
  const Result walled = tarnixmap({"check", "Cave.map", "--cost", "W=wall", "--reach", "30",
                                   "--weight", "territory=5", "--json"});
  EXPECT_EQ(walled.code, 0) << walled.err;
  EXPECT_NE(walled.out.find("\"territory\":"), std::string::npos);
  EXPECT_NE(walled.out.find("\"sealed\":false"), std::string::npos) << walled.out;
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"check", "Cave.map", "--cost", "W=0"},
       "tarnixmap check: --cost must be CODE=N or CODE=wall, CODE a tile code (. g W P 1 2 3 4 L "
       "G S) and N a whole number from 1 to 1000, got \"W=0\"\n"},
      {{"render", "Cave.map", "--cost", "A=1"},
       "tarnixmap render: --cost cannot change the border 'A': it is the map's edge, always a "
       "wall\n"},
      {{"search", "Cave", "--weight", "gold_first=0", "--weight", "gems_first=0", "--weight",
        "portals_first=0", "--weight", "territory=0", "--weight", "second_rival_time=0", "--weight",
        "nearest_portal=0"},
       "tarnixmap search: --weight leaves every weight 0: the score would compare nothing\n"},
      {{"check", "Cave.map", "--reach", "-1"},
       "tarnixmap check: --reach must be a whole number from 0 to 1000000000, got \"-1\"\n"},
  };
  for (const Case& c : cases) {
    const Result r = tarnixmap(c.args);
    EXPECT_EQ(r.code, 2) << c.args[2];
    EXPECT_EQ(r.err, c.err);
  }
  const Result searched = tarnixmap({"search", "--from", "1", "--seeds", "200", "--no-write",
                                     "--min-border-gap", "6", "--json", "--", "Cave"});
  EXPECT_EQ(searched.code, 0) << searched.err;
  const std::string closing = searched.out.substr(searched.out.rfind("{\""));
  EXPECT_NE(closing.find("\"rejected\":"), std::string::npos) << closing;
  EXPECT_EQ(closing.find("\"rejected\":0,"), std::string::npos) << "a gap of 6 rejects some";
  EXPECT_NE(closing.find("\"sealed\":"), std::string::npos) << closing;
  const Result territory = tarnixmap({"render", "Cave.map", "-o", "t.png", "--territory"});
  EXPECT_EQ(territory.code, 0) << territory.err;
  EXPECT_TRUE(read_file("t.png").starts_with("\x89PNG"));
}

// The code that runs the wave of all players is a switch for comparing
// them, never a change of what is measured: a check, a check with costs the
// boards of bits leave to the queue, and a search's ranking are the same
// bytes with each. A name it does not know is refused, not ignored.
TEST_F(TarnixmapTest, EveryWaveCodeMeasuresTheSame) {
  ASSERT_EQ(generate({"--seed", "5"}).code, 0);
  const auto with = [](const std::string& wave) {
    Options options;
    options.env = {"TARNIX_WAVE=" + wave};
    return options;
  };
  const std::vector<std::vector<std::string>> commands = {
      {"check", "Cave.map", "--json"},
      {"check", "Cave.map", "--cost", "W=wall", "--cost", ".=4"},
      {"search", "--from", "1", "--seeds", "300", "--no-write", "--json", "--quiet", "--", "Cave"},
  };
  // A search's closing line says how long it took.
  const std::regex seconds("\"seconds\":[^,}]*");
  for (const auto& command : commands) {
    const Result queue = run_program(TARNIXMAP_PATH, command, with("queue"));
    ASSERT_EQ(queue.code, 0) << queue.err;
    for (const std::string wave : {"plain", "avx2", ""}) {
      const Result r = run_program(TARNIXMAP_PATH, command, with(wave));
      EXPECT_EQ(r.code, 0) << wave << ": " << r.err;
      EXPECT_EQ(std::regex_replace(r.out, seconds, ""), std::regex_replace(queue.out, seconds, ""))
          << command[0] << " with TARNIX_WAVE=" << wave;
    }
  }
  const Result unknown = run_program(TARNIXMAP_PATH, commands[0], with("fast"));
  EXPECT_EQ(unknown.code, 2);
  EXPECT_EQ(unknown.err, "tarnixmap: TARNIX_WAVE must be plain, avx2 or queue, or empty\n");
  EXPECT_EQ(unknown.out, "");
}

// race plays each map and prints a line a player and the race fairness;
// with --json an object a map; the same map races the same way; a value
// out of range is a usage error, a missing file a failure that does not
// stop the others.
TEST_F(TarnixmapTest, RaceEachMap) {
  ASSERT_EQ(generate({"--seed", "5"}).code, 0);
  const Result text = tarnixmap({"race", "Cave.map", "--time", "200"});
  EXPECT_EQ(text.code, 0) << text.err;
  EXPECT_TRUE(
      text.out.starts_with("Cave.map: a race to 200, 4 diggers a player\n  player 1: gold "))
      << text.out;
  EXPECT_NE(text.out.find("\n  player 4: gold "), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("\n  race fairness "), std::string::npos) << text.out;
  EXPECT_EQ(tarnixmap({"race", "Cave.map", "--time", "200"}).out, text.out);
  const Result json = tarnixmap({"race", "--json", "Cave.map", "missing.map", "Cave.map"});
  EXPECT_EQ(json.code, 1);
  EXPECT_EQ(json.err, "tarnixmap: cannot read missing.map: No such file or directory\n");
  EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 2) << json.out;
  EXPECT_TRUE(json.out.starts_with("{\"diggers\":4,\"fairness\":")) << json.out;
  EXPECT_NE(json.out.find("\"contact\":{\"2\":"), std::string::npos) << json.out;
  const Result bad = tarnixmap({"race", "--diggers", "0", "Cave.map"});
  EXPECT_EQ(bad.code, 2);
  EXPECT_EQ(bad.err, "tarnixmap race: --diggers must be a whole number from 1 to 64, got \"0\"\n");
}

// calibrate writes weights that --weights reads wherever the score is
// measured; a --weight given too changes its own figure's over the file's;
// and the file of weights is never written over an input.
TEST_F(TarnixmapTest, CalibratedWeightsAreReadBack) {
  std::vector<std::string> args = {"calibrate", "--from", "1", "--seeds", "60", "-o", "w.json"};
  args.insert(args.end(), kCave.begin(), kCave.end());
  const Result calibrated = tarnixmap(args);
  ASSERT_EQ(calibrated.code, 0) << calibrated.err;
  EXPECT_NE(calibrated.out.find("seeds 1 to 60: "), std::string::npos) << calibrated.out;
  EXPECT_NE(calibrated.out.find("\n  fitted weights  "), std::string::npos) << calibrated.out;
  ASSERT_EQ(generate({"--seed", "5"}).code, 0);
  // One figure alone weighs: the score is that figure's spread, whatever
  // the rest would add.
  const std::string alone =
      R"({"weights":{"border_gap":0,"gems_first":0,"gems_near":0,"gold_first":1,"gold_near":0,)"
      R"("gold_within":0,"hazards_near":0,"nearest_heart":0,"nearest_portal":0,)"
      R"("portal_time":0,"portals_first":0,"rival_time":0,"second_rival_time":0,"territory":0}})";
  write_file("alone.json", alone);
  const Result by_file = tarnixmap({"check", "--json", "--weights", "alone.json", "Cave.map"});
  ASSERT_EQ(by_file.code, 0) << by_file.err;
  std::vector<std::string> flags = {"check", "--json"};
  for (const char* weight :
       {"border_gap=0", "gems_first=0", "gems_near=0", "gold_first=1", "gold_near=0",
        "gold_within=0", "hazards_near=0", "nearest_heart=0", "nearest_portal=0", "portal_time=0",
        "portals_first=0", "rival_time=0", "second_rival_time=0", "territory=0"}) {
    flags.insert(flags.end(), {"--weight", weight});
  }
  flags.emplace_back("Cave.map");
  const Result by_flag = tarnixmap(flags);
  EXPECT_EQ(by_file.out, by_flag.out);
  const Result changed = tarnixmap(
      {"check", "--json", "--weights", "alone.json", "--weight", "gold_first=2", "Cave.map"});
  EXPECT_NE(changed.out, by_file.out);
  EXPECT_EQ(tarnixmap({"check", "--weights", "w.json", "Cave.map"}).code, 0);
  const Result over = tarnixmap({"calibrate", "--from", "1", "--seeds", "30", "--weights",
                                 "alone.json", "-o", "alone.json", "Cave", "--players", "2"});
  EXPECT_EQ(over.code, 2);
  EXPECT_NE(over.err.find("alone.json is the input alone.json; it would be overwritten"),
            std::string::npos)
      << over.err;
  EXPECT_EQ(read_file("alone.json"), alone);
  const Result missing = tarnixmap({"search", "--weights", "none.json", "Cave"});
  EXPECT_EQ(missing.code, 2);
  EXPECT_EQ(missing.err,
            "tarnixmap search: --weights none.json: cannot read it: No such file or directory\n");
}

// Reads what `fd` has until `until` appears in it or the writer has gone.
std::string read_until(int fd, const std::string& until) {
  std::string text;
  std::array<char, 4096> buffer{};
  while (until.empty() || text.find(until) == std::string::npos) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, 60000) <= 0) break;  // a minute with nothing: give up
    const ssize_t n = read(fd, buffer.data(), buffer.size());
    if (n <= 0) break;
    text.append(buffer.data(), static_cast<std::size_t>(n));
  }
  return text;
}

// On a terminal a long search shows one progress line; Ctrl-C then stops it
// cleanly: the ranking of what was searched is printed, the best map so far
// is written, the line says where it stopped, and the exit code is 130.
TEST_F(TarnixmapTest, CtrlCStopsASearchAndKeepsItsBest) {
  int terminal = -1;
  int terminal_side = -1;
  ASSERT_EQ(openpty(&terminal, &terminal_side, nullptr, nullptr, nullptr), 0);
  std::array<int, 2> out{};
  ASSERT_EQ(pipe(out.data()), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(terminal_side, 2);
    dup2(out[1], 1);
    close(terminal);
    close(out[0]);
    if (chdir(dir_.c_str()) != 0) _exit(127);
    alarm(tarnix::testing::kProgramSeconds);
    std::vector<std::string> words = {TARNIXMAP_PATH, "search",    "--from", "0", "--seeds",
                                      "4294967296",   "--threads", "2",      "--"};
    words.insert(words.end(), kCave.begin(), kCave.end());
    tarnix::testing::exec_words(std::move(words));
  }
  close(terminal_side);
  close(out[1]);
  std::string shown = read_until(terminal, "searching: ");
  ASSERT_NE(shown.find("searching: "), std::string::npos) << shown;
  kill(pid, SIGINT);
  const std::string printed = read_until(out[0], "");
  int status = 0;
  waitpid(pid, &status, 0);
  shown += read_until(terminal, "seeds were searched\r\n");
  close(terminal);
  close(out[0]);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT);
  EXPECT_NE(shown.find(" of 4294967296 seeds, "), std::string::npos) << shown;
  EXPECT_NE(shown.find("\r\x1b[K"), std::string::npos) << "the line is erased";
  const std::size_t stopped = shown.find("stopped by Ctrl-C after ");
  ASSERT_NE(stopped, std::string::npos) << shown;
  const std::string searched =
      shown.substr(stopped + 24, shown.find(' ', stopped + 24) - stopped - 24);
  EXPECT_NE(printed.find("searched " + searched + " seeds, 0 to " +
                         std::to_string(std::stoull(searched) - 1) + ": "),
            std::string::npos)
      << printed;
  ASSERT_TRUE(printed.starts_with("rank  seed        score   least even\n   1  ")) << printed;
  std::istringstream first_row(printed.substr(printed.find('\n') + 1));
  std::string rank;
  std::string best;
  first_row >> rank >> best;
  EXPECT_NE(printed.find("Cave.map: seed " + best + ", score "), std::string::npos) << printed;
  ASSERT_EQ(rename(path("Cave.map").c_str(), path("found.map").c_str()), 0);
  ASSERT_EQ(generate({"--seed", best}).code, 0);
  EXPECT_EQ(read_file("found.map"), read_file("Cave.map"));
}

// A ranked line tells how to make its map again: its command, run by a
// shell, and its params, read by --params, write the very map the search
// ranked; options given beside --params win over the file.
TEST_F(TarnixmapTest, EveryRankedMapCanBeMadeAgainFromTheOutput) {
  std::vector<std::string> args = {"search",    "--json",  "--top",   "1",      "--from",
                                   "40",        "--seeds", "200",     "--size", "48x40",
                                   "--players", "3",       "Big Cave"};
  const Result search = tarnixmap(args);
  ASSERT_EQ(search.code, 0) << search.err;
  const nlohmann::json line = nlohmann::json::parse(search.out.substr(0, search.out.find('\n')));
  const std::string searched = read_file("Big Cave.map");
  ASSERT_EQ(std::remove(path("Big Cave.map").c_str()), 0);

  const std::string command = line.at("command").get<std::string>();
  EXPECT_TRUE(command.starts_with("tarnixmap generate --seed " +
                                  std::to_string(line.at("seed").get<std::uint32_t>()) +
                                  " 'Big Cave' 48 40 3 500 5 300 40 200 200 20 10"))
      << command;
  const std::string shell = "cd '" + path("") + "' && PATH='" +
                            std::filesystem::path(TARNIXMAP_PATH).parent_path().string() +
                            "':\"$PATH\" " + command + " >/dev/null";
  ASSERT_EQ(std::system(shell.c_str()), 0) << shell;
  EXPECT_EQ(read_file("Big Cave.map"), searched);
  ASSERT_EQ(std::remove(path("Big Cave.map").c_str()), 0);

  write_file("p.json", line.at("params").dump());
  ASSERT_EQ(tarnixmap({"generate", "--params", "p.json"}).code, 0);
  EXPECT_EQ(read_file("Big Cave.map"), searched);

  const Result wider = tarnixmap({"generate", "--params", "p.json", "--width", "50", "Wide"});
  ASSERT_EQ(wider.code, 0) << wider.err;
  EXPECT_TRUE(read_file("Wide.map").starts_with("Wide\r\nPLAYERS 3\r\n\r\nMAP\r\n50 X 40\r\n"))
      << read_file("Wide.map").substr(0, 40);
}

// Amounts far beyond what a map can get are warned of before the work
// starts; the maps are still made, with the generator's own messages.
TEST_F(TarnixmapTest, WarnsOfAmountsBeyondReach) {
  for (const char* command : {"generate", "search"}) {
    const Result r = tarnixmap({command, "--gems", "6000", "--no-write", "--seeds", "2", "Cave"});
    const bool search = std::string_view(command) == "search";
    const Result g = search ? r : tarnixmap({command, "--gems", "6000", "--seed", "1", "Cave"});
    // A search of maps that full has nothing to rank: they are all sealed.
    EXPECT_EQ(g.code, search ? 1 : 0) << command << ": " << g.err;
    EXPECT_TRUE(g.err.starts_with(std::string("tarnixmap ") + command +
                                  ": warning: --gems asks for 6000 squares, far more than can be "
                                  "placed (about 3455 at most: there are 3455 squares of rock"))
        << g.err;
  }
  EXPECT_EQ(generate({"--seed", "1"}).err, "");
}

// Off a terminal, or with --quiet, nothing of the kind is shown.
TEST_F(TarnixmapTest, NoProgressLineOffATerminal) {
  std::vector<std::string> args = {"search", "--from", "9", "--seeds", "3000", "--"};
  args.insert(args.end(), kCave.begin(), kCave.end());
  const Result r = tarnixmap(args);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
}

// A symmetric map of every mode, on odd and even sides: check tells its
// mode, and every figure of every player is the same (the heart's place
// aside), so the score is 0; the same seed writes the same bytes.
TEST_F(TarnixmapTest, SymmetricMapsStartEveryPlayerAlike) {
  struct Case {
    std::string mode;
    std::string size;
    std::string players;
  };
  const std::vector<Case> cases = {
      {"mirror-x", "64x40", "2"}, {"mirror-x", "63x41", "2"}, {"mirror-y", "40x64", "2"},
      {"mirror-y", "41x63", "2"}, {"rot2", "64x40", "2"},     {"rot2", "63x41", "2"},
      {"quad", "64x48", "4"},     {"quad", "65x49", "4"},     {"rot4", "64x64", "4"},
      {"rot4", "65x65", "4"},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> args = {"generate", "--seed",    "11",   "--symmetry",
                                           c.mode,     "--size",    c.size, "--players",
                                           c.players,  "--portals", "6",    "Sym"};
    const Result made = tarnixmap(args);
    ASSERT_EQ(made.code, 0) << c.mode << " " << c.size << ": " << made.err;
    EXPECT_NE(made.out.find("Sym.map: seed 11, symmetry " + c.mode), std::string::npos) << made.out;
    const std::string bytes = read_file("Sym.map");
    ASSERT_EQ(tarnixmap(args).code, 0);
    EXPECT_EQ(read_file("Sym.map"), bytes) << c.mode;

    EXPECT_NE(tarnixmap({"check", "Sym.map"})
                  .out.find("  symmetry " + c.mode +
                            ": every square is the image of another, every player starts "
                            "alike\n  tiles "),
              std::string::npos);
    EXPECT_TRUE(tarnixmap({"check", "Sym.map"})
                    .out.ends_with("  fairness score 0.0000: every player starts alike\n"));
    const Result check = tarnixmap({"check", "--json", "Sym.map"});
    ASSERT_EQ(check.code, 0) << check.err;
    nlohmann::json object = nlohmann::json::parse(check.out);
    EXPECT_EQ(object.at("symmetry"), c.mode) << c.size;
    EXPECT_EQ(object.at("score"), 0.0) << c.mode << " " << c.size;
    nlohmann::json& starts = object.at("starts");
    ASSERT_EQ(starts.size(), std::stoul(c.players));
    for (nlohmann::json& start : starts) {
      start.erase("heart");
      start.erase("player");
    }
    for (const nlohmann::json& start : starts)
      EXPECT_EQ(start, starts[0]) << c.mode << " " << c.size;
    // Every portal was copied: 6 asked, shared among the copies.
    EXPECT_EQ(object.at("tiles").at("P"), 6 * 9 + (c.players == "4" ? 2 * 9 : 0)) << c.mode;
  }
  // An ordinary map is none.
  ASSERT_EQ(generate({"--seed", "1"}).code, 0);
  EXPECT_EQ(nlohmann::json::parse(tarnixmap({"check", "--json", "Cave.map"}).out).at("symmetry"),
            nullptr);
}

TEST_F(TarnixmapTest, SymmetryThatDoesNotFitIsAUsageError) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"generate", "--symmetry", "quad", "--players", "3", "M"},
       "tarnixmap generate: --symmetry quad is for 4 players, not 3: no mirror or turn of a "
       "square grid gives 3 players alike starts; for 3 players, tarnixmap search finds the "
       "fairest of many random maps\n"},
      {{"generate", "--symmetry", "mirror-x", "--players", "4", "M"},
       "tarnixmap generate: --symmetry mirror-x is for 2 players, not 4; for 4 players on this "
       "map: quad, rot4\n"},
      {{"search", "--symmetry", "rot4", "--size", "64x48", "M"},
       "tarnixmap search: --symmetry rot4 turns a square map a quarter turn, and 64 x 48 is not "
       "square; for 4 players on this map: quad\n"},
      {{"generate", "--symmetry", "diagonal", "M"},
       "tarnixmap generate: --symmetry must be one of mirror-x, mirror-y, rot2 (2 players); quad, "
       "rot4 (4 players, rot4 on square maps), or none; got \"diagonal\"\n"},
      {{"search", "--prefer", "rival_time", "M"},
       "tarnixmap search: --prefer ranks symmetric maps, whose scores are all 0; it needs "
       "--symmetry\n"},
      {{"search", "--symmetry", "mirror-x", "--prefer", "portals_first", "--players", "2", "M"},
       "tarnixmap search: --prefer portals_first cannot rank maps of --symmetry mirror-x: each "
       "player's portals_first is the map's whole shared out among the 2 copies, the same on "
       "every map; prefer one of gold_within, portal_time, rival_time, second_rival_time, "
       "border_gap, gold_near, gems_near, hazards_near, nearest_portal, nearest_heart\n"},
      {{"search", "--symmetry", "quad", "--prefer", "richness", "M"},
       "tarnixmap search: --prefer must be a figure: gold_first, gems_first, portals_first, "
       "territory, gold_within, portal_time, rival_time, second_rival_time, border_gap, "
       "gold_near, gems_near, hazards_near, nearest_portal, nearest_heart; got \"richness\"\n"},
  };
  for (const Case& c : cases) {
    const Result r = tarnixmap(c.args);
    EXPECT_EQ(r.code, 2) << c.args[2];
    EXPECT_EQ(r.err, c.message);
    EXPECT_FALSE(std::filesystem::exists(path("M.map")));
  }
  // No room for a heart beside the axis: a clear failure, and no file.
  const Result narrow =
      tarnixmap({"generate", "--seed", "1", "--symmetry", "mirror-x", "--size", "11x40",
                 "--players", "2", "--gold", "10", "--lava", "10", "--water", "10", "M"});
  EXPECT_EQ(narrow.code, 1);
  EXPECT_NE(narrow.err.find("no heart fits in the part of the map that --symmetry mirror-x "
                            "copies"),
            std::string::npos)
      << narrow.err;
  EXPECT_FALSE(std::filesystem::exists(path("M.map")));
}

// A search of symmetric maps ranks them by the preferred figure, the
// players' good fortune first; every line makes its map again.
TEST_F(TarnixmapTest, SymmetricSearchRanksByThePreferredFigure) {
  const std::vector<std::string> args = {
      "search",     "--json", "--top",    "5",           "--from",    "1", "--seeds", "60",
      "--symmetry", "rot2",   "--prefer", "portal_time", "--players", "2", "Duel"};
  const Result search = tarnixmap(args);
  ASSERT_EQ(search.code, 0) << search.err;
  std::vector<nlohmann::json> lines;
  for (std::size_t at = 0, end = 0; at < search.out.size(); at = end + 1) {
    end = search.out.find('\n', at);
    lines.push_back(nlohmann::json::parse(search.out.substr(at, end - at)));
  }
  ASSERT_EQ(lines.size(), 6U);
  for (std::size_t i = 0; i + 2 < lines.size(); ++i) {
    const double here = lines[i].at("preferred").at("value").get<double>();
    const double next = lines[i + 1].at("preferred").at("value").get<double>();
    // Less of a time first; equal times by the lower seed.
    EXPECT_TRUE(here < next || (here == next && lines[i].at("seed") < lines[i + 1].at("seed")))
        << i;
    EXPECT_EQ(lines[i].at("score"), 0.0);
    EXPECT_EQ(lines[i].at("starts").at(0).at("portal_time"), here);
  }
  EXPECT_EQ(lines.back().at("options").at("prefer"), "portal_time");
  const std::string searched = read_file("Duel.map");
  write_file("p.json", lines[0].at("params").dump());
  ASSERT_EQ(std::remove(path("Duel.map").c_str()), 0);
  ASSERT_EQ(tarnixmap({"generate", "--params", "p.json"}).code, 0);
  EXPECT_EQ(read_file("Duel.map"), searched);
  EXPECT_NE(lines[0].at("command").get<std::string>().find("--symmetry rot2 Duel"),
            std::string::npos);
}

}  // namespace
