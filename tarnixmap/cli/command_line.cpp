#include "tarnixmap/cli/command_line.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>
#include <utility>

#include "tarnixmap/cli/help_format.h"
#include "tarnixmap/cli/suggest.h"
#include "tarnixmap/output/weights_file.h"
#include "tarnixmap/values/figure_options.h"
#include "tarnixmap/values/symmetry_options.h"

namespace tarnix {

namespace {

constexpr std::string_view kDashNameHint =
    "A NAME (or any value) that starts with \"-\" must follow \"--\", which ends the options:\n"
    "  tarnixmap generate --seed 5 --players 2 -- -dash";

}  // namespace

CommandLine::CommandLine()
    : app("tarnixmap: reproducible and batch map generation, strict map checks with fairness "
          "scores, a search for the fairest seeds, and PNG previews for tarnixrandommap maps",
          "tarnixmap") {
  app.set_version_flag("--version", "tarnixmap 1.1");
  app.require_subcommand(1, 1);
  app.formatter(std::make_shared<HelpFormatter>());  // before the commands, which copy it
  add_generate();
  add_check();
  add_race();
  add_render();
  add_search();
  add_report();
  add_merge();
  add_calibrate();
  add_serve();
}

void CommandLine::add_number(CLI::App* command, OptionRange range, const std::string& type,
                             const std::string& help, std::function<void(std::int64_t)> store) {
  NumberOption& option = numbers_.emplace_back(NumberOption{command, range, "", std::move(store)});
  command->add_option(std::string(range.option), option.text, help)->type_name(type);
}

void CommandLine::use_wave(WaveKernel wave) {
  for (FigureTexts& texts : figure_texts_)
    texts.measure->wave = wave;
}

CommandLine::FigureTexts& CommandLine::add_costs(CLI::App* command, MeasureOptions& measure,
                                                 const std::string& group) {
  FigureTexts& texts =
      figure_texts_.emplace_back(FigureTexts{command, &measure, {}, {}, {}, nullptr});
  command
      ->add_option("--cost", texts.costs,
                   "the dig time of a tile code, as CODE=N (1 to 1000) or CODE=wall; again for "
                   "another code")
      ->type_name("CODE=N")
      ->group(group)
      ->expected(1)  // one CODE=N each time: the words after it are the command's own
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  return texts;
}

void CommandLine::add_measure(CLI::App* command, MeasureOptions& measure,
                              std::string* weights_file) {
  const std::string group = "Measuring (the fairness score)";
  add_number(command, {"--radius", 0, kMaxRadius}, "R",
             "count gold_near, gems_near and hazards_near within R tiles of each heart "
             "(default " +
                 std::to_string(kDefaultRadius) + ")",
             [&measure](std::int64_t v) { measure.radius = static_cast<std::int32_t>(v); });
  add_number(command, {"--reach", 0, kMaxReach}, "T",
             "count gold_within a dig time of T from each heart (default " +
                 std::to_string(kDefaultReach) + ", 15 squares of rock)",
             [&measure](std::int64_t v) { measure.reach = v; });
  FigureTexts& texts = add_costs(command, measure, group);
  texts.input = weights_file;
  command
      ->add_option("--weight", texts.weights,
                   "the weight of a figure in the score, as NAME=W (0 to 100); again for another")
      ->type_name("NAME=W")
      ->group(group)
      ->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  command
      ->add_option("--weights", texts.weights_file,
                   "every figure's weight from FILE, as calibrate writes it; a --weight given "
                   "too changes its figure's")
      ->type_name("FILE")
      ->group(group);
  names_files(command, {"--weights"});
  for (const char* name : {"--radius", "--reach"})
    command->get_option(name)->group(group);
}

void CommandLine::add_generate() {
  generate = app.add_subcommand(
      "generate",
      "Write a map exactly as tarnixrandommap does when the clock reads the seed, and print the "
      "seed used");
  GenerateRequest& r = generate_request;
  add_number(generate, {"--seed", 0, kLastSeed}, "N",
             "seed, 0 to 4294967295 (default: the clock's second)",
             [&r](std::int64_t v) { r.seed = static_cast<std::uint32_t>(v); });
  add_number(generate, {"--count", 1, kLastSeed + 1}, "K",
             "write K maps, NAME_1.map to NAME_K.map, from the seeds N, N+1, ...",
             [&r](std::int64_t v) { r.count = static_cast<std::int64_t>(v); });
  generate->add_flag("--preview", r.preview, "also draw each map as NAME.png");
  generate
      ->add_option("--symmetry", generate_symmetry_,
                   "a symmetric map, made on one part and copied: " + symmetry_modes_text() +
                       "; not a map tarnixrandommap makes")
      ->type_name("MODE");
  generate_values_.add_to(generate);
  names_files(generate, {"--params"});
  generate->footer(std::string(kDashNameHint));
}

void CommandLine::add_check() {
  check = app.add_subcommand(
      "check",
      "Check map files strictly, report each problem with its line, and summarise sound maps "
      "with their fairness score");
  CheckRequest& r = check_request;
  check->add_option("FILE", r.paths, "map files")->required();
  add_measure(check, r.measure);
  check->add_flag("--json", r.json, "one JSON object per file instead of text");
  names_files(check, {"FILE"});
  check->footer(score_help());
}

void CommandLine::add_race_options(CLI::App* command, RaceOptions& race, bool* given,
                                   const std::string& group) {
  const auto store = [&race, given](std::int32_t RaceOptions::*field) {
    return [&race, given, field](std::int64_t v) {
      race.*field = static_cast<std::int32_t>(v);
      if (given != nullptr) *given = true;
    };
  };
  add_number(command, {"--diggers", 1, kMaxDiggers}, "K",
             "diggers a player, all at its heart at time 0 (default " +
                 std::to_string(RaceOptions().diggers) + ")",
             store(&RaceOptions::diggers));
  add_number(command, {"--time", 1, kMaxRaceTime}, "T",
             "race until time T, in dig time (default " + std::to_string(RaceOptions().time) + ")",
             store(&RaceOptions::time));
  add_number(command, {"--gem-period", 1, kMaxRacePeriod}, "G",
             "a digger beside a gem mines a unit of gold every G (default " +
                 std::to_string(RaceOptions().gem_period) + ")",
             store(&RaceOptions::gem_period));
  add_number(command, {"--portal-period", 1, kMaxRacePeriod}, "P",
             "a claimed portal pays its owner a unit of gold every P (default " +
                 std::to_string(RaceOptions().portal_period) + ")",
             store(&RaceOptions::portal_period));
  for (const char* name : {"--diggers", "--time", "--gem-period", "--portal-period"})
    command->get_option(name)->group(group);
}

void CommandLine::add_calibrate() {
  calibrate = app.add_subcommand(
      "calibrate",
      "Race the map of every seed of a range, fit the score's weights so that the score orders "
      "the maps as their races do, and write them as a file for --weights");
  CalibrateRequest& r = calibrate_request;
  add_number(calibrate, {"--from", 0, kLastSeed}, "N", "the first seed",
             [&r](std::int64_t v) { r.from = static_cast<std::uint32_t>(v); });
  add_number(calibrate, {"--seeds", 1, 1000000}, "K", "how many seeds (20 or more maps are needed)",
             [&r](std::int64_t v) { r.seeds = static_cast<std::uint64_t>(v); });
  for (const char* name : {"--from", "--seeds"})
    calibrate->get_option(name)->required();
  calibrate->add_option("-o,--output", r.output, "the file the fitted weights are written to")
      ->type_name("FILE")
      ->required();
  add_measure(calibrate, r.measure, &r.weights_file);
  add_race_options(calibrate, r.race, nullptr, "The race");
  add_number(calibrate, {"--threads", 1, 256}, "J", "workers (default: the machine's cores)",
             [&r](std::int64_t v) { r.threads = static_cast<unsigned>(v); });
  calibrate_values_.add_to(calibrate);
  names_files(calibrate, {"--params", "--output"});
}

void CommandLine::add_race() {
  race = app.add_subcommand("race",
                            "Play the opening of a game on each map file: every player's diggers "
                            "race for gold, gems, portals and ground; print what each had");
  RaceRequest& r = race_request;
  race->add_option("FILE", r.paths, "map files")->required();
  const std::string group = "The race";
  add_race_options(race, r.race, nullptr, group);
  (void)add_costs(race, r.measure, group);
  race->add_flag("--json", r.json, "one JSON object per file instead of text");
  names_files(race, {"FILE"});
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
  render->add_flag("!--no-legend", r.legend,
                   "no title line or legend: the map alone, with its markers, at its own size");
  render->add_flag("!--no-markers", r.markers,
                   "no markers on the hearts and portals (with --no-legend: the bare tiles)");
  render->add_flag("--territory", r.territory,
                   "tint each square by the player who reaches it first (grey: shared, or no "
                   "one)");
  render->add_flag("--race", r.race,
                   "race the map (see race) and tint each player's floor at its end, with each "
                   "player's gold over the race plotted beside the map");
  add_race_options(render, r.race_options, nullptr, "The race of --race");
  add_measure(render, r.measure, &r.weights_file);
  names_files(render, {"FILE", "--output"});
  render->footer(score_help());
  add_number(render, {"--scale", 1, 2147483647}, "S",
             "pixels per tile (default: about 1024 pixels on the longer side)",
             [&r](std::int64_t v) { r.scale = static_cast<std::int32_t>(v); });
}

void CommandLine::add_report() {
  report = app.add_subcommand(
      "report", "Write a page that shows map files side by side with their pictures and figures");
  ReportRequest& r = report_request;
  report->add_option("FILE", r.paths, "map files")->required();
  report->add_option("-o,--output", r.output, "the directory for index.html and the pictures")
      ->required()
      ->type_name("DIR");
  report->add_flag("--keep-order", r.keep_order,
                   "show the maps in the order given (default: the fairest first, sealed maps "
                   "last)");
  add_measure(report, r.measure, &r.weights_file);
  names_files(report, {"FILE", "--output"});
  report->footer(score_help());
}

void CommandLine::add_serve() {
  serve = app.add_subcommand(
      "serve",
      "Serve the designer's page on this machine: change the values and see the map, its "
      "territory and figures at once, step through seeds, search, compare and download");
  ServeRequest& r = serve_request;
  add_number(serve, {"--port", 0, 65535}, "N",
             "the port to listen on (default " + std::to_string(kDefaultServePort) +
                 "; 0 takes any free port)",
             [&r](std::int64_t v) { r.port = static_cast<int>(v); });
  serve
      ->add_option("--host", r.host,
                   "the address to listen on (default 127.0.0.1, this machine alone; any other "
                   "is warned of)")
      ->type_name("ADDR");
  serve->add_flag("--open", r.open, "open the page in the desktop's browser");
}

void CommandLine::add_merge() {
  merge = app.add_subcommand(
      "merge",
      "Merge the JSON outputs of searches of parts of a range into the ranking, counts and "
      "histogram one search of the whole would give");
  MergeRequest& r = merge_request;
  merge->add_option("FILE", r.paths, "outputs of search --json; - for standard input")->required();
  add_number(merge, {"--top", 1, 100000}, "T",
             "rows of the ranking (default: the smallest --top of the searches; at most that)",
             [&r](std::int64_t v) { r.top = static_cast<std::size_t>(v); });
  merge->add_flag("--json", r.json, "JSON lines, as search --json prints them");
  merge
      ->add_option("--report", r.report,
                   "also write DIR/index.html, a page of the best maps and, where the searches "
                   "counted every score (search --histogram), the merged histogram")
      ->type_name("DIR");
  merge->add_flag("--partial", r.partial,
                  "also merge searches stopped before the end of their range (Ctrl-C)");
  names_files(merge, {"FILE", "--report"});
}

void CommandLine::add_search() {
  search = app.add_subcommand(
      "search",
      "Make the map of every seed in a range in memory, rank the seeds by fairness, and write "
      "the fairest map");
  SearchRequest& r = search_request;
  add_number(search, {"--from", 0, kLastSeed}, "N", "the first seed (default: the clock's second)",
             [&r](std::int64_t v) { r.from = static_cast<std::uint32_t>(v); });
  add_number(search, {"--seeds", 1, kLastSeed + 1}, "K", "how many seeds (default 100000)",
             [&r](std::int64_t v) { r.seeds = static_cast<std::uint64_t>(v); });
  add_number(search, {"--top", 1, 100000}, "T", "rows of the ranking (default 10)",
             [&r](std::int64_t v) { r.top = static_cast<std::size_t>(v); });
  add_number(search, {"--keep", 1, 1000}, "K",
             "write the best K maps as NAME_rankR_seedS.map (default: the best as NAME.map)",
             [&r](std::int64_t v) { r.keep = static_cast<std::size_t>(v); });
  search->add_flag("--no-write", r.no_write, "write no map");
  search->add_flag("--preview", r.preview, "also draw each map written as NAME.png");
  add_measure(search, r.measure, &r.weights_file);
  add_number(search, {"--min-border-gap", 0, 1000000}, "N",
             "never rank a seed where a heart has fewer than N rock squares between its block "
             "and the frame (its border_gap)",
             [&r](std::int64_t v) { r.min_border_gap = static_cast<std::int32_t>(v); });
  search
      ->add_option("--max-spread", search_caps_,
                   "never rank a seed where this figure's spread is above X (0 to 1), however "
                   "even the rest; such seeds count as rejected; again for another figure")
      ->type_name("FIGURE=X")
      ->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  add_number(search, {"--threads", 1, 256}, "J",
             "workers, each with a map of its own in memory (default: the machine's cores, "
             "fewer where their maps would not fit in the memory available)",
             [&r](std::int64_t v) { r.threads = static_cast<unsigned>(v); });
  search
      ->add_option(
          "--symmetry", search_symmetry_,
          "search symmetric maps, as generate --symmetry makes them: " + symmetry_modes_text())
      ->type_name("MODE");
  search
      ->add_option("--prefer", search_prefer_,
                   "with --symmetry, rank the maps (all of score 0) by this figure, the "
                   "players' good fortune first: more of it, or less of a time or distance "
                   "(default gold_within: rich starts)")
      ->type_name("FIGURE");
  add_number(search, {"--race-top", 1, 100000}, "K",
             "race the maps of the best K seeds (see race) and rank those by race fairness, "
             "the score breaking ties",
             [&r](std::int64_t v) { r.race_top = static_cast<std::size_t>(v); });
  add_race_options(search, r.race, &r.race_given, "The race of --race-top");
  search->add_flag("--json", r.json, "JSON lines instead of the table");
  search
      ->add_option("--report", r.report,
                   "also write DIR/index.html, a page of the best maps with their pictures and "
                   "a histogram of every seed's score (every map is then finished: slower)")
      ->type_name("DIR");
  search->add_flag("--histogram", r.histogram,
                   "count every seed's score, for the JSON summary (and a merged page); every "
                   "map is then measured in full: slower");
  search->add_flag("--quiet", quiet, "no progress line on a terminal");
  search_values_.add_to(search);
  names_files(search, {"--params", "--report"});
  search->footer(score_help() + "\n" + std::string(kDashNameHint));
}

void CommandLine::names_files(CLI::App* command, std::initializer_list<const char*> options) {
  for (const char* option : options)
    file_names_.emplace_back(command, option);
}

bool CommandLine::read_names(Console& err) const {
  for (const auto& [command, name] : file_names_) {
    if (!*command) continue;
    const CLI::Option* option = command->get_option(name);
    for (const std::string& word : option->results()) {
      if (!word.empty()) continue;
      const std::string shown = name.starts_with("-") ? "--" + option->get_lnames().front() : name;
      err.line("tarnixmap " + command->get_name() + ": " + shown + " is empty; it must name " +
               (option->get_type_name() == "DIR" ? "a directory" : "a file"));
      return false;
    }
  }
  return true;
}

bool CommandLine::read_weights(FileSystem& files, Console& err) {
  for (FigureTexts& texts : figure_texts_) {
    if (!*texts.command || texts.weights_file.empty()) continue;
    if (texts.input != nullptr) *texts.input = texts.weights_file;
    std::string problem;
    // The file's weights first; then each --weight given changes its own.
    if (!read_weights_file(texts.weights_file, files, &texts.measure->weights, &problem) ||
        !apply_figure_options({}, texts.weights, *texts.measure, &problem)) {
      err.line("tarnixmap " + texts.command->get_name() + ": " + problem);
      return false;
    }
  }
  return true;
}

bool CommandLine::read_numbers(Console& err) {
  if (!read_names(err)) return false;
  for (FigureTexts& texts : figure_texts_) {
    if (!*texts.command) continue;
    std::string problem;
    if (!apply_figure_options(texts.costs, texts.weights, *texts.measure, &problem)) {
      err.line("tarnixmap " + texts.command->get_name() + ": " + problem);
      return false;
    }
  }
  const auto take = [&err](const MapValues& from, auto& request) {
    GivenValues given;
    if (!from.fill(given, err)) return false;
    request.values = given.values;
    request.given = given.given;
    request.params_file = given.params_file;
    return true;
  };
  if (*generate && !take(generate_values_, generate_request)) return false;
  if (*search && !take(search_values_, search_request)) return false;
  if (*calibrate && !take(calibrate_values_, calibrate_request)) return false;
  if (std::string problem; *search && !apply_caps(search_caps_, search_request.caps, &problem)) {
    err.line("tarnixmap search: " + problem);
    return false;
  }
  if (!read_symmetric(err)) return false;
  for (NumberOption& option : numbers_) {
    if (option.command->count(std::string(option.range.option)) == 0) continue;
    const std::optional<std::int64_t> value = parse_option_value(option.text, option.range);
    if (!value) {
      err.line("tarnixmap " + option.command->get_name() + ": " +
               option_value_problem(option.text, option.range));
      return false;
    }
    option.store(*value);
  }
  return true;
}

bool CommandLine::read_symmetric(Console& err) {
  std::string problem;
  const auto symmetry = [&](CLI::App* command, const std::string& text, auto& request) {
    request.symmetry_given = command->count("--symmetry") > 0;
    if (!request.symmetry_given || read_symmetry(text, &request.symmetry, &problem)) return true;
    err.line("tarnixmap " + command->get_name() + ": " + problem);
    return false;
  };
  if (*generate && !symmetry(generate, generate_symmetry_, generate_request)) return false;
  if (!*search) return true;
  if (!symmetry(search, search_symmetry_, search_request)) return false;
  if (search->count("--prefer") == 0) return true;
  Figure figure{};
  if (!read_prefer(search_prefer_, &figure, &problem)) {
    err.line("tarnixmap search: " + problem);
    return false;
  }
  search_request.prefer = figure;
  return true;
}

namespace {

// Every name an option of `command` answers to: "--seed", "-o", ...
std::vector<std::string> option_names(const CLI::App* command) {
  std::vector<std::string> names = {"--help", "-h"};
  for (const CLI::Option* option : command->get_options()) {
    for (const std::string& name : option->get_lnames())
      names.push_back("--" + name);
    for (const std::string& name : option->get_snames())
      names.push_back("-" + name);
  }
  return names;
}

std::string did_you_mean(std::string_view word, const std::vector<std::string>& candidates) {
  const std::optional<std::string> guess = nearest(word, candidates);
  return guess ? "; did you mean \"" + *guess + "\"?" : "";
}

bool is_negative_number(std::string_view word) {
  return word.size() >= 2 && word[0] == '-' && word[1] >= '0' && word[1] <= '9';
}

// The name of the option a word gives: "--seed" of "--seed=5", "-o" of
// "-oout.png" (a short option's value may follow it at once).
std::string option_name(std::string_view word) {
  if (word.starts_with("--")) return std::string(word.substr(0, word.find('=')));
  return std::string(word.substr(0, 2));
}

// Options of one command that users reach for under the name another
// command gives them: the nearest spelling would mislead ("--seed" is
// nearest "--seeds", a count, where the first seed is meant).
std::string meant_instead(std::string_view command, std::string_view option) {
  struct Meant {
    std::string_view command;
    std::string_view option;
    std::string_view meant;
  };
  constexpr std::array<Meant, 3> kMeant = {{
      {"search", "--seed", "; did you mean \"--from\", the first seed? (--seeds is how many)"},
      {"generate", "--from", "; did you mean \"--seed\"?"},
      {"generate", "--seeds", "; did you mean \"--count\", how many maps?"},
  }};
  for (const Meant& m : kMeant) {
    if (m.command == command && m.option == option) return std::string(m.meant);
  }
  return {};
}

// The first word after a command that would be taken for an option it does
// not have, or an empty string.
std::string unknown_option(const CLI::App* command, std::span<const std::string> words,
                           std::size_t first) {
  const std::vector<std::string> names = option_names(command);
  for (std::size_t i = first; i < words.size(); ++i) {
    const std::string_view word = words[i];
    if (word == "--") break;
    if (word.size() < 2 || word[0] != '-' || is_negative_number(word)) continue;
    const std::string name = option_name(word);
    if (std::ranges::find(names, name) == names.end()) {
      const bool long_option = word.starts_with("--");
      const std::string shown = long_option ? name : std::string(word);
      const std::string meant = meant_instead(command->get_name(), shown);
      std::string message = "tarnixmap " + command->get_name() + ": unknown option " +
                            quoted_word(shown) +
                            (meant.empty() ? did_you_mean(shown, names) : meant);
      // "-dash" is more likely a name than a mistyped option; "--dash" is
      // not.
      const bool takes_names = command->get_name() == "generate" ||
                               command->get_name() == "search" ||
                               command->get_name() == "calibrate";
      if (takes_names && !long_option) message += "\n" + std::string(kDashNameHint);
      return message + "\n";
    }
    const CLI::Option* option = command->get_option_no_throw(name);
    const bool takes_value = option != nullptr && option->get_expected_max() > 0;
    if (takes_value && name.size() == word.size()) ++i;  // its value is the next word
  }
  return {};
}

}  // namespace

const CLI::App* CommandLine::command_named(std::string_view name) const {
  for (const CLI::App* command : app.get_subcommands({})) {
    if (command->get_name() == name) return command;
  }
  return nullptr;
}

std::vector<std::string> CommandLine::words(int argc, char** argv) const {
  std::vector<std::string> words(argv + std::min(argc, 1), argv + argc);
  const CLI::App* command = words.empty() ? nullptr : command_named(words[0]);
  if (command == nullptr) return words;
  for (std::size_t i = 1; i < words.size() && words[i] != "--"; ++i) {
    const std::string& word = words[i];
    const CLI::Option* long_option =
        word.size() > 3 && word.starts_with("--") && word.find('=') == word.size() - 1
            ? command->get_option_no_throw(word.substr(0, word.size() - 1))
            : nullptr;
    if (long_option != nullptr && long_option->get_expected_max() > 0) {
      // "--report=" gives an empty value; the parser would take the next
      // word for it instead ("--report= --no-write" would name a directory
      // "--no-write").
      words[i].pop_back();
      words.insert(words.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::string());
      ++i;
      continue;
    }
    if (word.size() < 3 || word[0] != '-' || word[1] == '-' || word[2] != '=') continue;
    const CLI::Option* option = command->get_option_no_throw(word.substr(0, 2));
    if (option == nullptr || option->get_expected_max() == 0) continue;
    // "-o=x.png" names x.png, as "--output=x.png" does; the parser would
    // keep the "=".
    std::string value = word.substr(3);
    words[i].resize(2);
    words.insert(words.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::move(value));
    ++i;
  }
  return words;
}

std::string CommandLine::unknown_word(std::span<const std::string> words) const {
  if (words.empty()) return {};
  const std::string_view word = words[0];
  if (word.starts_with('-')) {
    const std::vector<std::string> names = {"--help", "-h", "--version"};
    if (std::ranges::find(names, option_name(word)) != names.end()) return {};
    return "tarnixmap: unknown option " + quoted_word(word) + did_you_mean(word, names) +
           "\nA command comes first; tarnixmap --help lists them.\n";
  }
  if (const CLI::App* command = command_named(word)) return unknown_option(command, words, 1);
  std::vector<std::string> commands;
  for (const CLI::App* command : app.get_subcommands({}))
    commands.push_back(command->get_name());
  std::string list;
  for (const std::string& c : commands)
    list += (list.empty() ? "" : ", ") + c;
  return "tarnixmap: unknown command " + quoted_word(word) + did_you_mean(word, commands) +
         "\nThe commands are " + list + "; tarnixmap --help tells more.\n";
}

std::string CommandLine::usage_error(std::span<const std::string> words,
                                     const CLI::ParseError& error) const {
  const CLI::App* command = words.empty() ? nullptr : command_named(words[0]);
  const std::string who = command == nullptr ? "tarnixmap" : "tarnixmap " + command->get_name();
  std::string what = error.what();
  // The parser's own wording, in the words of the rest of the program.
  const std::size_t colon = what.find(": ");
  const std::string subject = colon == std::string::npos ? "" : what.substr(0, colon);
  const std::string rest = colon == std::string::npos ? what : what.substr(colon + 2);
  if (rest.starts_with("At Most 1 required but received ")) {
    what = subject + " is given " + rest.substr(32) + " times; give it once";
  } else if (rest.ends_with(" missing") && rest.find(" required ") != std::string::npos) {
    what = subject + " needs a value";
  } else if (command != nullptr && what.starts_with("--") && what.ends_with(" is required")) {
    // An option that must be given says what it is for.
    const std::string name = what.substr(0, what.find(' '));
    if (const CLI::Option* option = command->get_option_no_throw(name)) {
      what = name + " " + option->get_type_name() + " is required: " + option->get_description();
    }
  } else if (what == "A subcommand is required") {
    what = "a command is required: generate, check, race, render, search, report, merge, calibrate";
  }
  return who + ": " + what + "\n'" + who + " --help' tells more.\n";
}

}  // namespace tarnix
