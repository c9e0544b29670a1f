// The tarnixmap program: parses the command line and hands each command to
// its function. Only here are the clock read and the exit code decided.

#include <CLI/CLI.hpp>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "tarnixmap/commands.h"
#include "tarnixmap/option_value.h"
#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/run/console.h"

namespace {

constexpr std::array<std::pair<const char*, const char*>, tarnix::kArgumentCount> kValues = {{
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

// Numbers are taken as text and read strictly after parsing, so that every
// option reads decimal digits the same way and says so when it cannot.
struct Commands {
  tarnix::GenerateRequest generate;
  std::string seed;
  std::string count;
  std::vector<std::string> check_paths;
  tarnix::RenderRequest render;
  std::string scale;
};

constexpr std::uint64_t kLastSeed = 4294967295;
constexpr tarnix::OptionRange kSeedRange{"--seed", 0, kLastSeed};
constexpr tarnix::OptionRange kCountRange{"--count", 1, kLastSeed + 1};
constexpr tarnix::OptionRange kScaleRange{"--scale", 1, 2147483647};

constexpr const char* kDashNameHint =
    "A NAME (or any value) that starts with \"-\" must follow \"--\", which ends the options:\n"
    "  tarnixmap generate --seed 5 -- -dash 64 64 4 500 5 300 40 200 200 20 10";

CLI::App* add_generate(CLI::App& app, Commands& c) {
  CLI::App* cmd = app.add_subcommand(
      "generate",
      "Write a map exactly as tarnixrandommap does when the clock reads the seed, and print the "
      "seed used");
  cmd->add_option("--seed", c.seed, "seed, 0 to 4294967295 (default: the clock's second)")
      ->type_name("N");
  cmd->add_option("--count", c.count,
                  "write K maps, NAME_1.map to NAME_K.map, from the seeds N, N+1, ...")
      ->type_name("K");
  cmd->add_flag("--preview", c.generate.preview, "also draw each map as NAME.png");
  for (std::size_t i = 0; i < kValues.size(); ++i) {
    cmd->add_option(kValues[i].first, c.generate.values[i], kValues[i].second)->required();
  }
  cmd->positionals_at_end();  // negative spacings are values, not options
  cmd->footer(kDashNameHint);
  return cmd;
}

CLI::App* add_check(CLI::App& app, Commands& c) {
  CLI::App* cmd = app.add_subcommand(
      "check",
      "Check map files strictly, report each problem with its line, and summarise sound maps");
  cmd->add_option("FILE", c.check_paths, "map files")->required();
  return cmd;
}

CLI::App* add_render(CLI::App& app, Commands& c) {
  CLI::App* cmd = app.add_subcommand("render", "Draw a map file as a PNG picture");
  cmd->add_option("FILE", c.render.input, "map file")->required();
  cmd->add_option("-o,--output", c.render.output,
                  "picture to write, - for standard output (default: FILE with .png)");
  cmd->add_option("--scale", c.scale,
                  "pixels per tile (default: about 1024 pixels on the longer side)")
      ->type_name("S");
  return cmd;
}

}  // namespace

namespace {

// Lost output is a failure, not a success: the seeds, summaries and help are
// what the commands are run for. Returns the exit code to end with.
int output_lost(int error, int code) {
  std::fprintf(stderr, "tarnixmap: could not write to standard output: %s\n", std::strerror(error));
  return code == tarnix::kExitOk ? tarnix::kExitFailed : code;
}

// A word the parser would have taken for an unknown option: a map name or
// value that starts with "-" and is not a number.
bool dash_word(const CLI::App* cmd, std::string_view word) {
  if (word.size() < 2 || word.front() != '-' || word == "--") return false;
  if (word[1] >= '0' && word[1] <= '9') return false;  // a negative number
  const std::string name(word.substr(0, word.find('=')));
  return cmd->get_option_no_throw(name) == nullptr && name != "-h" && name != "--help";
}

// Points at "--" when a parse failed over a word that starts with "-".
void hint_at_dashes(const CLI::App* generate, int argc, char** argv) {
  if (!generate->parsed()) return;
  for (int i = 1; i < argc && std::string_view(argv[i]) != "--"; ++i) {
    if (dash_word(generate, argv[i])) {
      std::fprintf(stderr, "\"%s\" was taken for an option. %s\n", argv[i], kDashNameHint);
      return;
    }
  }
}

// An option's value read strictly; nothing (and the reason on `err`) when
// it is not a whole number in its range.
std::optional<std::uint64_t> option_value(const std::string& command, const std::string& text,
                                          const tarnix::OptionRange& range, tarnix::Console& err) {
  const std::optional<std::uint64_t> value = tarnix::parse_option_value(text, range);
  if (!value) err.line("tarnixmap " + command + ": " + tarnix::option_value_problem(text, range));
  return value;
}

// Fills the requests' numbers from the options given. False after a usage
// error, which has been reported.
bool read_numbers(const CLI::App* generate, const CLI::App* render, Commands& c,
                  tarnix::Console& err) {
  if (generate->count("--seed") > 0) {
    const auto seed = option_value("generate", c.seed, kSeedRange, err);
    if (!seed) return false;
    c.generate.seed = static_cast<std::uint32_t>(*seed);
  }
  if (generate->count("--count") > 0) {
    const auto count = option_value("generate", c.count, kCountRange, err);
    if (!count) return false;
    c.generate.count = static_cast<std::int64_t>(*count);
  }
  if (render->count("--scale") > 0) {
    const auto scale = option_value("render", c.scale, kScaleRange, err);
    if (!scale) return false;
    c.render.scale = static_cast<std::int32_t>(*scale);
  }
  return true;
}

int run_tarnixmap(int argc, char** argv) {
  CLI::App app{
      "tarnixmap: reproducible and batch map generation, strict map checks with "
      "statistics, and PNG previews for tarnixrandommap maps",
      "tarnixmap"};
  app.set_version_flag("--version", "tarnixmap 1.1");
  app.require_subcommand(1, 1);
  Commands c;
  CLI::App* generate = add_generate(app, c);
  CLI::App* check = add_check(app, c);
  CLI::App* render = add_render(app, c);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help, the version or the error, written through the same sinks as
    // everything else: they wait for a full non-blocking output, and a lost
    // one is reported.
    std::ostringstream help;
    std::ostringstream error;
    const int code = app.exit(e, help, error);
    tarnix::FdSink standard_output(1);
    tarnix::FdSink standard_error(2);
    standard_output.write(help.str());
    standard_error.write(error.str());
    if (code != 0) {
      hint_at_dashes(generate, argc, argv);
      return tarnix::kExitUsage;
    }
    return standard_output.error() == 0 ? tarnix::kExitOk
                                        : output_lost(standard_output.error(), tarnix::kExitOk);
  }

  tarnix::FdSink standard_output(1);
  tarnix::FdSink standard_error(2);
  tarnix::Console out(standard_output, tarnix::LineEnds::kLf);
  tarnix::Console err(standard_error, tarnix::LineEnds::kLf);
  tarnix::DiskFileSystem disk;
  if (!read_numbers(generate, render, c, err)) return tarnix::kExitUsage;
  int code = tarnix::kExitUsage;
  if (*generate) {
    const auto clock = static_cast<std::uint32_t>(std::time(nullptr));
    code = tarnix::generate_command(c.generate, clock, out, err, disk);
  } else if (*check) {
    code = tarnix::check_command(c.check_paths, out, err, disk);
  } else if (*render) {
    code = tarnix::render_command(c.render, out, err, disk);
  }
  out.flush();
  return out.failed() ? output_lost(standard_output.error(), code) : code;
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  // Errors are values everywhere below; what can still be thrown is a failed
  // allocation (or a command-line setup error), caught once, here.
  try {
    return run_tarnixmap(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarnixmap: %s\n", e.what());
    return tarnix::kExitFailed;
  }
}
