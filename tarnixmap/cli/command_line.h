#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <list>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "tarnixmap/commands/commands.h"
#include "tarnixmap/values/map_values.h"
#include "tarnixmap/values/option_value.h"

namespace tarnix {

// An option whose value is a whole number: taken as text by the parser
// and read strictly afterwards, so that every option reads decimal digits
// the same way and says so when it cannot.
struct NumberOption {
  CLI::App* command;
  OptionRange range;
  std::string text;
  std::function<void(std::int64_t)> store;
};

// Every command's request and the parser that fills them.
struct CommandLine {
  CommandLine();
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  // Fills the requests' numbers and map values from the options given.
  // False after a usage error, reported on `err`.
  [[nodiscard]] bool read_numbers(Console& err);
  // After read_numbers: each --weights file's weights, with every --weight
  // given changing its own figure's. False after a usage error on `err`.
  [[nodiscard]] bool read_weights(FileSystem& files, Console& err);

  // Which code every command runs the wave of all players with.
  void use_wave(WaveKernel wave);

  // The words after the program's name as the parser is to read them: a
  // short option's value given with "=" ("-o=x.png") is split off, as a
  // long option's is ("--output=x.png"), and so is an empty one
  // ("--report=").
  [[nodiscard]] std::vector<std::string> words(int argc, char** argv) const;

  // What the parser would report badly, checked before it runs: an
  // unknown command or option, with the one most likely meant. Empty when
  // every command and option is known.
  [[nodiscard]] std::string unknown_word(std::span<const std::string> words) const;

  // The parser's report of a usage error, worded as the program's own, with
  // its "tarnixmap COMMAND: " in front.
  [[nodiscard]] std::string usage_error(std::span<const std::string> words,
                                        const CLI::ParseError& error) const;

  CLI::App app;
  CLI::App* generate = nullptr;
  CLI::App* check = nullptr;
  CLI::App* race = nullptr;
  CLI::App* render = nullptr;
  CLI::App* search = nullptr;
  CLI::App* calibrate = nullptr;
  CLI::App* report = nullptr;
  CLI::App* merge = nullptr;
  CLI::App* serve = nullptr;
  GenerateRequest generate_request;
  CheckRequest check_request;
  RaceRequest race_request;
  RenderRequest render_request;
  SearchRequest search_request;
  CalibrateRequest calibrate_request;
  ReportRequest report_request;
  MergeRequest merge_request;
  ServeRequest serve_request;
  bool quiet = false;  // search: no progress line

 private:
  [[nodiscard]] const CLI::App* command_named(std::string_view name) const;
  void add_number(CLI::App* command, OptionRange range, const std::string& type,
                  const std::string& help, std::function<void(std::int64_t)> store);
  // --radius, --reach, --cost and --weight, into `measure`.
  // `weights_file` (when not null) is told the --weights file's name.
  void add_measure(CLI::App* command, MeasureOptions& measure, std::string* weights_file = nullptr);
  struct FigureTexts;
  // --cost alone, into `measure`, in the help's `group`.
  FigureTexts& add_costs(CLI::App* command, MeasureOptions& measure, const std::string& group);
  // --diggers, --time, --gem-period and --portal-period, into `race`;
  // `given` (when not null) set once any of them is.
  void add_race_options(CLI::App* command, RaceOptions& race, bool* given,
                        const std::string& group);
  void add_generate();
  void add_check();
  void add_race();
  void add_render();
  void add_search();
  void add_calibrate();
  void add_report();
  void add_merge();
  void add_serve();
  // --symmetry and --prefer. False after a usage error, reported on `err`.
  [[nodiscard]] bool read_symmetric(Console& err);

  std::string generate_symmetry_;  // --symmetry, read with the numbers
  std::string search_symmetry_;
  std::string search_prefer_;
  std::vector<std::string> search_caps_;  // --max-spread texts
  // Options and arguments that name a file or a directory: an empty word
  // names none (and "" as a directory would be the current one, or "/").
  [[nodiscard]] bool read_names(Console& err) const;
  void names_files(CLI::App* command, std::initializer_list<const char*> options);
  std::vector<std::pair<CLI::App*, std::string>> file_names_;
  std::list<NumberOption> numbers_;  // a list: the parser keeps pointers to each text
  // Each command's --cost and --weight texts, read into its measure.
  struct FigureTexts {
    CLI::App* command;
    MeasureOptions* measure;
    std::vector<std::string> costs;
    std::vector<std::string> weights;
    std::string weights_file;      // --weights
    std::string* input = nullptr;  // where the request keeps its name
  };
  std::list<FigureTexts> figure_texts_;
  MapValues generate_values_;
  MapValues search_values_;
  MapValues calibrate_values_;
};

}  // namespace tarnix
