#include "tarnixmap/command_line.h"

#include <array>
#include <cstdio>
#include <string_view>
#include <utility>

namespace tarnix {

namespace {

constexpr std::array<std::pair<const char*, const char*>, kArgumentCount> kValues = {{
    {"NAME", "map name; the file is NAME.map (1 to 95 bytes, no /, \\ or control characters)"},
    {"WIDTH", "map width in squares, at least 7"},
    {"HEIGHT", "map height in squares, at least 7"},
    {"PLAYERS", "number of players, 2 to 4"},
    {"START_GOLD", "starting gold of every player"},
    {"PORTALS", "number of 3 x 3 neutral portals, 0 or more"},
    {"GOLD", "number of gold squares, 0 or more"},
    {"GEMS", "number of gem squares, 0 or more"},
    {"LAVA", "number of lava squares, 0 or more"},
    {"WATER", "number of water squares, 0 or more"},
    {"MIN_VOSK_DIST", "minimum distance between hearts (5 is added), -46345 to 46335"},
    {"MIN_PORTAL_DIST", "minimum distance of portals from hearts (4 is added)"},
}};

constexpr std::uint64_t kLastSeed = 4294967295;

constexpr std::string_view kDashNameHint =
    "A NAME (or any value) that starts with \"-\" must follow \"--\", which ends the options:\n"
    "  tarnixmap generate --seed 5 -- -dash 64 64 4 500 5 300 40 200 200 20 10";

// How the score is made, with its weights, for --help.
std::string score_help() {
  std::string text =
      "The fairness score: for each figure, its spread is (largest - smallest) / largest over "
      "the players (0 when all are equal); the score adds the spreads times their weights:";
  for (const FigureInfo& figure : kFigures) {
    std::array<char, 64> part{};
    std::snprintf(part.data(), part.size(), " %s %g,", std::string(figure.name).c_str(),
                  figure.weight);
    text += part.data();
  }
  text.back() = '.';
  return text + " 0 is a perfectly even map.\n" + std::string(kDashNameHint);
}

void add_twelve_values(CLI::App* command, std::array<std::string, kArgumentCount>& values) {
  for (std::size_t i = 0; i < kValues.size(); ++i)
    command->add_option(kValues[i].first, values[i], kValues[i].second)->required();
  command->positionals_at_end();  // negative spacings are values, not options
}

// A word the parser would have taken for an unknown option: a map name or
// value that starts with "-" and is not a number.
bool dash_word(const CLI::App* command, std::string_view word) {
  if (word.size() < 2 || word.front() != '-' || word == "--") return false;
  if (word[1] >= '0' && word[1] <= '9') return false;  // a negative number
  const std::string name(word.substr(0, word.find('=')));
  return command->get_option_no_throw(name) == nullptr && name != "-h" && name != "--help";
}

}  // namespace

CommandLine::CommandLine()
    : app("tarnixmap: reproducible and batch map generation, strict map checks with fairness "
          "scores, a search for the fairest seeds, and PNG previews for tarnixrandommap maps",
          "tarnixmap") {
  app.set_version_flag("--version", "tarnixmap 1.1");
  app.require_subcommand(1, 1);
  add_generate();
  add_check();
  add_render();
  add_search();
  add_report();
}

void CommandLine::add_number(CLI::App* command, OptionRange range, const std::string& type,
                             const std::string& help, std::function<void(std::uint64_t)> store) {
  NumberOption& option = numbers_.emplace_back(NumberOption{command, range, "", std::move(store)});
  command->add_option(std::string(range.option), option.text, help)->type_name(type);
}

void CommandLine::add_generate() {
  generate = app.add_subcommand(
      "generate",
      "Write a map exactly as tarnixrandommap does when the clock reads the seed, and print the "
      "seed used");
  GenerateRequest& r = generate_request;
  add_number(generate, {"--seed", 0, kLastSeed}, "N",
             "seed, 0 to 4294967295 (default: the clock's second)",
             [&r](std::uint64_t v) { r.seed = static_cast<std::uint32_t>(v); });
  add_number(generate, {"--count", 1, kLastSeed + 1}, "K",
             "write K maps, NAME_1.map to NAME_K.map, from the seeds N, N+1, ...",
             [&r](std::uint64_t v) { r.count = static_cast<std::int64_t>(v); });
  generate->add_flag("--preview", r.preview, "also draw each map as NAME.png");
  add_twelve_values(generate, r.values);
  generate->footer(std::string(kDashNameHint));
}

void CommandLine::add_check() {
  check = app.add_subcommand(
      "check",
      "Check map files strictly, report each problem with its line, and summarise sound maps "
      "with their fairness score");
  CheckRequest& r = check_request;
  check->add_option("FILE", r.paths, "map files")->required();
  add_number(check, {"--radius", 0, kMaxRadius}, "R",
             "count gold, gems and hazards within R tiles of each heart (default 15)",
             [&r](std::uint64_t v) { r.radius = static_cast<std::int32_t>(v); });
  check->add_flag("--json", r.json, "one JSON object per file instead of text");
}

void CommandLine::add_render() {
  render = app.add_subcommand(
      "render",
      "Draw map files as PNG pictures, each with a title, a legend and markers on the hearts "
      "and portals");
  RenderRequest& r = render_request;
  render->add_option("FILE", r.inputs, "map files; each picture goes beside its map")->required();
  render->add_option("-o,--output", r.output,
                     "the picture of a single map file, - for standard output (default: FILE "
                     "with .png)");
  render->add_flag("!--no-legend", r.legend, "the bare map: no title, legend or markers");
  add_number(render, {"--scale", 1, 2147483647}, "S",
             "pixels per tile (default: about 1024 pixels on the longer side)",
             [&r](std::uint64_t v) { r.scale = static_cast<std::int32_t>(v); });
}

void CommandLine::add_report() {
  report = app.add_subcommand(
      "report", "Write a page that shows map files side by side with their pictures and figures");
  ReportRequest& r = report_request;
  report->add_option("FILE", r.paths, "map files")->required();
  report->add_option("-o,--output", r.output, "the directory for index.html and the pictures")
      ->required()
      ->type_name("DIR");
  add_number(report, {"--radius", 0, kMaxRadius}, "R",
             "count gold, gems and hazards within R tiles of each heart (default 15)",
             [&r](std::uint64_t v) { r.radius = static_cast<std::int32_t>(v); });
}

void CommandLine::add_search() {
  search = app.add_subcommand(
      "search",
      "Make the map of every seed in a range in memory, rank the seeds by fairness, and write "
      "the fairest map");
  SearchRequest& r = search_request;
  add_number(search, {"--from", 0, kLastSeed}, "N", "the first seed (default: the clock's second)",
             [&r](std::uint64_t v) { r.from = static_cast<std::uint32_t>(v); });
  add_number(search, {"--seeds", 1, kLastSeed + 1}, "K", "how many seeds (default 100000)",
             [&r](std::uint64_t v) { r.seeds = v; });
  add_number(search, {"--top", 1, 100000}, "T", "rows of the ranking (default 10)",
             [&r](std::uint64_t v) { r.top = v; });
  add_number(search, {"--keep", 1, 1000}, "K",
             "write the best K maps as NAME_rankR_seedS.map (default: the best as NAME.map)",
             [&r](std::uint64_t v) { r.keep = v; });
  search->add_flag("--no-write", r.no_write, "write no map");
  search->add_flag("--preview", r.preview, "also draw each map written as NAME.png");
  add_number(search, {"--radius", 0, kMaxRadius}, "R",
             "count gold, gems and hazards within R tiles of each heart (default 15)",
             [&r](std::uint64_t v) { r.radius = static_cast<std::int32_t>(v); });
  add_number(search, {"--threads", 1, 256}, "J", "workers (default: the machine's cores)",
             [&r](std::uint64_t v) { r.threads = static_cast<unsigned>(v); });
  search->add_flag("--json", r.json, "JSON lines instead of the table");
  search
      ->add_option("--report", r.report,
                   "also write DIR/index.html, a page of the best maps with their pictures and "
                   "a histogram of every seed's score (every map is then finished: slower)")
      ->type_name("DIR");
  search->add_flag("--quiet", quiet, "no progress line on a terminal");
  add_twelve_values(search, r.values);
  search->footer(score_help());
}

bool CommandLine::read_numbers(Console& err) {
  for (NumberOption& option : numbers_) {
    if (option.command->count(std::string(option.range.option)) == 0) continue;
    const std::optional<std::uint64_t> value = parse_option_value(option.text, option.range);
    if (!value) {
      err.line("tarnixmap " + option.command->get_name() + ": " +
               option_value_problem(option.text, option.range));
      return false;
    }
    option.store(*value);
  }
  return true;
}

std::string CommandLine::dash_hint(int argc, char** argv) const {
  for (const CLI::App* command : {generate, search}) {
    if (!command->parsed()) continue;
    for (int i = 1; i < argc && std::string_view(argv[i]) != "--"; ++i) {
      if (dash_word(command, argv[i])) {
        return "\"" + std::string(argv[i]) + "\" was taken for an option. " +
               std::string(kDashNameHint) + "\n";
      }
    }
  }
  return {};
}

}  // namespace tarnix
