#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tarnixmap/commands/commands.h"
#include "tarnixmap/drawing/histogram_svg.h"
#include "tarnixmap/drawing/report_page.h"
#include "tarnixrandommap/run/generate.h"

namespace tarnix {
namespace {

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++n;
  return n;
}

// A map's own text cannot add markup to the page; each table marks one
// row, the least even figure's; the histogram is drawn only for a search.
TEST(ReportPage, EscapesTheMapsTextAndMarksOneRowPerTable) {
  ReportMap map;
  map.name = "<script>alert('x')</script>&\"";
  map.source = "a.map";
  map.picture = "map-1.png";
  map.measure.players.resize(3);
  map.measure.fairness.score = 0.5;
  map.measure.fairness.least_even = Figure::kHazardsNear;
  const std::vector<ReportMap> maps = {map, map};
  const std::string page = report_html("heading", maps, std::nullopt, PageOrigin{});
  EXPECT_EQ(page.find("<script>alert"), std::string::npos);
  EXPECT_NE(page.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;&amp;&quot;"),
            std::string::npos);
  EXPECT_NE(page.find("<h2><bdi>a.map</bdi>: <bdi>&lt;script&gt;"), std::string::npos) << page;
  EXPECT_EQ(count(page, "<tr class=\"least-even\"><th>hazards_<wbr>near "), 2U);
  EXPECT_EQ(count(page, "<tr"), 2U * (1 + kFigureCount));  // a head and a row per figure
  EXPECT_EQ(count(page, "<th>player "), 6U);               // three players, two maps
  EXPECT_EQ(page.find("<svg class=\"scores\""), std::string::npos);
  ScoreHistogram histogram(8);  // bins of 0.05 up to 8, and one beyond
  for (const double score : {0.5, 0.52, 1.4, 9.0})
    histogram.add(score);
  ASSERT_EQ(histogram.counts.size(), 162U);
  EXPECT_EQ(histogram.counts[10], 2U);  // 0.5 and 0.52 share a bin of 0.05
  EXPECT_EQ(histogram.counts[161], 1U);
  const std::string searched = report_html("heading", maps, histogram, PageOrigin{});
  EXPECT_NE(searched.find("The scores of 4 seeds"), std::string::npos);
  EXPECT_GT(count(searched, "<rect "), 2U);
}

// Every figure whose part is a quarter of the score or more is marked, not
// only the least even; each row shows the figure's weight and its part;
// and the page tells how its maps were made, with a command to copy.
TEST(ReportPage, MarksEveryFigureThatWeighsHeavilyAndSaysHowItWasMade) {
  ReportMap map;
  map.name = "m";
  map.source = "rank 1";
  map.measure.players.resize(2);
  Fairness& f = map.measure.fairness;
  f.score = 2.0;
  f.parts[static_cast<std::size_t>(Figure::kPortalsFirst)] = 1.0;  // a half: marked
  f.parts[static_cast<std::size_t>(Figure::kPortalTime)] = 0.5;    // a quarter: marked
  f.parts[static_cast<std::size_t>(Figure::kTerritory)] = 0.49;    // less: not
  f.least_even = Figure::kPortalsFirst;
  PageOrigin origin;
  origin.weights[static_cast<std::size_t>(Figure::kPortalTime)] = 2.5;
  origin.settings = {{"weights", "portal_time 2.5"}, {"costs", ". 3, W <2>"}};
  origin.command = "tarnixmap search --from 1 --seeds 10 --report 'a b' Cave";
  const std::vector<ReportMap> maps = {map};
  const std::string page = report_html("heading", maps, std::nullopt, origin);
  EXPECT_EQ(count(page, " heavy\"><th>"), 1U) << page;  // the least even, heavy too
  EXPECT_EQ(count(page, "\"heavy\"><th>"), 1U);
  EXPECT_NE(page.find("<tr class=\"least-even heavy\"><th>portals_<wbr>first "), std::string::npos);
  EXPECT_NE(page.find("<tr class=\"heavy\"><th>portal_<wbr>time "), std::string::npos);
  EXPECT_NE(page.find("<tr><th>territory "), std::string::npos);
  EXPECT_NE(page.find(R"(<th>portal_<wbr>time <small class="weight">× 2.5</small></th>)"),
            std::string::npos);
  EXPECT_NE(page.find(R"(<td class="part">0.50</td></tr>)"), std::string::npos);
  EXPECT_NE(page.find("<dt>costs</dt><dd>. 3, W &lt;2&gt;</dd>"), std::string::npos);
  EXPECT_NE(
      page.find("<code>tarnixmap search --from 1 --seeds 10 --report &#39;a b&#39; Cave</code>"),
      std::string::npos);
}

// A name in a right-to-left script is isolated from the page's words
// around it, and a control that would reorder text is shown escaped.
// A raced map's card shows its race fairness, the picture of the floors
// and the income plot: each player's gold at 0, T/4, T/2 and T, the time
// from x 40 to 300 and the gold from y 130 (none) up to 10 (the most any
// player had), worked out by hand. A map not raced has none of it.
TEST(ReportPage, ARacedMapShowsItsIncome) {
  ReportMap raced;
  raced.name = "Raced";
  raced.measure.players.resize(2);
  raced.measure.fairness.score = 0.5;
  raced.race = RaceCurves{400, {{2, 4, 8}, {0, 0, 4}}, 0.5};
  raced.race_picture = "map-1-race.png";
  raced.race_thumbnail = "map-1-race-small.png";
  ReportMap plain = raced;
  plain.race.reset();
  const std::string page = report_html("heading", std::vector{raced}, std::nullopt, PageOrigin{});
  EXPECT_NE(page.find("race fairness <b>0.5000</b>"), std::string::npos);
  EXPECT_NE(page.find(R"(<a href="map-1-race.png")"), std::string::npos);
  EXPECT_NE(page.find(R"(points="40.0,130.0 105.0,100.0 170.0,70.0 300.0,10.0">)"
                      "<title>player 1: 2, 4, 8</title>"),
            std::string::npos)
      << page;
  EXPECT_NE(page.find(R"(points="40.0,130.0 105.0,130.0 170.0,130.0 300.0,70.0">)"
                      "<title>player 2: 0, 0, 4</title>"),
            std::string::npos);
  EXPECT_NE(page.find(R"(stroke="#e69f00" points="40.0,130.0 105.0)"), std::string::npos)
      << "player 1 in its heart's orange";
  EXPECT_NE(page.find(">8</text>"), std::string::npos) << "the most gold, up the side";
  const std::string unraced =
      report_html("heading", std::vector{plain}, std::nullopt, PageOrigin{});
  EXPECT_EQ(unraced.find("race fairness"), std::string::npos);
  EXPECT_EQ(unraced.find("<polyline"), std::string::npos);
  EXPECT_EQ(unraced.find("Race (the third picture"), std::string::npos);
}

TEST(ReportPage, IsolatesNamesAndEscapesBidiControls) {
  ReportMap map;
  map.name = "\xD7\xA9\xD7\x9C \xE2\x80\xAEpam";  // Hebrew letters, then a right-to-left override
  map.source = "a.map";
  map.picture = "map-1.png";
  map.measure.players.resize(2);
  const std::vector<ReportMap> maps = {map};
  const std::string page = report_html("heading", maps, std::nullopt, PageOrigin{});
  EXPECT_NE(page.find("<bdi>\xD7\xA9\xD7\x9C \\xE2\\x80\\xAEpam</bdi>"), std::string::npos) << page;
  EXPECT_EQ(page.find("\xE2\x80\xAE"), std::string::npos);
}

// The page and a picture for each sound map; a broken one is reported and
// left out; and a page that would overwrite a map file is not written.
TEST(ReportCommand, WritesThePageBesideThePictures) {
  MemoryFileSystem files;
  StringSink quiet;
  Console messages(quiet);
  const std::array<std::string_view, kArgumentCount> values = {"Duel", "30", "20", "2",  "0", "1",
                                                               "20",   "5",  "20", "20", "0", "0"};
  const MapParams params = convert_arguments(values);
  ASSERT_EQ(generate_map(params, "a.map", 3, messages, files).outcome, MapOutcome::kWritten);
  files.files["broken.map"] = "broken\r\n";
  StringSink out_sink;
  StringSink err_sink;
  Console out(out_sink, LineEnds::kLf);
  Console err(err_sink, LineEnds::kLf);
  EXPECT_EQ(report_command({.paths = {"a.map", "broken.map"}, .output = "page"}, out, err, files),
            kExitFailed);
  EXPECT_TRUE(files.files.at("page/map-1.png").starts_with("\x89PNG"));
  EXPECT_NE(files.files.at("page/index.html").find("<h2><bdi>a.map</bdi>: <bdi>Duel</bdi></h2>"),
            std::string::npos);
  EXPECT_NE(err_sink.all().find("tarnixmap: broken.map is not a sound map"), std::string::npos);
  EXPECT_EQ(out_sink.all(), "page/index.html: 1 map\n");

  files.files["page/map-1.png"] = files.files.at("a.map");  // a map file where a picture goes
  const std::string page_before = files.files.at("page/index.html");
  EXPECT_EQ(report_command({.paths = {"page/map-1.png"}, .output = "page"}, out, err, files),
            kExitFailed);
  EXPECT_NE(
      err_sink.all().find("page/map-1.png is one of the files read; the report must go elsewhere"),
      std::string::npos);
  EXPECT_EQ(files.files.at("page/map-1.png"), files.files.at("a.map"));
  EXPECT_EQ(files.files.at("page/index.html"), page_before);
}

// Rank labels never run into each other: a label too near the one before
// joins it, and the joined label, centred between its ranks, may join the
// one before that too. Worked out by hand with characters 14 wide: two
// labels of one digit need 14 between their centres, one of one digit and
// one of a range ("1–3", three characters) 28.
TEST(HistogramSvg, RankLabelsNeverOverlap) {
  struct Case {
    std::vector<double> x;
    std::vector<RankLabel> want;
  };
  const std::vector<Case> cases = {
      {{100, 114, 128}, {{0, 0, 100}, {1, 1, 114}, {2, 2, 128}}},  // just room
      {{100, 105, 110, 200, 212}, {{0, 2, 105}, {3, 4, 206}}},
      {{100, 115, 122}, {{0, 2, 111}}},  // 2 and 3 join, then 1 with them
      {{100, 130, 143}, {{0, 0, 100}, {1, 2, 136.5}}},
      {{100, 120, 132}, {{0, 2, 116}}},  // "2–3" at 126 is 26 from "1": too near
  };
  for (const Case& c : cases) {
    const std::vector<RankLabel> got = rank_labels(c.x, 14);
    ASSERT_EQ(got.size(), c.want.size()) << c.x[1];
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].first, c.want[i].first) << c.x[1] << " label " << i;
      EXPECT_EQ(got[i].last, c.want[i].last) << c.x[1] << " label " << i;
      EXPECT_DOUBLE_EQ(got[i].x, c.want[i].x) << c.x[1] << " label " << i;
    }
  }
}

// Ticks fall on 1, 2, 2.5 or 5 times a power of ten, the smallest that
// covers the range in the steps allowed (worked out by hand).
TEST(HistogramSvg, TicksAreRoundNumbers) {
  struct Case {
    double range;
    int most;
    double step;
  };
  for (const Case c : {Case{5.0, 8, 1.0}, Case{0.3, 8, 0.05}, Case{30, 5, 10}, Case{1, 5, 0.2},
                       Case{7, 1, 10}, Case{0.05, 8, 0.01}, Case{12, 5, 2.5}}) {
    EXPECT_DOUBLE_EQ(tick_step(c.range, c.most), c.step) << c.range << " in " << c.most;
  }
}

// The axes carry their ticks' values: scores along the bottom from the
// first bin with a seed, counts up the side to the tallest bar; each
// ranked map has its line and number.
TEST(HistogramSvg, HasAxesAndMarksTheRankedMaps) {
  ScoreHistogram histogram(4);
  for (int i = 0; i < 7; ++i)
    histogram.add(1.02);  // the bin from 1.00 to 1.05
  histogram.add(1.49);
  const std::vector<double> ranked = {1.02, 1.02, 1.49};
  const std::string svg = histogram_svg(histogram, ranked);
  // Scores from 1.00 to 1.50 in ten bars, ticks every 0.1; counts 0 to 7
  // (the tallest bar) in steps of 2, to 8.
  for (const char* label : {">1.0<", ">1.1<", ">1.5<", ">0<", ">2<", ">8<"})
    EXPECT_NE(svg.find(label), std::string::npos) << label << " in " << svg;
  EXPECT_EQ(svg.find(">1.6<"), std::string::npos);
  EXPECT_EQ(count(svg, "<rect "), 10U);
  EXPECT_EQ(count(svg, "class=\"ranked\""), 3U);
  // Ranks 1 and 2 share a score: one label, telling each when pointed at.
  EXPECT_NE(svg.find(">1–2<title>rank 1: score 1.0200; rank 2: score 1.0200</title>"),
            std::string::npos)
      << svg;
  EXPECT_NE(svg.find(">3<title>rank 3: score 1.4900</title>"), std::string::npos);
  EXPECT_EQ(histogram_svg(ScoreHistogram(4), {}), "<p>No seed searched had a score.</p>");
}

}  // namespace
}  // namespace tarnix
