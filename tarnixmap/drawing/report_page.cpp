#include "tarnixmap/drawing/report_page.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <numeric>

#include "tarnixmap/fairness/figure_text.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

constexpr std::string_view kStyle = R"(<style>
body { font-family: "DejaVu Sans", sans-serif; margin: 24px; color: #222; background: #fafafa; }
h1 { font-size: 22px; }
.maps { display: grid; grid-template-columns: repeat(auto-fill, minmax(460px, 1fr)); gap: 20px; }
.map { background: #fff; border: 1px solid #ccc; border-radius: 6px; padding: 14px; }
.map h2 { font-size: 17px; margin: 0 0 6px; }
.map img { width: 100%; height: auto; image-rendering: pixelated; border: 1px solid #ddd; }
.score { font-size: 15px; margin: 8px 0; }
table { border-collapse: collapse; width: 100%; font-size: 13px; }
th, td { border: 1px solid #ddd; padding: 3px 6px; text-align: right; white-space: nowrap; }
th:first-child, td:first-child { text-align: left; }
.pictures { display: grid; grid-template-columns: 1fr 1fr; gap: 8px; }
tr.least-even { background: #fde9c8; }
td.worst { font-weight: bold; color: #b00020; }
th small { font-weight: normal; color: #666; }
td.best { font-weight: bold; color: #006b3c; }
.histogram { background: #fff; border: 1px solid #ccc; border-radius: 6px; padding: 14px;
             margin-bottom: 20px; max-width: 760px; }
.histogram rect { fill: #0072b2; }
.histogram text { font-size: 11px; fill: #444; }
</style>
)";

std::string escaped(std::string_view text) {
  std::string out;
  for (const char c : printable(text)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Text of the user's own (a map's name, a file's path) as an isolate of its
// own: a name in a right-to-left script cannot reorder the page's words
// around it. Controls that would reorder text are escaped by printable().
std::string isolated(std::string_view text) {
  return "<bdi>" + escaped(text) + "</bdi>";
}

// One figure of one player, as a table cell.
std::string cell(const MapMeasure& measure, std::size_t player, Figure figure) {
  const StartFigures& s = measure.players[player];
  std::string classes;
  const Fairness& f = measure.fairness;
  if (f.score && figure == f.least_even) {
    if (player == f.worst_player) classes = "worst";
    if (player == f.best_player) classes = "best";
  }
  return "<td" + (classes.empty() ? "" : " class=\"" + classes + "\"") + ">" +
         figure_text(s, figure) + "</td>";
}

// A row per figure, a column per player: however many figures there are,
// the table is as narrow as its players.
std::string figures_table(const MapMeasure& measure) {
  std::string html = "<table><thead><tr><th>figure</th>";
  for (std::size_t p = 0; p < measure.players.size(); ++p) {
    const HeartCentre h = measure.players[p].heart;
    html += "<th>player " + std::to_string(p + 1) + "<br><small>(" + std::to_string(h.x) + ", " +
            std::to_string(h.y) + ")</small></th>";
  }
  html += "</tr></thead><tbody>";
  for (std::size_t f = 0; f < kFigureCount; ++f) {
    const auto figure = static_cast<Figure>(f);
    const bool marked = measure.fairness.score && figure == measure.fairness.least_even;
    html += std::string("<tr") + (marked ? " class=\"least-even\"" : "") + "><th>" +
            std::string(kFigures[f].name) + "</th>";
    for (std::size_t p = 0; p < measure.players.size(); ++p)
      html += cell(measure, p, figure);
    html += "</tr>";
  }
  return html + "</tbody></table>";
}

std::string map_card(const ReportMap& map) {
  std::string title = isolated(map.name);
  if (map.seed) title += " · seed " + std::to_string(*map.seed);
  const Fairness& f = map.measure.fairness;
  std::string verdict = "fairness score <b>" + score_text(f) + "</b>";
  if (f.score) {
    verdict += "; least even: " + std::string(info(f.least_even).name) + ", " +
               escaped(least_even_text(map.measure.players, f));
  }
  if (f.sealed) verdict += "; sealed: " + escaped(sealed_text(map.measure.players));
  return "<section class=\"map\"><h2>" + isolated(map.source) + ": " + title + "</h2>" +
         R"(<div class="pictures"><img src=")" + escaped(map.picture) + R"(" alt="the map )" +
         escaped(map.name) + R"("><img src=")" + escaped(map.territory) +
         R"(" alt="who reaches each square of )" + escaped(map.name) + R"( first"></div>)" +
         "<p class=\"score\">" + std::to_string(map.width) + " × " + std::to_string(map.height) +
         ", " + verdict + "</p>" + figures_table(map.measure) + "</section>\n";
}

// The bins from the lowest to the highest score seen, in at most 40 bars.
std::string histogram_svg(const ScoreHistogram& histogram) {
  const auto& counts = histogram.counts;
  const auto first = static_cast<std::size_t>(
      std::find_if(counts.begin(), counts.end(), [](std::uint64_t c) { return c > 0; }) -
      counts.begin());
  std::size_t last = counts.size();
  while (last > first && counts[last - 1] == 0)
    --last;
  const std::size_t per_bar = std::max<std::size_t>(1, (last - first + 39) / 40);
  std::vector<std::uint64_t> bars;
  for (std::size_t i = first; i < last; i += per_bar) {
    bars.push_back(
        std::accumulate(counts.begin() + static_cast<std::ptrdiff_t>(i),
                        counts.begin() + static_cast<std::ptrdiff_t>(std::min(last, i + per_bar)),
                        std::uint64_t{0}));
  }
  const std::uint64_t tallest = bars.empty() ? 1 : *std::ranges::max_element(bars);
  constexpr double kWidth = 720;
  constexpr double kHeight = 160;
  const double bar_width = bars.empty() ? 0 : kWidth / static_cast<double>(bars.size());
  std::string svg = R"(<svg class="scores" width=")" + fixed(kWidth, 0) + R"(" height=")" +
                    fixed(kHeight + 34, 0) + R"(" role="img" aria-label="scores of the )" +
                    std::to_string(histogram.total()) + R"( seeds searched">)";
  for (std::size_t i = 0; i < bars.size(); ++i) {
    const double h = kHeight * static_cast<double>(bars[i]) / static_cast<double>(tallest);
    svg += R"(<rect x=")" + fixed(static_cast<double>(i) * bar_width, 1) + R"(" y=")" +
           fixed(kHeight - h, 1) + R"(" width=")" + fixed(std::max(1.0, bar_width - 1), 1) +
           R"(" height=")" + fixed(h, 1) + R"("><title>)" + counted(bars[i], "seed") +
           "</title></rect>";
  }
  const double low = static_cast<double>(first) * ScoreHistogram::kBinWidth;
  const double high = static_cast<double>(last) * ScoreHistogram::kBinWidth;
  svg += R"(<text x="0" y=")" + fixed(kHeight + 16, 0) + R"(">score )" + fixed(low, 2) +
         R"(</text><text x=")" + fixed(kWidth, 0) + R"(" y=")" + fixed(kHeight + 16, 0) +
         R"(" text-anchor="end">)" + fixed(high, 2) + "</text>";
  return svg + "</svg>";
}

}  // namespace

std::string report_html(const std::string& heading, std::span<const ReportMap> maps,
                        const std::optional<ScoreHistogram>& histogram) {
  std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  html += "<title>" + escaped(heading) + "</title>\n" + std::string(kStyle) + "</head>\n<body>\n";
  html += "<h1>" + escaped(heading) + "</h1>\n";
  if (histogram) {
    html += "<section class=\"histogram\"><h2>How the " + counted(histogram->total(), "seed") +
            " searched score</h2>" + histogram_svg(*histogram) +
            "<p>Lower is fairer: 0 when every player starts alike.</p></section>\n";
  }
  html += "<div class=\"maps\">\n";
  for (const ReportMap& map : maps)
    html += map_card(map);
  return html + "</div>\n</body>\n</html>\n";
}

}  // namespace tarnix
