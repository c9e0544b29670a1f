// tarnixmap as a process: its command line, exit codes and output streams.

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
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

  const Result render = tarnixmap({"render", "Cave_1.map", "-o", "big.png", "--scale", "3"});
  EXPECT_EQ(render.code, 0) << render.err;
  EXPECT_EQ(render.out, "big.png: 192 x 192 pixels\n");
  EXPECT_TRUE(read_file("big.png").starts_with("\x89PNG\r\n"));
}

}  // namespace
