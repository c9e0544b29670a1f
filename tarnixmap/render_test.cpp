#include "tarnixmap/render.h"

#include <gtest/gtest.h>
#include <png.h>

#include <vector>

#include "tarnixmap/commands.h"
#include "tarnixrandommap/mapfile/map_file.h"

namespace tarnix {
namespace {

// An 8 × 7 map with every tile code on it.
TileGrid every_code() {
  std::optional<TileGrid> grid = TileGrid::create(8, 7);
  init_grid(*grid);
  const std::string_view codes = "1234WLgGP";
  for (std::size_t i = 0; i < codes.size(); ++i) {
    grid->at(2 + static_cast<std::int32_t>(i % 4), 2 + static_cast<std::int32_t>(i / 4)) = codes[i];
  }
  return std::move(*grid);
}

struct Picture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgb;

  [[nodiscard]] Rgb at(std::uint32_t x, std::uint32_t y) const {
    const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
};

Picture decode(const std::string& png) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  EXPECT_NE(png_image_begin_read_from_memory(&image, png.data(), png.size()), 0) << image.message;
  image.format = PNG_FORMAT_RGB;
  Picture picture{image.width, image.height, std::vector<std::uint8_t>(PNG_IMAGE_SIZE(image))};
  EXPECT_NE(png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr), 0)
      << image.message;
  return picture;
}

Picture drawn(const TileGrid& grid, Scale scale) {
  std::string png;
  std::string err;
  EXPECT_TRUE(render_png(grid, scale, &png, &err)) << err;
  return decode(png);
}

bool same(Rgb a, Rgb b) {
  return a.r == b.r && a.g == b.g && a.b == b.b;
}

TEST(Render, EachTileIsASquareOfItsColour) {
  const TileGrid grid = every_code();
  const Picture picture = drawn(grid, {3, 1});
  ASSERT_EQ(picture.width, 24U);
  ASSERT_EQ(picture.height, 21U);
  for (std::uint32_t py = 0; py < picture.height; ++py) {
    for (std::uint32_t px = 0; px < picture.width; ++px) {
      const char code =
          grid.at(static_cast<std::int32_t>(px / 3), static_cast<std::int32_t>(py / 3));
      ASSERT_TRUE(same(picture.at(px, py), tile_colour(code))) << "pixel " << px << "," << py;
    }
  }
}

TEST(Render, EveryTileCodeHasItsOwnColour) {
  for (std::size_t i = 0; i < kTileCodes.size(); ++i) {
    for (std::size_t j = i + 1; j < kTileCodes.size(); ++j) {
      EXPECT_FALSE(same(tile_colour(kTileCodes[i].code), tile_colour(kTileCodes[j].code)))
          << kTileCodes[i].name << " and " << kTileCodes[j].name;
    }
  }
}

TEST(Render, DefaultScaleAimsAt1024Pixels) {
  struct Case {
    std::int32_t width;
    std::int32_t height;
    std::int32_t pixels;
    std::int32_t tiles;
  };
  for (const Case c : {Case{64, 64, 16, 1}, Case{100, 7, 10, 1}, Case{1024, 9, 1, 1},
                       Case{2000, 100, 1, 2}, Case{8192, 8192, 1, 8}}) {
    const Scale s = default_scale(c.width, c.height);
    EXPECT_EQ(s.pixels, c.pixels) << c.width << "x" << c.height;
    EXPECT_EQ(s.tiles, c.tiles) << c.width << "x" << c.height;
  }
}

// Of any two tiles in a shrunk block, the more telling one shows, wherever
// in the block it lies: hearts, then portals, gems, gold, lava, water,
// border, solid rock, rock.
TEST(Render, EachTileOutranksTheNextLessTellingOne) {
  const std::string_view order = "1PGgLWAS.";
  for (std::size_t i = 0; i + 1 < order.size(); ++i) {
    std::optional<TileGrid> grid = TileGrid::create(2, 2);
    for (std::int32_t y = 0; y < 2; ++y) {
      for (std::int32_t x = 0; x < 2; ++x)
        grid->at(x, y) = order[i + 1];
    }
    grid->at(1, 1) = order[i];  // the last square of the block
    const Picture picture = drawn(*grid, {1, 2});
    ASSERT_EQ(picture.width, 1U);
    EXPECT_TRUE(same(picture.at(0, 0), tile_colour(order[i])))
        << order[i] << " over " << order[i + 1];
  }
}

// Drawn smaller, a block shows its most telling tile.
TEST(Render, ShrunkBlocksShowTheirMostTellingTile) {
  const Picture picture = drawn(every_code(), {1, 2});
  ASSERT_EQ(picture.width, 4U);
  ASSERT_EQ(picture.height, 4U);
  EXPECT_TRUE(same(picture.at(0, 0), tile_colour('A')));
  EXPECT_TRUE(same(picture.at(1, 1), tile_colour('1')));  // hearts 1 and 2 share it
  EXPECT_TRUE(same(picture.at(2, 1), tile_colour('3')));  // over gold and gems
  EXPECT_TRUE(same(picture.at(1, 2), tile_colour('P')));  // over rock and solid rock
}

TEST(Render, RefusesPicturesTooBigToHold) {
  const TileGrid grid = every_code();
  std::string png;
  std::string err;
  EXPECT_FALSE(render_png(grid, {4000, 1}, &png, &err));
  EXPECT_NE(err.find("choose a smaller --scale"), std::string::npos);
}

TEST(RenderCommand, WritesBesideTheMapAndRefusesBrokenMaps) {
  MemoryFileSystem files;
  const TileGrid grid = every_code();
  HeartTable hearts;  // the hearts here are single tiles, so the file is not sound
  std::string err_text;
  ASSERT_TRUE(write_map_file(files, "odd.map", {"odd", 4, 0}, grid, hearts, &err_text));
  StringSink out_sink;
  StringSink err_sink;
  Console out(out_sink, LineEnds::kLf);
  Console err(err_sink, LineEnds::kLf);
  EXPECT_EQ(render_command({"odd.map", "", {}}, out, err, files), kExitFailed);
  EXPECT_NE(err_sink.all().find("is not a sound map"), std::string::npos);
  EXPECT_EQ(files.files.count("odd.png"), 0U);

  std::optional<TileGrid> plain = TileGrid::create(10, 9);
  init_grid(*plain);
  HeartTable two;
  two.count = 2;
  two.centres = {{{3, 3}, {6, 5}}};
  for (std::int32_t p = 0; p < 2; ++p) {
    for (std::int32_t y = -2; y <= 2; ++y) {
      for (std::int32_t x = -2; x <= 2; ++x) {
        plain->at(two.centres[p].x + x, two.centres[p].y + y) = tile::heart(p);
      }
    }
  }
  ASSERT_TRUE(write_map_file(files, "plain.map", {"plain", 2, 0}, *plain, two, &err_text));
  EXPECT_EQ(render_command({"plain.map", "", 2}, out, err, files), kExitOk) << err_sink.all();
  EXPECT_EQ(out_sink.all(), "plain.png: 20 x 18 pixels\n");
  const Picture picture = decode(files.files.at("plain.png"));
  EXPECT_TRUE(same(picture.at(7, 7), tile_colour('1')));
  EXPECT_TRUE(same(picture.at(13, 11), tile_colour('2')));
}

}  // namespace
}  // namespace tarnix
