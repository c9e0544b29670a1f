#include "tarnixrandommap/run/map_params.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace tarnix {
namespace {

TEST(ConvertNumber, ReadsLikeTheCommandLineAlwaysHas) {
  struct Case {
    std::string_view text;
    std::int32_t want;
  };
  const std::vector<Case> cases = {
      {"42", 42},
      {"  42", 42},
      {"\t\n\v\f\r 9", 9},
      {"+7", 7},
      {"-5", -5},
      {"0012", 12},
      {"12abc", 12},
      {"3.9", 3},
      {"abc", 0},
      {"", 0},
      {"-", 0},
      {"- 5", 0},
      {"+-5", 0},
      {"--5", 0},
      {"0x10", 0},
      {"2147483647", 2147483647},
      {"2147483648", -2147483647 - 1},
      {"-2147483648", -2147483647 - 1},
      {"4294967295", -1},
      {"4294967296", 0},
      {"4294967301", 5},
      {"99999999999", 1215752191},
      {"-99999999999", -1215752191},
      {"123456789012345678901234567890", 1312754386},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(convert_number(c.text), c.want) << "case \"" << c.text << "\"";
  }
}

TEST(ConvertArguments, FillsTheFieldsInOrder) {
  const std::array<std::string_view, kArgumentCount> args = {
      "Cave", "64", "65", "4", "500", "5", "300", "40", "201", "202", "20", "10"};
  const MapParams p = convert_arguments(args);
  EXPECT_EQ(p.name, "Cave");
  EXPECT_EQ(p.width, 64);
  EXPECT_EQ(p.height, 65);
  EXPECT_EQ(p.players, 4);
  EXPECT_EQ(p.start_gold, 500);
  EXPECT_EQ(p.portals, 5);
  EXPECT_EQ(p.gold, 300);
  EXPECT_EQ(p.gems, 40);
  EXPECT_EQ(p.lava, 201);
  EXPECT_EQ(p.water, 202);
  EXPECT_EQ(p.min_vosk_dist, 20);
  EXPECT_EQ(p.min_portal_dist, 10);
  EXPECT_EQ(heart_spacing(p), 25);
  EXPECT_EQ(portal_spacing(p), 14);
  EXPECT_EQ(map_file_name(p), "Cave.map");
}

MapParams typical() {
  MapParams p;
  p.name = "Cave";
  p.width = 64;
  p.height = 64;
  p.players = 4;
  p.start_gold = 500;
  p.portals = 5;
  p.gold = 300;
  p.gems = 40;
  p.lava = 200;
  p.water = 200;
  p.min_vosk_dist = 20;
  p.min_portal_dist = 10;
  return p;
}

TEST(Validate, AcceptsEveryValueAtItsLimits) {
  const std::vector<std::function<void(MapParams&)>> edits = {
      [](MapParams& p) { p.name = std::string(95, 'n'); },
      [](MapParams& p) { p.name = std::string(1, 'x'); },
      [](MapParams& p) { p.name = "caf\xC3\xA9 .. map-1 'quoted'"; },
      [](MapParams& p) { p.width = 7; },
      [](MapParams& p) { p.height = 7; },
      [](MapParams& p) { p.players = 2; },
      [](MapParams& p) { p.portals = p.gold = p.gems = p.lava = p.water = 0; },
      [](MapParams& p) { p.start_gold = -2147483647 - 1; },
      [](MapParams& p) { p.min_vosk_dist = 46335; },
      [](MapParams& p) { p.min_vosk_dist = -46345; },
      [](MapParams& p) { p.min_portal_dist = 2147483643; },
      [](MapParams& p) { p.min_portal_dist = -2147483647 - 1; },
  };
  int i = 0;
  for (const auto& edit : edits) {
    MapParams p = typical();
    edit(p);
    EXPECT_EQ(validate(p), std::vector<std::string>{}) << "edit " << i++;
  }
}

TEST(Validate, NamesEachRejectedValue) {
  struct Case {
    std::function<void(MapParams&)> edit;
    std::string want;
  };
  const std::string name_rule =
      R"(<name> must be 1 to 95 bytes with no "/", "\" or control characters, got )";
  const std::vector<Case> cases = {
      {[](MapParams& p) { p.name = ""; }, name_rule + "\"\" (0 bytes)"},
      {[](MapParams& p) { p.name = std::string(96, 'n'); },
       name_rule + "\"" + std::string(96, 'n') + "\" (96 bytes)"},
      {[](MapParams& p) { p.name = "../up"; }, name_rule + "\"../up\" (5 bytes)"},
      {[](MapParams& p) { p.name = "a\\b"; }, name_rule + R"("a\\b" (3 bytes))"},
      {[](MapParams& p) { p.name = "two\nlines"; }, name_rule + R"("two\x0Alines" (9 bytes))"},
      {[](MapParams& p) { p.name = std::string("nul\0x", 5); },
       name_rule + R"("nul\x00x" (5 bytes))"},
      {[](MapParams& p) { p.name = "del\x7F"; }, name_rule + R"("del\x7F" (4 bytes))"},
      {[](MapParams& p) { p.width = 5; }, "<width> must be at least 7, got 5"},
      {[](MapParams& p) { p.height = -3; }, "<height> must be at least 7, got -3"},
      {[](MapParams& p) { p.players = 5; }, "<players> must be from 2 to 4, got 5"},
      {[](MapParams& p) { p.players = 1; }, "<players> must be from 2 to 4, got 1"},
      {[](MapParams& p) { p.portals = -1; }, "<portals> must be 0 or more, got -1"},
      {[](MapParams& p) { p.gold = -2; }, "<gold> must be 0 or more, got -2"},
      {[](MapParams& p) { p.gems = -3; }, "<gems> must be 0 or more, got -3"},
      {[](MapParams& p) { p.lava = -4; }, "<lava> must be 0 or more, got -4"},
      {[](MapParams& p) { p.water = -5; }, "<water> must be 0 or more, got -5"},
      {[](MapParams& p) { p.min_vosk_dist = 46336; },
       "<min_vosk_dist> must be from -46345 to 46335, got 46336"},
      {[](MapParams& p) { p.min_vosk_dist = -46346; },
       "<min_vosk_dist> must be from -46345 to 46335, got -46346"},
      {[](MapParams& p) { p.min_portal_dist = 2147483644; },
       "<min_portal_dist> must be at most 2147483643, got 2147483644"},
  };
  for (const Case& c : cases) {
    MapParams p = typical();
    c.edit(p);
    EXPECT_EQ(validate(p), std::vector<std::string>{c.want}) << "case " << c.want;
  }
}

TEST(Validate, ListsEveryRejectedValueInArgumentOrder) {
  MapParams p = typical();
  p.water = -1;
  p.width = 0;
  p.players = 9;
  const std::vector<std::string> want = {"<width> must be at least 7, got 0",
                                         "<players> must be from 2 to 4, got 9",
                                         "<water> must be 0 or more, got -1"};
  EXPECT_EQ(validate(p), want);
}

}  // namespace
}  // namespace tarnix
