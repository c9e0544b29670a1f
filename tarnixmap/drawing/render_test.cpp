#include "tarnixmap/drawing/render.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tarnixmap/commands/commands.h"
#include "tarnixmap/drawing/picture_marks.h"
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

// Reads a PNG file's bytes back into pixels.
Picture decode(const std::string& png) {
  struct Reader {
    const std::string& bytes;
    std::size_t at = 0;
  } reader{png};
  const auto read = [](void* closure, unsigned char* data, unsigned int length) {
    auto* r = static_cast<Reader*>(closure);
    if (r->bytes.size() - r->at < length) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, r->bytes.data() + r->at, length);
    r->at += length;
    return CAIRO_STATUS_SUCCESS;
  };
  cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(read, &reader);
  EXPECT_EQ(cairo_surface_status(surface), CAIRO_STATUS_SUCCESS);
  Picture picture;
  picture.width = static_cast<std::uint32_t>(cairo_image_surface_get_width(surface));
  picture.height = static_cast<std::uint32_t>(cairo_image_surface_get_height(surface));
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (std::uint32_t y = 0; y < picture.height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(
        data + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride));
    for (std::uint32_t x = 0; x < picture.width; ++x) {
      picture.rgb.push_back(static_cast<std::uint8_t>(row[x] >> 16U));
      picture.rgb.push_back(static_cast<std::uint8_t>(row[x] >> 8U));
      picture.rgb.push_back(static_cast<std::uint8_t>(row[x]));
    }
  }
  cairo_surface_destroy(surface);
  return picture;
}

// The bare map, as --no-legend draws it.
Picture drawn(const TileGrid& grid, Scale scale) {
  std::string png;
  std::string err;
  PictureLabels bare;
  bare.legend = false;
  bare.markers = false;
  EXPECT_TRUE(render_png(grid, scale, bare, &png, &err)) << err;
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
  EXPECT_FALSE(render_png(grid, {4000, 1}, PictureLabels{}, &png, &err));
  EXPECT_NE(err.find("; choose --scale "), std::string::npos) << err;
  EXPECT_TRUE(png.empty());
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
  EXPECT_EQ(render_command({.inputs = {"odd.map"}}, out, err, files), kExitFailed);
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
  EXPECT_EQ(render_command({.inputs = {"plain.map"}, .scale = 2, .legend = false, .markers = false},
                           out, err, files),
            kExitOk)
      << err_sink.all();
  EXPECT_EQ(out_sink.all(), "plain.png: 20 x 18 pixels\n");
  const Picture picture = decode(files.files.at("plain.png"));
  EXPECT_TRUE(same(picture.at(7, 7), tile_colour('1')));
  EXPECT_TRUE(same(picture.at(13, 11), tile_colour('2')));
}

// Every picture is held against every map before anything is drawn, each
// name looked up once: thousands of maps start at once, not after millions
// of look-ups. A picture that is one of the maps is refused by name.
TEST(RenderCommand, HoldsPicturesAgainstMapsInOnePass) {
  MemoryFileSystem files;
  std::vector<std::string> inputs;
  for (int i = 0; i < 300; ++i) {
    inputs.push_back("m" + std::to_string(i) + ".map");
    files.files[inputs.back()] = "not a map";
  }
  StringSink out_sink;
  StringSink err_sink;
  Console out(out_sink, LineEnds::kLf);
  Console err(err_sink, LineEnds::kLf);
  EXPECT_EQ(render_command({.inputs = inputs}, out, err, files), kExitFailed);
  EXPECT_LE(files.lookups, 4 * inputs.size());  // each map, its picture, standard output

  files.files["m7.png"] = files.files.at("m3.map");
  inputs.emplace_back("m7.png");
  EXPECT_EQ(render_command({.inputs = inputs}, out, err, files), kExitUsage);
  EXPECT_NE(err_sink.all().find("tarnixmap render: m7.png is the map file m7.png, which is drawn "
                                "too; the picture must go elsewhere (-o)"),
            std::string::npos)
      << err_sink.all();
}

// The player colours are Okabe and Ito's, which people with the common
// kinds of colour blindness tell apart (their published values); the
// portals' colour is far from all of them.
TEST(Render, PlayersHaveColoursEveryoneCanTellApart) {
  const std::array<std::uint32_t, 4> okabe_ito = {0xE69F00, 0x56B4E9, 0x009E73, 0xCC79A7};
  for (int p = 0; p < 4; ++p) {
    const Rgb c = tile_colour(tile::heart(p));
    EXPECT_EQ(std::uint32_t{c.r} << 16U | std::uint32_t{c.g} << 8U | c.b, okabe_ito[p]) << p + 1;
    const Rgb portal = tile_colour(tile::kPortal);
    const int dr = c.r - portal.r;
    const int dg = c.g - portal.g;
    const int db = c.b - portal.b;
    EXPECT_GT(dr * dr + dg * dg + db * db, 150 * 150) << "player " << p + 1;
  }
}

// With its legend, the picture is the map with a title line above it and
// the legend strip to its right; the map's own squares keep their colours.
TEST(Render, TheMapSitsBelowTheTitleBesideTheLegend) {
  const TileGrid grid = every_code();  // no hearts recorded, no portal block: no markers
  const Scale scale{20, 1};
  const std::optional<PictureLayout> layout = picture_layout(grid, scale, true);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->map_x, 0);
  EXPECT_EQ(layout->map_y, kTitleHeight);
  EXPECT_EQ(layout->legend_x, 160);
  EXPECT_EQ(layout->width, 160 + kLegendWidth);
  EXPECT_EQ(layout->height, kTitleHeight + kLegendHeight);  // the legend is taller than 140
  std::string png;
  std::string err;
  PictureLabels labels;
  labels.name = "Every";
  ASSERT_TRUE(render_png(grid, scale, labels, &png, &err)) << err;
  const Picture picture = decode(png);
  ASSERT_EQ(picture.width, static_cast<std::uint32_t>(layout->width));
  ASSERT_EQ(picture.height, static_cast<std::uint32_t>(layout->height));
  for (std::int32_t y = 0; y < grid.height(); ++y) {
    for (std::int32_t x = 0; x < grid.width(); ++x) {
      const auto px = static_cast<std::uint32_t>(x * 20 + 10);
      const auto py = static_cast<std::uint32_t>(kTitleHeight + std::int64_t{y} * 20 + 10);
      EXPECT_TRUE(same(picture.at(px, py), tile_colour(grid.at(x, y)))) << x << "," << y;
    }
  }
  // Below the map, beside the legend: the picture's ground, not a tile.
  EXPECT_TRUE(same(picture.at(5, picture.height - 5), {255, 255, 255}));
}

// The largest scale offered is one whose whole picture, title and legend
// included, can be drawn: at most 2^26 pixels and 32767 a side. Worked out
// by hand: a 64-square side with the legend is (64s + 210) x (64s + 32)
// pixels, 8274 x 8096 = 66986304 at 126 and 8338 x 8160 = 68038080 at 127;
// bare it is 4096 s^2, 2^26 at 128. A 7 x 4681 map is 4681 s tall, 32767
// at 7, and the title line pushes that over at 7.
TEST(Render, TheLargestScaleOfferedCanBeDrawn) {
  struct Case {
    std::int32_t width;
    std::int32_t height;
    std::int32_t with_legend;
    std::int32_t bare;
  };
  const std::vector<Case> cases = {
      {64, 64, 126, 128},
      {8192, 8192, 0, 1},
      {100000, 7, 0, 0},
      {7, 4681, 6, 7},
  };
  for (const Case& c : cases) {
    std::optional<TileGrid> grid = TileGrid::create(c.width, c.height);
    ASSERT_TRUE(grid);
    EXPECT_EQ(largest_scale(*grid, true), c.with_legend) << c.width << " x " << c.height;
    EXPECT_EQ(largest_scale(*grid, false), c.bare) << c.width << " x " << c.height;
    for (const bool legend : {true, false}) {
      const std::int32_t largest = legend ? c.with_legend : c.bare;
      if (largest > 0) {
        EXPECT_TRUE(picture_layout(*grid, {largest, 1}, legend)) << c.width << " " << legend;
      }
      EXPECT_FALSE(picture_layout(*grid, {largest + 1, 1}, legend)) << c.width << " " << legend;
    }
  }
  std::optional<TileGrid> cave = TileGrid::create(64, 64);
  EXPECT_EQ(too_big_message(*cave, {127, 1}, true),
            "the picture would be at least 8338 x 8160 pixels, more than a picture may have "
            "(67108864 pixels, 32767 a side); choose --scale 126 or less (up to 128 with "
            "--no-legend)");
  std::optional<TileGrid> huge = TileGrid::create(8192, 8192);
  EXPECT_EQ(too_big_message(*huge, {1, 1}, true),
            "the picture would be at least 8402 x 8224 pixels, more than a picture may have "
            "(67108864 pixels, 32767 a side); draw it with --no-legend and --scale 1 or less, "
            "or leave out --scale to draw the map shrunk");
  std::optional<TileGrid> long_map = TileGrid::create(100000, 7);
  EXPECT_TRUE(too_big_message(*long_map, {2, 1}, false)
                  .ends_with("; leave out --scale to draw this map shrunk"));
}

// The territory picture tints each square with the light shade of the
// player who reaches it first, grey where players tie: two hearts with a
// column of rock between them, every square of which both reach at once.
TEST(Render, TerritoryTintsEachSquareByWhoReachesItFirst) {
  const std::vector<std::string> rows = {"AAAAAAAAAAAAAAA", "ASSSSSSSSSSSSSA", "AS11111.22222SA",
                                         "AS11111.22222SA", "AS11111.22222SA", "AS11111.22222SA",
                                         "AS11111.22222SA", "ASSSSSSSSSSSSSA", "AAAAAAAAAAAAAAA"};
  std::optional<TileGrid> grid = TileGrid::create(15, 9);
  for (std::int32_t y = 0; y < 9; ++y) {
    for (std::int32_t x = 0; x < 15; ++x)
      grid->at(x, y) = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
  }
  HeartTable hearts;
  hearts.count = 2;
  hearts.centres[0] = {4, 4};
  hearts.centres[1] = {10, 4};
  Measurer measurer;
  const MapMeasure measure = measurer.measure(*grid, hearts.placed(), MeasureOptions());
  PictureLabels labels =
      picture_labels("Two", std::nullopt, hearts, measure, measurer.dig_times().first_reachers());
  labels.legend = false;
  labels.symmetry.reset();  // the map is a mirror: its axis would cover the shared column
  std::string png;
  std::string err;
  ASSERT_TRUE(render_png(*grid, {10, 1}, labels, &png, &err)) << err;
  const Picture picture = decode(png);
  const auto at = [&](std::uint32_t x, std::uint32_t y) {
    return picture.at(x * 10 + 5, y * 10 + 5);
  };
  EXPECT_TRUE(same(at(3, 3), territory_colour('1', 1))) << "player 1's own block";
  EXPECT_TRUE(same(at(11, 5), territory_colour('2', 2))) << "player 2's own block";
  EXPECT_TRUE(same(at(7, 4), territory_colour('.', 3))) << "the shared column";
  EXPECT_FALSE(same(territory_colour('.', 1), territory_colour('.', 2)));
  EXPECT_TRUE(same(territory_colour('.', 3), territory_colour('.', 0)));  // shared is no one's
  EXPECT_FALSE(same(territory_colour('.', 1), tile_colour('.')));         // a tint shows
}

// render --race tints each player's floor at the race's end and plots the
// players' gold: player 1 digs the gold beside its heart, so that square is
// its floor and its curve climbs; player 2 has none, and its curve stays on
// the time axis. Without --race no curve is drawn. (The gold beside one
// heart only keeps the map from being a mirror, whose axis the legend would
// list too; without markers every square is in sight.)
TEST(RenderCommand, ARaceTintsTheFloorAndPlotsTheGold) {
  std::optional<TileGrid> grid = TileGrid::create(14, 9);
  init_grid(*grid);
  HeartTable two;
  two.count = 2;
  two.centres = {{{3, 4}, {10, 4}}};
  for (std::int32_t p = 0; p < 2; ++p) {
    for (std::int32_t y = -2; y <= 2; ++y) {
      for (std::int32_t x = -2; x <= 2; ++x)
        grid->at(two.centres[p].x + x, two.centres[p].y + y) = tile::heart(p);
    }
  }
  grid->at(6, 3) = 'g';
  MemoryFileSystem files;
  std::string why;
  ASSERT_TRUE(write_map_file(files, "race.map", {"race", 2, 0}, *grid, two, &why)) << why;
  StringSink out_sink;
  StringSink err_sink;
  Console out(out_sink, LineEnds::kLf);
  Console err(err_sink, LineEnds::kLf);
  const auto plotted = [&](bool race, Rgb colour) {
    EXPECT_EQ(render_command({.inputs = {"race.map"}, .scale = 10, .markers = false, .race = race},
                             out, err, files),
              kExitOk)
        << err_sink.all();
    const Picture picture = decode(files.files.at("race.png"));
    const auto layout = picture_layout(*grid, {10, 1}, true);
    // Of `colour`, right of the plot's gold axis, between its top and its
    // time axis: the legend of two players and no symmetry axis puts them
    // at 255 and 345 pixels down, 40 pixels into the legend.
    int pixels = 0;
    for (std::uint32_t y = 258; y < 342; ++y) {
      for (auto x = static_cast<std::uint32_t>(layout->legend_x) + 42; x < picture.width; ++x)
        pixels += same(picture.at(x, y), colour) ? 1 : 0;
    }
    return std::pair(picture, pixels);
  };
  const auto raced = plotted(true, tile_colour('1'));
  const Picture& picture = raced.first;
  const int climbing = raced.second;
  const auto layout = picture_layout(*grid, {10, 1}, true);
  const auto square = [&](std::uint32_t x, std::uint32_t y) {
    return picture.at(static_cast<std::uint32_t>(layout->map_x) + x * 10 + 5,
                      static_cast<std::uint32_t>(layout->map_y) + y * 10 + 5);
  };
  EXPECT_TRUE(same(square(6, 3), territory_colour('g', 1))) << "player 1 dug its gold";
  EXPECT_TRUE(same(square(10, 4), territory_colour('2', 2))) << "player 2's heart is its floor";
  EXPECT_GT(climbing, 0) << "player 1's gold climbs";
  EXPECT_EQ(plotted(true, tile_colour('2')).second, 0) << "player 2's stays at 0";
  EXPECT_EQ(plotted(false, tile_colour('1')).second, 0) << "no race, no plot";
}

// Shrunk eightfold, an 8192 x 8192 map's hearts are single pixels; their
// markers are rings and discs of the player's colour that can still be
// seen, and each portal has a white diamond.
TEST(Render, MarkersShowWhereThePlayersStartOnAHugeMap) {
  std::optional<TileGrid> grid = TileGrid::create(8192, 8192);
  init_grid(*grid);
  HeartTable hearts;
  hearts.count = 4;
  hearts.centres = {{{1000, 1000}, {7000, 1200}, {1500, 6800}, {6100, 6100}}};
  for (int y = 4000; y < 4003; ++y) {
    for (int x = 4000; x < 4003; ++x)
      grid->at(x, y) = tile::kPortal;
  }
  const Scale scale = default_scale(8192, 8192);
  PictureLabels labels;
  labels.name = "Huge";
  labels.hearts = hearts.placed();
  std::string png;
  std::string err;
  ASSERT_TRUE(render_png(*grid, scale, labels, &png, &err)) << err;
  const Picture picture = decode(png);
  const auto count_near = [&](std::int32_t tx, std::int32_t ty, Rgb colour) {
    const auto cx = static_cast<std::uint32_t>(tx / 8);
    const auto cy = static_cast<std::uint32_t>(kTitleHeight + ty / 8);
    int n = 0;
    for (std::uint32_t y = cy - 20; y <= cy + 20; ++y) {
      for (std::uint32_t x = cx - 20; x <= cx + 20; ++x)
        n += same(picture.at(x, y), colour) ? 1 : 0;
    }
    return n;
  };
  for (int p = 0; p < 4; ++p) {
    const HeartCentre c = hearts.centres[static_cast<std::size_t>(p)];
    EXPECT_GT(count_near(c.x, c.y, tile_colour(tile::heart(p))), 100) << "player " << p + 1;
  }
  EXPECT_GT(count_near(4001, 4001, {255, 255, 255}), 20) << "the portal's diamond";
  EXPECT_EQ(count_near(3000, 3000, {255, 255, 255}), 0) << "only rock there";
}

// A map of rock with player 1's block at (cx, cy) and lava on the squares
// that touch the block's sides and corners.
TileGrid heart_with_lava(std::int32_t width, std::int32_t height, HeartCentre c) {
  std::optional<TileGrid> grid = TileGrid::create(width, height);
  init_grid(*grid);
  for (std::int32_t y = -3; y <= 3; ++y) {
    for (std::int32_t x = -3; x <= 3; ++x) {
      const bool block = std::abs(x) <= 2 && std::abs(y) <= 2;
      grid->at(c.x + x, c.y + y) = block ? tile::heart(0) : tile::kLava;
    }
  }
  return std::move(*grid);
}

// The heart's marker is a ring outside the squares that touch the block:
// the heart and lava beside it stay in sight at any scale at which a
// square is more than a few pixels; the ring itself is there.
TEST(Render, TheHeartMarkerLeavesTheHeartAndWhatTouchesItInSight) {
  const HeartCentre c{10, 10};
  const TileGrid grid = heart_with_lava(21, 21, c);
  HeartTable hearts;
  hearts.count = 1;
  hearts.centres[0] = c;
  for (const std::int32_t pixels : {4, 8, 16, 30}) {
    PictureLabels labels;
    labels.legend = false;
    labels.hearts = hearts.placed();
    std::string png;
    std::string err;
    ASSERT_TRUE(render_png(grid, {pixels, 1}, labels, &png, &err)) << err;
    const Picture picture = decode(png);
    const auto middle = [&](std::int32_t x, std::int32_t y) {
      return picture.at(static_cast<std::uint32_t>(x * pixels + pixels / 2),
                        static_cast<std::uint32_t>(y * pixels + pixels / 2));
    };
    for (std::int32_t d = -3; d <= 3; ++d) {
      for (std::int32_t e = -3; e <= 3; ++e) {
        const bool block = std::abs(d) <= 2 && std::abs(e) <= 2;
        EXPECT_TRUE(same(middle(c.x + d, c.y + e), tile_colour(block ? '1' : 'L')))
            << pixels << " pixels a square, square " << d << "," << e;
      }
    }
    // Straight below the block, past the lava and within 3 more squares,
    // the ring in the player's colour.
    bool ring = false;
    const auto x = static_cast<std::uint32_t>(c.x * pixels + pixels / 2);
    for (auto y = static_cast<std::uint32_t>((c.y + 4) * pixels);
         y < static_cast<std::uint32_t>((c.y + 7) * pixels); ++y) {
      ring = ring || same(picture.at(x, y), tile_colour('1'));
    }
    EXPECT_TRUE(ring) << pixels << " pixels a square";
  }
}

// Whatever the scale and wherever the heart or portal, every marker lies
// wholly on the map: moved in from an edge as far as it must be.
TEST(Render, MarkersAreNeverCutOff) {
  struct Case {
    const char* name;
    std::int32_t width;
    std::int32_t height;
    Scale scale;
    bool legend;
  };
  const std::vector<Case> cases = {
      {"large squares, with the legend", 13, 40, {24, 1}, true},
      {"large squares, bare", 40, 13, {24, 1}, false},
      {"small squares", 40, 13, {2, 1}, false},
      {"shrunk", 200, 120, {1, 4}, true},
      {"a map narrower than a marker", 9, 30, {1, 1}, false},
  };
  for (const Case& c : cases) {
    std::optional<TileGrid> grid = TileGrid::create(c.width, c.height);
    init_grid(*grid);
    for (std::int32_t y = 2; y < 5; ++y) {  // a portal block against the top ring
      for (std::int32_t x = 2; x < 5; ++x)
        grid->at(x, y) = tile::kPortal;
    }
    HeartTable hearts;  // against the frame on each side
    hearts.count = 4;
    hearts.centres = {{{4, c.height / 2},
                       {c.width - 5, c.height / 2},
                       {c.width / 2, 4},
                       {c.width / 2, c.height - 5}}};
    const std::optional<PictureLayout> layout = picture_layout(*grid, c.scale, c.legend);
    ASSERT_TRUE(layout) << c.name;
    const auto on_map = [&](double x, double y, double reach) {
      const bool fits_x = 2 * reach > static_cast<double>(layout->map_width) ||
                          (x - reach >= static_cast<double>(layout->map_x) &&
                           x + reach <= static_cast<double>(layout->map_x + layout->map_width));
      const bool fits_y = 2 * reach > static_cast<double>(layout->map_height) ||
                          (y - reach >= static_cast<double>(layout->map_y) &&
                           y + reach <= static_cast<double>(layout->map_y + layout->map_height));
      return fits_x && fits_y;
    };
    for (const HeartMark& m : heart_marks(hearts.placed(), c.scale, *layout)) {
      EXPECT_TRUE(on_map(m.x, m.y, m.ring + kRingStroke))
          << c.name << ": ring " << m.x << "," << m.y;
      EXPECT_TRUE(on_map(m.label_x, m.label_y, kLabelRadius + 1))
          << c.name << ": number " << m.label_x << "," << m.label_y;
    }
    const std::vector<PortalMark> portals = portal_marks(*grid, c.scale, *layout);
    ASSERT_EQ(portals.size(), 1U) << c.name;
    EXPECT_TRUE(on_map(portals[0].x, portals[0].y, portals[0].half + 2)) << c.name;
  }
}

// The legend of a 2-player map lists the hearts of 2 players: the swatch
// after player 2's heart is water's.
TEST(Render, TheLegendListsTheMapsPlayersOnly) {
  const TileGrid grid = every_code();
  HeartTable hearts;
  hearts.count = 2;
  hearts.centres = {{{2, 2}, {3, 2}}};
  PictureLabels labels;
  labels.hearts = hearts.placed();
  labels.markers = false;
  std::string png;
  std::string err;
  ASSERT_TRUE(render_png(grid, {20, 1}, labels, &png, &err)) << err;
  const Picture picture = decode(png);
  const std::optional<PictureLayout> layout = picture_layout(grid, {20, 1}, true);
  // Swatches are 15 pixels square, 21 apart, the first ending 43 pixels
  // below the title line, 14 pixels into the strip.
  const auto swatch = [&](int n) {
    return picture.at(static_cast<std::uint32_t>(layout->legend_x + 14 + 7),
                      static_cast<std::uint32_t>(kTitleHeight + 22 + 21 * std::int64_t{n + 1} - 5));
  };
  EXPECT_TRUE(same(swatch(3), tile_colour('1')));
  EXPECT_TRUE(same(swatch(4), tile_colour('2')));
  EXPECT_TRUE(same(swatch(5), tile_colour('W')));
}

// The axis of a mirror runs through the middle of the map: through the
// middle of the middle square on an odd side, between two on an even one;
// a turn gets a ring at the centre instead. Worked out by hand for maps
// at 4 pixels a square without a legend (the map from pixel 0) and with
// one (the map below the title).
TEST(Render, SymmetryAxesRunThroughTheMiddle) {
  struct Case {
    Symmetry symmetry;
    std::int32_t width;
    std::int32_t height;
    bool legend;
    std::vector<SymmetryMarks::Line> lines;
    double ring;
  };
  const std::vector<Case> cases = {
      {Symmetry::kMirrorX, 41, 30, false, {{82, 0, 82, 120}}, 0},
      {Symmetry::kMirrorX, 40, 30, false, {{80, 0, 80, 120}}, 0},
      {Symmetry::kMirrorY, 30, 41, false, {{0, 82, 120, 82}}, 0},
      {Symmetry::kQuad, 40, 31, true, {{80, 32, 80, 156}, {0, 94, 160, 94}}, 0},
      {Symmetry::kRot2, 41, 31, false, {}, 6},
  };
  for (const Case& c : cases) {
    std::optional<TileGrid> grid = TileGrid::create(c.width, c.height);
    init_grid(*grid);
    const std::optional<PictureLayout> layout = picture_layout(*grid, {4, 1}, c.legend);
    ASSERT_TRUE(layout);
    const SymmetryMarks marks = symmetry_marks(c.symmetry, *grid, {4, 1}, *layout);
    const std::string name(symmetry_mode(c.symmetry).name);
    ASSERT_EQ(marks.lines.size(), c.lines.size()) << name;
    for (std::size_t i = 0; i < c.lines.size(); ++i) {
      EXPECT_EQ(marks.lines[i].x0, c.lines[i].x0) << name;
      EXPECT_EQ(marks.lines[i].y0, c.lines[i].y0) << name;
      EXPECT_EQ(marks.lines[i].x1, c.lines[i].x1) << name;
      EXPECT_EQ(marks.lines[i].y1, c.lines[i].y1) << name;
    }
    EXPECT_EQ(marks.ring, c.ring) << name;
    if (c.ring > 0) {
      EXPECT_EQ(marks.centre_x, 82);
      EXPECT_EQ(marks.centre_y, 62);
    }
  }
}

}  // namespace
}  // namespace tarnix
