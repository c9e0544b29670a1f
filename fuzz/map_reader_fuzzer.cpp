// Feeds arbitrary bytes to the map file reader, which reads files from
// anywhere. It must never crash, and whatever it accepts as sound must be
// exactly what the writer writes for the values it read back.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/mapfile/map_file.h"
#include "tarnixrandommap/mapfile/map_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const tarnix::MapFileRead read = tarnix::read_map_file(bytes);
  // Read from memory it owns, the reader may make the grid of those very
  // bytes: it must find exactly what it finds in a copy.
  tarnix::FileBytes owned;
  if (!owned.assign(bytes)) return 0;
  const tarnix::MapFileRead taken = tarnix::read_map_file(std::move(owned));
  if (taken.problems.size() != read.problems.size() ||
      taken.contents.grid.has_value() != read.contents.grid.has_value() ||
      (read.contents.grid && taken.contents.grid->rows() != read.contents.grid->rows())) {
    std::fprintf(stderr, "a file read in place differs from the same file copied\n");
    std::abort();
  }
  for (std::size_t i = 0; i < read.problems.size(); ++i) {
    if (taken.problems[i].message != read.problems[i].message) std::abort();
  }
  if (!read.problems.empty()) return 0;
  const tarnix::MapFileContents& map = read.contents;
  if (!map.grid) std::abort();
  tarnix::MemoryFileSystem files;
  std::string err;
  const bool written = tarnix::write_map_file(
      files, "again.map", {map.name, map.players, map.gold[0]}, *map.grid, map.hearts, &err);
  // The writer gives every player the same gold; a file that does not is
  // sound to the reader but cannot come back byte for byte.
  for (std::int32_t p = 1; p < map.players; ++p) {
    if (map.gold[static_cast<std::size_t>(p)] != map.gold[0]) return 0;
  }
  if (!written || files.files.at("again.map") != bytes) {
    std::fprintf(stderr, "a sound map did not read back to the same bytes\n");
    std::abort();
  }
  return 0;
}
