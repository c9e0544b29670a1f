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
#include <iostream>
#include <string>
#include <vector>

#include "tarnixmap/commands.h"
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

struct Commands {
  tarnix::GenerateRequest generate;
  std::uint64_t seed = 0;
  std::int64_t count = 0;
  std::vector<std::string> check_paths;
  tarnix::RenderRequest render;
  std::int32_t scale = 0;
};

CLI::App* add_generate(CLI::App& app, Commands& c) {
  CLI::App* cmd = app.add_subcommand(
      "generate",
      "Write a map exactly as tarnixrandommap does when the clock reads the seed, and print the "
      "seed used");
  cmd->add_option("--seed", c.seed, "seed, 0 to 4294967295 (default: the clock's second)")
      ->check(CLI::Range(std::uint64_t{0}, std::uint64_t{4294967295}));
  cmd->add_option("--count", c.count,
                  "write K maps, NAME_1.map to NAME_K.map, from the seeds N, N+1, ...")
      ->check(CLI::PositiveNumber);
  cmd->add_flag("--preview", c.generate.preview, "also draw each map as NAME.png");
  for (std::size_t i = 0; i < kValues.size(); ++i) {
    cmd->add_option(kValues[i].first, c.generate.values[i], kValues[i].second)->required();
  }
  cmd->positionals_at_end();  // negative spacings are values, not options
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
  cmd->add_option("-o,--output", c.render.output, "picture to write (default: FILE with .png)");
  cmd->add_option("--scale", c.scale,
                  "pixels per tile (default: about 1024 pixels on the longer side)")
      ->check(CLI::PositiveNumber);
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
    const int code = app.exit(e);  // prints help, the version, or the error on stderr
    if (code != 0) return tarnix::kExitUsage;
    return std::cout.flush() ? tarnix::kExitOk : output_lost(errno, tarnix::kExitOk);
  }

  tarnix::FdSink standard_output(1);
  tarnix::FdSink standard_error(2);
  tarnix::Console out(standard_output, tarnix::LineEnds::kLf);
  tarnix::Console err(standard_error, tarnix::LineEnds::kLf);
  tarnix::DiskFileSystem disk;
  int code = tarnix::kExitUsage;
  if (*generate) {
    if (generate->count("--seed") > 0) c.generate.seed = static_cast<std::uint32_t>(c.seed);
    if (generate->count("--count") > 0) c.generate.count = c.count;
    const auto clock = static_cast<std::uint32_t>(std::time(nullptr));
    code = tarnix::generate_command(c.generate, clock, out, err, disk);
  } else if (*check) {
    code = tarnix::check_command(c.check_paths, out, err, disk);
  } else if (*render) {
    if (render->count("--scale") > 0) c.render.scale = c.scale;
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
