// The tarnixrandommap program: collects the arguments, reads the clock once
// and hands both to the run sequence.

#include <csignal>
#include <ctime>
#include <new>
#include <string_view>
#include <vector>

#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/mapfile/standard_descriptors.h"
#include "tarnixrandommap/run/console.h"
#include "tarnixrandommap/run/run.h"

int main(int argc, char** argv) {
  // A closed standard output or a file size limit must end in a message and
  // an exit code, not in a signal that loses the map.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);

  // argv[0] is the program's name; a program started with no argv[0] at all
  // has no arguments either.
  const std::vector<std::string_view> args(argc > 0 ? argv + 1 : argv, argv + argc);
  // Whole seconds since 1970, taken modulo 2^32.
  const auto seed = static_cast<std::uint32_t>(std::time(nullptr));

  const tarnix::StandardDescriptors standard = tarnix::reserve_standard_descriptors();
  tarnix::FdSink standard_output(1, standard.closed[1]);
  tarnix::DiskFileSystem disk(standard);
  // Every failure below is a value; only a failed allocation of the
  // program's small working strings can throw, and it is caught here, once.
  try {
    tarnix::Console console(standard_output);
    return tarnix::run(args, seed, console, disk);
  } catch (const std::bad_alloc&) {
    standard_output.write("not enough memory\r\n");
    return 0;
  }
}
