#include "tarnixmap/drawing/report_page.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <numeric>

#include "tarnixmap/drawing/histogram_svg.h"
#include "tarnixmap/drawing/render.h"
#include "tarnixmap/fairness/figure_text.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

constexpr std::string_view kStyle = R"(<style>
body { font-family: "DejaVu Sans", sans-serif; margin: 24px; color: #222; background: #fafafa; }
h1 { font-size: 22px; overflow-wrap: anywhere; }
h2 { font-size: 17px; margin: 0 0 8px; overflow-wrap: anywhere; }
.box { background: #fff; border: 1px solid #ccc; border-radius: 6px; padding: 14px;
       margin-bottom: 20px; box-sizing: border-box; }
.top { display: flex; flex-wrap: wrap; gap: 20px; align-items: flex-start; }
.top .box { flex: 1 1 340px; max-width: 800px; }
.top .box.histogram { flex: 1 1 100%; max-width: 960px; }
.legend ul { list-style: none; margin: 0 0 8px; padding: 0; display: flex; flex-wrap: wrap;
             gap: 4px 16px; font-size: 13px; }
.legend li { display: flex; align-items: center; gap: 6px; }
.swatch { display: inline-block; width: 14px; height: 14px; border: 1px solid #555; }
.legend h3 { font-size: 14px; margin: 8px 0 4px; }
svg.scores { width: 100%; height: auto; }
svg.scores rect { fill: #0072b2; }
svg.scores text { font-size: 14px; fill: #333; }
svg.scores line.axis, svg.scores line.tick { stroke: #333; stroke-width: 1; }
svg.scores line.ranked { stroke: #d55e00; stroke-width: 1.5; }
svg.scores text.rank { fill: #d55e00; font-weight: bold; }
.map { display: flex; flex-wrap: wrap; gap: 14px 20px; }
.map > h2 { flex: 1 1 100%; }
.pictures { flex: 1 1 520px; max-width: 800px; display: grid; grid-template-columns: 1fr 1fr;
            gap: 8px; }
figure.income { margin: 0; font-size: 12px; color: #555; }
svg.income { width: 100%; height: auto; }
svg.income text { font-size: 11px; fill: #333; }
svg.income line.axis { stroke: #333; stroke-width: 1; }
.pictures img { width: 100%; height: auto; image-rendering: pixelated; border: 1px solid #ddd;
                display: block; }
.about { flex: 1 1 300px; min-width: 0; font-size: 14px; }
.about p { margin: 0 0 8px; }
.command { display: flex; gap: 6px; align-items: flex-start; margin: 0 0 8px; }
.command code { flex: 1; min-width: 0; background: #f2f2f2; padding: 4px 6px; font-size: 12px;
                overflow-wrap: anywhere; }
.command button { font-size: 12px; }
.figures { overflow-x: auto; }
table { border-collapse: collapse; width: 100%; font-size: 13px; }
th, td { border: 1px solid #ddd; padding: 3px 5px; text-align: right; }
td { white-space: nowrap; }
th:first-child { text-align: left; }
tr.least-even { background: #fde9c8; }
tr.heavy th:first-child::after { content: " \25C0"; color: #b00020; }
tr.heavy td.part { font-weight: bold; color: #b00020; }
td.part, small.weight { color: #555; font-weight: normal; }
.origin dl { display: grid; grid-template-columns: max-content 1fr; gap: 2px 12px; margin: 0 0 8px;
             font-size: 13px; }
.origin dt { font-weight: bold; }
.origin dd { margin: 0; overflow-wrap: anywhere; }
td.worst { font-weight: bold; color: #b00020; }
th small { font-weight: normal; color: #666; white-space: nowrap; }
td.best { font-weight: bold; color: #006b3c; }
@media (max-width: 600px) {
  body { margin: 8px; }
  .box { padding: 8px; }
  table { font-size: 11px; }
  th, td { padding: 2px 3px; }
  /* The histogram is drawn to fit the width: its words grow as it shrinks. */
  svg.scores text { font-size: 22px; }
}
</style>
<script>
// Copies a map's command: the clipboard where the page may use it, else
// the command's text is selected for the reader to copy.
function copyCommand(button) {
  const code = button.parentElement.querySelector("code");
  const done = () => { button.textContent = "copied"; };
  if (navigator.clipboard) {
    navigator.clipboard.writeText(code.textContent).then(done, () => select(code));
  } else {
    select(code);
  }
}
function select(code) {
  const range = document.createRange();
  range.selectNodeContents(code);
  const selection = window.getSelection();
  selection.removeAllRanges();
  selection.addRange(range);
}
</script>
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

// A figure's name that a narrow table may break after its underscores.
std::string breakable(std::string_view name) {
  std::string html;
  for (const char c : name) {
    html += c;
    if (c == '_') html += "<wbr>";
  }
  return html;
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
// the table is as narrow as its players. Each figure's weight beside its
// name, and after the players its part of the score; the least even figure's row is marked,
// and so is every row whose part is a quarter of the score or more.
std::string figures_table(const MapMeasure& measure, const Weights& weights) {
  std::string html = "<table><thead><tr><th>figure</th>";
  for (std::size_t p = 0; p < measure.players.size(); ++p) {
    const HeartCentre h = measure.players[p].heart;
    html += "<th>player " + std::to_string(p + 1) + "<br><small>(" + std::to_string(h.x) + ", " +
            std::to_string(h.y) + ")</small></th>";
  }
  html += R"(<th title="its part of the score: its weight times its spread">part</th>)"
          "</tr></thead><tbody>";
  const Fairness& fairness = measure.fairness;
  for (std::size_t f = 0; f < kFigureCount; ++f) {
    const auto figure = static_cast<Figure>(f);
    const bool least = fairness.score > 0.0 && figure == fairness.least_even;
    const bool heavy = fairness.score && weighs_heavily(fairness.parts[f], *fairness.score);
    std::string classes = least ? "least-even" : "";
    if (heavy) classes += classes.empty() ? "heavy" : " heavy";
    html += std::string("<tr") + (classes.empty() ? "" : " class=\"" + classes + "\"") + "><th>" +
            breakable(kFigures[f].name) + R"( <small class="weight">× )" + weight_text(weights[f]) +
            "</small></th>";
    for (std::size_t p = 0; p < measure.players.size(); ++p)
      html += cell(measure, p, figure);
    html += R"(<td class="part">)" +
            (fairness.score ? fixed(fairness.parts[f], 2) : std::string("none")) + "</td></tr>";
  }
  return html + "</tbody></table>";
}

std::string hex_colour(Rgb c) {
  std::array<char, 8> text{};
  std::snprintf(text.data(), text.size(), "#%02x%02x%02x", c.r, c.g, c.b);
  return text.data();
}

std::string swatch(Rgb colour, std::string_view words) {
  return R"(<li><span class="swatch" style="background:)" + hex_colour(colour) + R"("></span>)" +
         std::string(words) + "</li>";
}

// A command with a button that copies it.
std::string command_box(const std::string& command) {
  return R"(<div class="command"><code>)" + escaped(command) +
         R"html(</code><button type="button" onclick="copyCommand(this)">copy</button></div>)html";
}

// How the maps were made and measured, and the command that makes the page
// again.
std::string origin_box(const PageOrigin& origin) {
  std::string html = R"(<section class="box origin"><h2>How these maps were made</h2><dl>)";
  for (const auto& [name, text] : origin.settings)
    html += "<dt>" + escaped(name) + "</dt><dd>" + escaped(text) + "</dd>";
  html += "</dl>";
  if (!origin.command.empty())
    html += "<p>The command that makes this page again:</p>" + command_box(origin.command);
  return html + "</section>\n";
}

// The markers as the pictures draw them: a ring with the number above it,
// and a diamond.
std::string marker_icons() {
  const std::string heart = hex_colour(tile_colour(tile::heart(0)));
  return R"(<li><svg width="22" height="28" viewBox="0 0 22 28"><circle cx="11" cy="17" r="8" )"
         R"(fill="none" stroke="#000" stroke-width="4"/><circle cx="11" cy="17" r="8" fill="none" )"
         R"(stroke=")" +
         heart + R"(" stroke-width="2"/><circle cx="11" cy="6" r="5.5" fill=")" + heart +
         R"(" stroke="#000"/><text x="11" y="9" font-size="8" text-anchor="middle" )"
         R"(font-weight="bold">1</text></svg>a player's heart (the ring is around its block)</li>)"
         R"(<li><svg width="22" height="22" viewBox="0 0 22 22"><path d="M11 2 L20 11 L11 20 )"
         R"(L2 11 Z" fill="none" stroke="#000" stroke-width="4"/><path d="M11 2 L20 11 L11 20 L2 )"
         R"(11 Z" fill="none" stroke="#fff" stroke-width="2"/></svg>a neutral portal</li>)";
}

// One legend for every picture on the page, with the hearts and tints of
// as many players as its maps have, and the axis where a map is symmetric.
std::string legend(std::size_t players, bool symmetric, bool raced) {
  std::string html = R"(<section class="box legend"><h2>Legend</h2><h3>Tiles</h3><ul>)";
  for (const TileCode& code : kTileCodes) {
    const int heart_of = code.code - tile::heart(0);
    if (heart_of >= 0 && heart_of < kMaxPlayers && static_cast<std::size_t>(heart_of) >= players)
      continue;
    html += swatch(tile_colour(code.code), tile_label(code.code));
  }
  html += "</ul><h3>Markers</h3><ul>" + marker_icons();
  if (symmetric) {
    html += R"(<li><svg width="22" height="22" viewBox="0 0 22 22"><path d="M11 1 V21" )"
            R"(stroke="#000" stroke-opacity="0.45" stroke-width="3"/><path d="M11 1 V21" )"
            R"(stroke="#fff" stroke-width="1.2" stroke-dasharray="6 4"/></svg>the axis of a )"
            R"(symmetric map, or a ring at the centre it turns about</li>)";
  }
  html += "</ul><h3>Territory (the second picture): reached first by</h3><ul>";
  for (std::size_t p = 0; p < players; ++p) {
    html += swatch(territory_colour(tile::kRock, static_cast<std::uint8_t>(1U << p)),
                   "player " + std::to_string(p + 1));
  }
  html += swatch(territory_colour(tile::kRock, 0), "shared, or no one") + "</ul>";
  if (raced) {
    html +=
        "<h3>Race (the third picture, where a map was raced): each player's floor at the "
        "race's end, the same tints, grey for no one's; the plot beside it is each "
        "player's gold over the race, in the colour of its heart</h3>";
  }
  return html + "</section>\n";
}

// What made the map: its values, or what its file tells of them.
std::string values_text(const ReportMap& map) {
  std::string size = std::to_string(map.width) + " × " + std::to_string(map.height) + ", " +
                     std::to_string(map.measure.players.size()) + " players";
  if (map.measure.symmetry)
    size += ", symmetric (" + std::string(symmetry_mode(*map.measure.symmetry).name) + ")";
  if (!map.params) return size + " (a map file tells no more: not its amounts, nor its seed)";
  const MapParams& p = *map.params;
  return size + ", start gold " + std::to_string(p.start_gold) + ", " + std::to_string(p.portals) +
         " portals, gold " + std::to_string(p.gold) + ", gems " + std::to_string(p.gems) +
         ", lava " + std::to_string(p.lava) + ", water " + std::to_string(p.water) +
         ", min_vosk_dist " + std::to_string(p.min_vosk_dist) + ", min_portal_dist " +
         std::to_string(p.min_portal_dist);
}

std::string picture_link(const std::string& full, const std::string& small,
                         const std::string& alt) {
  return R"(<a href=")" + escaped(full) +
         R"(" title="the full picture, with its legend"><img src=")" + escaped(small) +
         R"(" alt=")" + alt + R"("></a>)";
}

std::string hex(Rgb c) {
  std::array<char, 8> text{};
  std::snprintf(text.data(), text.size(), "#%02x%02x%02x", c.r, c.g, c.b);
  return text.data();
}

}  // namespace

std::string income_svg(const RaceCurves& race) {
  constexpr double kLeft = 40;
  constexpr double kRight = 300;
  constexpr double kTop = 10;
  constexpr double kBottom = 130;
  std::int64_t most = 1;
  for (const auto& gold : race.gold)
    most = std::max(most, gold[2]);
  // Appended piece by piece: GCC's -Wrestrict misreads a literal added to
  // a temporary string.
  std::string svg =
      R"(<svg class="income" viewBox="0 0 320 160" role="img" aria-label="each player's gold over the race">)"
      R"(<line class="axis" x1="40" y1="10" x2="40" y2="130"/><line class="axis" x1="40" y1="130" x2="300" y2="130"/>)"
      R"(<text x="34" y="16" text-anchor="end">)";
  svg += std::to_string(most);
  svg +=
      R"(</text><text x="34" y="134" text-anchor="end">0</text><text x="300" y="148" text-anchor="end">)";
  svg += std::to_string(race.time);
  svg += R"(</text><text x="170" y="148" text-anchor="middle">time</text>)";
  const std::array<double, 4> at = {0, 0.25, 0.5, 1};
  for (std::size_t p = 0; p < race.gold.size(); ++p) {
    std::string points;
    for (std::size_t i = 0; i < at.size(); ++i) {
      const double gold = i == 0 ? 0 : static_cast<double>(race.gold[p][i - 1]);
      if (i > 0) points += ' ';
      points += fixed(kLeft + at[i] * (kRight - kLeft), 1);
      points += ',';
      points += fixed(kBottom - gold / static_cast<double>(most) * (kBottom - kTop), 1);
    }
    svg += R"(<polyline fill="none" stroke-width="2.5" stroke=")" +
           hex(tile_colour(tile::heart(static_cast<int>(p)))) + R"(" points=")" + points +
           R"("><title>player )" + std::to_string(p + 1) + ": " + std::to_string(race.gold[p][0]) +
           ", " + std::to_string(race.gold[p][1]) + ", " + std::to_string(race.gold[p][2]) +
           "</title></polyline>";
  }
  return svg + "</svg>";
}

namespace {

std::string map_card(const ReportMap& map, const Weights& weights) {
  std::string title = isolated(map.name);
  if (map.seed) title += " · seed " + std::to_string(*map.seed);
  const Fairness& f = map.measure.fairness;
  std::string verdict = "fairness score <b>" + score_text(f) + "</b>";
  if (f.score && *f.score == 0) {
    verdict += ": every player starts alike";
  } else if (f.score) {
    verdict += "; least even: " + std::string(info(f.least_even).name) + ", " +
               escaped(least_even_text(map.measure.players, f));
  }
  if (f.sealed) verdict += "; sealed: " + escaped(sealed_text(map.measure.players));
  if (map.race) {
    verdict = "race fairness <b>" + fixed(map.race->fairness, 4) +
              "</b> (how unevenly its race ended); " + verdict;
  }
  std::string html =
      R"(<section class="box map"><h2>)" + isolated(map.source) + ": " + title +
      R"(</h2><div class="pictures">)" +
      picture_link(map.picture, map.thumbnail, "the map " + escaped(map.name)) +
      picture_link(map.territory, map.territory_thumbnail,
                   "who reaches each square of " + escaped(map.name) + " first") +
      (map.race ? picture_link(map.race_picture, map.race_thumbnail,
                               "each player's floor after the race on " + escaped(map.name)) +
                      R"(<figure class="income">)" + income_svg(*map.race) +
                      "<figcaption>each player's gold over the race</figcaption>"
                      "</figure>"
                : std::string()) +
      R"(</div><div class="about"><p class="score">)" + verdict + R"(</p><p class="values">)" +
      values_text(map) + "</p>";
  if (!map.command.empty()) html += command_box(map.command);
  if (!map.params_file.empty()) {
    html += R"(<p><a href=")" + escaped(map.params_file) +
            R"(" download>its values as JSON</a>, for --params</p>)";
  }
  return html + R"(<div class="figures">)" + figures_table(map.measure, weights) +
         "</div></div></section>\n";
}

}  // namespace

std::string report_html(const std::string& heading, std::span<const ReportMap> maps,
                        const std::optional<ScoreHistogram>& histogram, const PageOrigin& origin) {
  std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  html += R"(<meta name="viewport" content="width=device-width, initial-scale=1">)"
          "\n<title>" +
          escaped(heading) + "</title>\n" + std::string(kStyle) + "</head>\n<body>\n";
  html += "<h1>" + escaped(heading) + "</h1>\n<div class=\"top\">\n";
  std::size_t players = 0;
  bool symmetric = false;
  std::vector<double> ranked;
  for (const ReportMap& map : maps) {
    players = std::max(players, map.measure.players.size());
    symmetric = symmetric || map.measure.symmetry.has_value();
    if (map.measure.fairness.score) ranked.push_back(*map.measure.fairness.score);
  }
  const bool raced =
      std::ranges::any_of(maps, [](const ReportMap& m) { return m.race.has_value(); });
  html += legend(players, symmetric, raced);
  if (histogram) {
    html += R"(<section class="box histogram"><h2>The scores of )" +
            counted(histogram->total(), "seed") + "</h2>" + histogram_svg(*histogram, ranked) +
            "<p>Lower is fairer: 0 when every player starts alike. Sealed and rejected seeds "
            "have no score. The numbered lines are the maps below.</p></section>\n";
  }
  html += origin_box(origin) + "</div>\n";
  for (const ReportMap& map : maps)
    html += map_card(map, origin.weights);
  return html + "</body>\n</html>\n";
}

}  // namespace tarnix
