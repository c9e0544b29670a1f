// The program with its seed given as the first argument instead of read from
// the clock, for comparing runs with the independent model.

#include <string>
#include <string_view>
#include <vector>

#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/run/console.h"
#include "tarnixrandommap/run/run.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const auto seed = static_cast<std::uint32_t>(std::stoul(argv[1]));
  const std::vector<std::string_view> args(argv + 2, argv + argc);
  tarnix::FdSink standard_output(1);
  tarnix::Console console(standard_output);
  tarnix::DiskFileSystem disk;
  return tarnix::run(args, seed, console, disk);
}
