// The tarnixmap program: parses the command line and hands each command to
// its function. Only here are the clock, the terminal, the environment and the machine's
// cores looked at, and the exit code decided.

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <new>
#include <optional>
#include <sstream>
#include <string_view>

#include "tarnixmap/cli/command_line.h"
#include "tarnixmap/commands/commands.h"
#include "tarnixmap/commands/machine.h"
#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/mapfile/standard_descriptors.h"
#include "tarnixrandommap/run/console.h"

namespace {

// Lost output is a failure, not a success: the seeds, summaries and help are
// what the commands are run for. Returns the exit code to end with.
int output_lost(int error, int code) {
  std::fprintf(stderr, "tarnixmap: could not write to standard output: %s\n", std::strerror(error));
  return code == tarnix::kExitOk ? tarnix::kExitFailed : code;
}

// Help, the version or a usage error, written through the same sinks as
// everything else: they wait for a full non-blocking output, and a lost one
// is reported.
int parse_ended(tarnix::CommandLine& line, std::span<const std::string> words,
                const CLI::ParseError& e, const tarnix::StandardDescriptors& standard) {
  tarnix::FdSink standard_output(1, standard.closed[1]);
  tarnix::FdSink standard_error(2, standard.closed[2]);
  if (e.get_exit_code() != 0) {
    standard_error.write(line.usage_error(words, e));
    return tarnix::kExitUsage;
  }
  std::ostringstream help;
  std::ostringstream error;
  (void)line.app.exit(e, help, error);
  standard_output.write(help.str());
  standard_error.write(error.str());
  return standard_output.error() == 0 ? tarnix::kExitOk
                                      : output_lost(standard_output.error(), tarnix::kExitOk);
}

// TARNIX_WAVE: the code that runs the wave of all players, for comparing
// them (every one gives the same figures). Unset or empty, the quickest
// the processor allows; "plain" the bits with the instructions of every
// x86-64, "avx2" with AVX2 where the processor has it, "queue" the bucket
// queue. Any other value is refused, so that a test never runs other code
// than it names.
std::optional<tarnix::WaveKernel> wave_from_environment() {
  const char* const value = std::getenv("TARNIX_WAVE");
  const std::string_view name = value == nullptr ? "" : value;
  if (name.empty()) return tarnix::WaveKernel::kAuto;
  if (name == "plain") return tarnix::WaveKernel::kPlain;
  if (name == "avx2") return tarnix::WaveKernel::kAvx2;
  if (name == "queue") return tarnix::WaveKernel::kQueue;
  return std::nullopt;
}

int run_tarnixmap(int argc, char** argv, const tarnix::StandardDescriptors& standard) {
  tarnix::CommandLine line;
  const std::vector<std::string> words = line.words(argc, argv);
  if (const std::string unknown = line.unknown_word(words); !unknown.empty()) {
    tarnix::FdSink standard_error(2, standard.closed[2]);
    standard_error.write(unknown);
    return tarnix::kExitUsage;
  }
  try {
    line.app.parse(
        std::vector<std::string>(words.rbegin(), words.rend()));  // it reads from the back
  } catch (const CLI::ParseError& e) {
    return parse_ended(line, words, e, standard);
  }
  tarnix::FdSink standard_output(1, standard.closed[1]);
  tarnix::FdSink standard_error(2, standard.closed[2]);
  tarnix::Console out(standard_output, tarnix::LineEnds::kLf);
  tarnix::Console err(standard_error, tarnix::LineEnds::kLf);
  tarnix::DiskFileSystem disk(standard);
  if (!line.read_numbers(err) || !line.read_weights(disk, err)) return tarnix::kExitUsage;
  const std::optional<tarnix::WaveKernel> wave = wave_from_environment();
  if (!wave) {
    err.line("tarnixmap: TARNIX_WAVE must be plain, avx2 or queue, or empty");
    return tarnix::kExitUsage;
  }
  line.use_wave(*wave);
  const auto clock = static_cast<std::uint32_t>(std::time(nullptr));
  int code = tarnix::kExitUsage;
  if (*line.generate) {
    code = tarnix::generate_command(line.generate_request, clock, out, err, disk);
  } else if (*line.check) {
    code = tarnix::check_command(line.check_request, out, err, disk);
  } else if (*line.race) {
    code = tarnix::race_command(line.race_request, out, err, disk);
  } else if (*line.render) {
    code = tarnix::render_command(line.render_request, out, err, disk);
  } else if (*line.report) {
    code = tarnix::report_command(line.report_request, out, err, disk);
  } else if (*line.merge) {
    line.merge_request.cores = tarnix::machine_cores();
    code = tarnix::merge_command(line.merge_request, out, err, disk);
  } else if (*line.calibrate) {
    line.calibrate_request.cores = tarnix::machine_cores();
    code = tarnix::calibrate_command(line.calibrate_request, out, err, disk);
  } else if (*line.serve) {
    line.serve_request.cores = tarnix::machine_cores();
    code = tarnix::serve_command(line.serve_request, out, err);
  } else if (*line.search) {
    tarnix::SearchRequest& request = line.search_request;
    request.cores = tarnix::machine_cores();
    request.memory_available = tarnix::available_memory();
    request.show_progress = !line.quiet && ::isatty(2) == 1;
    code = tarnix::search_command(request, clock, out, err, disk);
  }
  out.flush();
  return out.failed() ? output_lost(standard_output.error(), code) : code;
}

}  // namespace

int main(int argc, char** argv) {
  // Before anything is opened: a file must never take the number of a
  // standard descriptor the program was started without.
  const tarnix::StandardDescriptors standard = tarnix::reserve_standard_descriptors();
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  // Errors are values everywhere below, and each command says which file
  // ran out of memory; what can still be thrown is caught once, here, and
  // said in the program's own words, never a library's.
  try {
    return run_tarnixmap(argc, argv, standard);
  } catch (const std::bad_alloc&) {
    std::fputs("tarnixmap: not enough memory; the command stopped\n", stderr);
  } catch (const std::exception&) {
    std::fputs("tarnixmap: an internal error stopped the command\n", stderr);
  }
  return tarnix::kExitFailed;
}
