#include "tarnixmap/output/params_json.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tarnixmap/output/weights_file.h"

namespace tarnix {
namespace {

MapParams cave(std::string name) {
  MapParams p;
  p.name = std::move(name);
  p.width = 64;
  p.height = 48;
  p.players = 3;
  p.start_gold = -5;
  p.portals = 5;
  p.gold = 300;
  p.gems = 40;
  p.lava = 200;
  p.water = 201;
  p.min_vosk_dist = 20;
  p.min_portal_dist = 10;
  return p;
}

// The command names every value in the generator's order, and a name
// quoted so that a shell gives back its very bytes.
TEST(ParamsJson, CommandWritesTheValuesInOrderWithTheNameQuoted) {
  struct Case {
    std::string name;
    std::string shown;  // as the command shows it
  };
  const std::vector<Case> cases = {
      {"Cave", "Cave"},
      {"Big Cave", "'Big Cave'"},
      {"it's", "'it'\\''s'"},
      {"-dash", "-- -dash"},
      {"=x", "'=x'"},                    // zsh would run "x"'s path in its place
      {"a=b", "a=b"},                    // an "=" further on is plain in every shell
      {"caf\xC3\xA9", "'caf\xC3\xA9'"},  // UTF-8 prints as itself
      {"bad\xFF", "$'bad\\xFF'"},        // a byte that is not UTF-8
      {"a\xE2\x80\xAE"
       "b",
       R"($'a\xE2\x80\xAEb')"},  // a control of text direction
  };
  for (const Case& c : cases) {
    EXPECT_EQ(generate_command_line(cave(c.name), 7),
              "tarnixmap generate --seed 7 " + c.shown + " 64 48 3 -5 5 300 40 200 201 20 10")
        << c.name;
  }
}

// What params_json writes, parse_params reads back to the same values,
// names whose bytes do not print as themselves included.
TEST(ParamsJson, ReadsBackWhatItWrites) {
  for (const std::string name : {"Cave", "bad\xFF", "x\x1B[31m"}) {
    const MapParams p = cave(name);
    ParamsFile read;
    std::string problem;
    ASSERT_TRUE(parse_params(params_json(p, 4294967295U).dump(), &read, &problem)) << problem;
    EXPECT_EQ(read.values[0], name);
    EXPECT_EQ(read.values[1], "64");
    EXPECT_EQ(read.values[3], "3");
    EXPECT_EQ(read.values[4], "-5");
    EXPECT_EQ(read.values[9], "201");
    EXPECT_EQ(read.values[11], "10");
    EXPECT_EQ(read.seed, 4294967295U);
    EXPECT_EQ(read.symmetry, std::nullopt);
    ASSERT_TRUE(parse_params(params_json(p, 1, Symmetry::kRot4).dump(), &read, &problem));
    EXPECT_EQ(read.symmetry, Symmetry::kRot4);
    EXPECT_EQ(generate_command_line(p, 1, Symmetry::kRot4).substr(0, 44),
              "tarnixmap generate --seed 1 --symmetry rot4 ");
  }
}

// Each key that is unknown, or whose value is not a whole number in its
// option's range, is named; a value is never guessed from text or a float.
TEST(ParamsJson, NamesTheKeyThatIsWrong) {
  struct Case {
    std::string text;
    std::string problem;
  };
  const std::vector<Case> cases = {
      {R"({"colour": 1})",
       "unknown key \"colour\"; the keys are name, seed, symmetry, width, height,"},
      {R"({"symmetry": "mirror"})", "\"symmetry\" must be one of mirror-x, mirror-y, rot2, quad,"},
      {R"({"width": 6})", "\"width\" must be a whole number from 7 to 2147483647, got 6"},
      {R"({"width": "64"})", R"("width" must be a whole number from 7 to 2147483647, got "64")"},
      {R"({"width": 64.5})", "\"width\" must be a whole number from 7 to 2147483647, got 64.5"},
      {R"({"players": 5})", "\"players\" must be a whole number from 2 to 4, got 5"},
      {R"({"players": true})", "\"players\" must be a whole number from 2 to 4, got true"},
      {R"({"seed": 4294967296})", "\"seed\" must be a whole number from 0 to 4294967295"},
      {R"({"seed": -1})", "\"seed\" must be a whole number from 0 to 4294967295"},
      {R"({"name": 5})", "\"name\" must be a string, got 5"},
      {R"({"name_hex": "4"})", "\"name_hex\" must be hex digits"},
      {R"([64])", "not a JSON object of map values"},
      {R"({"width": 64,)", "not valid JSON (it ends too soon)"},
      {R"({"width": x})", "not valid JSON (at byte 11)"},
      // Numbers beyond any number type, named as any other bad value.
      {R"({"name": "P", "gold": 1e400})",
       "\"gold\" must be a whole number from 0 to 2147483647, got 1e400"},
      {R"({"gold": -1e400})", "\"gold\" must be a whole number from 0 to 2147483647, got -1e400"},
      {R"({"seed": 1E999})", "\"seed\" must be a whole number from 0 to 4294967295, got 1E999"},
      {R"({"colour": 1e400})", "unknown key \"colour\"; the keys are"},
      // A designer's file with two widths is a mistake, not a choice.
      {R"({"width": 64, "height": 64, "width": 70})", "the key \"width\" is given twice"},
      {"{\"name\": " + std::string(100000, '[') + std::string(100000, ']') + "}",
       "objects and lists nested more than 8 deep"},
  };
  for (const Case& c : cases) {
    ParamsFile read;
    std::string problem;
    EXPECT_FALSE(parse_params(c.text, &read, &problem)) << c.text;
    EXPECT_TRUE(problem.starts_with(c.problem)) << c.text << ": " << problem;
  }
}

// Values the command line gave win; the others, the name and the seed come
// from the file, and a value the file leaves out keeps its default.
TEST(ParamsJson, TheCommandLineOverridesTheFile) {
  MemoryFileSystem files;
  files.files["p.json"] =
      R"({"name": "Duel", "width": 30, "height": 31, "players": 2, "seed": 9,
          "symmetry": "rot2"})";
  std::array<std::string, kArgumentCount> values = {"",    "64", "70",  "4",   "500", "5",
                                                    "300", "40", "200", "200", "20",  "10"};
  std::array<bool, kArgumentCount> given{};
  given[2] = true;  // --height 70
  std::optional<std::uint32_t> seed;
  std::optional<Symmetry> symmetry;
  std::string problem;
  ASSERT_TRUE(
      apply_params_file("p.json", given, values, {&seed, &symmetry, false}, files, &problem))
      << problem;
  EXPECT_EQ(symmetry, Symmetry::kRot2);
  EXPECT_EQ(values[0], "Duel");
  EXPECT_EQ(values[1], "30");
  EXPECT_EQ(values[2], "70");
  EXPECT_EQ(values[3], "2");
  EXPECT_EQ(values[5], "5");
  EXPECT_EQ(seed, 9U);

  std::optional<std::uint32_t> asked = 3;  // --seed 3
  std::optional<Symmetry> none;            // --symmetry none
  ASSERT_TRUE(apply_params_file("p.json", given, values, {&asked, &none, true}, files, &problem));
  EXPECT_EQ(asked, 3U);
  EXPECT_EQ(none, std::nullopt);

  files.files["nameless.json"] = R"({"width": 30})";
  values[0].clear();
  EXPECT_FALSE(apply_params_file("nameless.json", given, values, {&seed, &symmetry, false}, files,
                                 &problem));
  EXPECT_EQ(problem, "--params nameless.json: holds no \"name\"; give NAME after the options");
  EXPECT_FALSE(
      apply_params_file("missing.json", given, values, {&seed, &symmetry, false}, files, &problem));
  EXPECT_TRUE(problem.starts_with("--params missing.json: cannot read it: ")) << problem;
}

// Both option files are read the one bounded way; each says what it is
// too large for.
TEST(OptionFile, TooLargeOrUnreadableIsSaidWithTheOption) {
  MemoryFileSystem files;
  files.files["big.json"] = std::string(std::size_t{64} * 1024 + 1, ' ');
  files.files["edge.json"] = std::string(std::size_t{64} * 1024, ' ');
  files.directories.insert("dir");
  std::array<std::string, kArgumentCount> values{};
  std::optional<std::uint32_t> seed;
  std::optional<Symmetry> symmetry;
  std::string problem;
  EXPECT_FALSE(
      apply_params_file("big.json", {}, values, {&seed, &symmetry, false}, files, &problem));
  EXPECT_EQ(problem,
            "--params big.json: too large (65537 bytes or more) for a JSON object of map values");
  Weights weights{};
  EXPECT_FALSE(read_weights_file("big.json", files, &weights, &problem));
  EXPECT_EQ(problem, "--weights big.json: too large (65537 bytes or more) for a file of weights");
  // At the limit the file is read, and found to be no JSON.
  EXPECT_FALSE(read_weights_file("edge.json", files, &weights, &problem));
  EXPECT_EQ(problem.find("too large"), std::string::npos) << problem;
  EXPECT_FALSE(read_weights_file("dir", files, &weights, &problem));
  EXPECT_EQ(problem, "--weights dir: cannot read it: Is a directory");
}

}  // namespace
}  // namespace tarnix
