#include "tarnixrandommap/mapfile/map_file.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnix {
namespace {

TileGrid small_map() {
  std::optional<TileGrid> grid = TileGrid::create(8, 7);
  EXPECT_TRUE(grid.has_value());
  init_grid(*grid);
  grid->at(2, 2) = 'g';
  grid->at(5, 4) = 'G';
  grid->at(3, 3) = 'L';
  return std::move(*grid);
}

HeartTable hearts_of(std::int32_t count) {
  HeartTable hearts;
  hearts.centres = {{{3, 3}, {40, 12}, {-1, 7}, {5, 1234567}}};
  hearts.count = count;
  return hearts;
}

TEST(MapFile, ExactBytesOfASmallMap) {
  const TileGrid grid = small_map();
  MemoryFileSystem files;
  std::string err;
  const MapFileFields fields{"Tiny", 3, -250};
  ASSERT_TRUE(write_map_file(files, "Tiny.map", fields, grid, hearts_of(3), &err));
  EXPECT_EQ(files.files.at("Tiny.map"),
            "Tiny\r\n"
            "PLAYERS 3\r\n"
            "\r\n"
            "MAP\r\n"
            "8 X 7\r\n"
            "\r\n"
            "AAAAAAAA\r\n"
            "ASSSSSSA\r\n"
            "ASg...SA\r\n"
            "AS.L..SA\r\n"
            "AS...GSA\r\n"
            "ASSSSSSA\r\n"
            "AAAAAAAA\r\n"
            "\r\n"
            "MAP_CODES\r\n"
            "12\r\n"
            "S SOLID_ROCK\r\n"
            ". ROCK\r\n"
            "A MAP_BORDER\r\n"
            "1 VSK1_HEART\r\n"
            "2 VSK2_HEART\r\n"
            "3 VSK3_HEART\r\n"
            "4 VSK4_HEART\r\n"
            "W WATER\r\n"
            "L LAVA\r\n"
            "g GOLD\r\n"
            "G GEMS\r\n"
            "P NEUTRAL_PORTAL\r\n"
            "\r\n"
            "THINGS\r\n"
            "0\r\n"
            "CREATURES\r\n"
            "0\r\n"
            "DOORS\r\n"
            "0\r\n"
            "TRAPS\r\n"
            "0\r\n"
            "HEARTS_AND_GOLD\r\n"
            "VSK1_HEART_CENTER 3 3\r\n"
            "VSK2_HEART_CENTER 40 12\r\n"
            "VSK3_HEART_CENTER -1 7\r\n"
            "GOLD1 -250\r\n"
            "GOLD2 -250\r\n"
            "GOLD3 -250\r\n"
            "\r\n"
            "EOF\r\n"
            "\r\n");
}

TEST(MapFile, OneCentreAndOneGoldLinePerPlayer) {
  const TileGrid grid = small_map();
  for (const std::int32_t players : {2, 3, 4}) {
    const std::string tail = map_file_tail({"M", players, 7}, hearts_of(players));
    const auto count = [&](std::string_view what) {
      std::size_t n = 0;
      for (std::size_t at = tail.find(what); at != std::string::npos;
           at = tail.find(what, at + 1)) {
        ++n;
      }
      return static_cast<std::int32_t>(n);
    };
    EXPECT_EQ(count("_HEART_CENTER "), players) << players << " players";
    EXPECT_EQ(count("\r\nGOLD"), players) << players << " players";
    EXPECT_EQ(tail.substr(tail.size() - 7), "EOF\r\n\r\n") << players << " players";
  }
}

TEST(MapFile, ReportsTheFileSystemsReason) {
  const TileGrid grid = small_map();
  MemoryFileSystem files;
  files.fail_next = "No space left on device";
  std::string err;
  EXPECT_FALSE(write_map_file(files, "Tiny.map", {"Tiny", 2, 0}, grid, hearts_of(2), &err));
  EXPECT_EQ(err, "No space left on device");
  EXPECT_TRUE(files.files.empty());
}

}  // namespace
}  // namespace tarnix
