// Drives the whole run sequence in memory with arguments and a seed taken
// from the input, and checks what must hold whatever the arguments are.
//
// Input: four bytes of seed (little-endian), then the arguments separated by
// NUL bytes, as a command line would deliver them; at most 14 arguments are
// taken. Width and height above kMaxSide are folded below it, and portals
// above kMaxPortals likewise, so that one run costs milliseconds: every
// portal that finds no room prints a line, so their count alone can make the
// output arbitrarily long. Everything else goes through unchanged.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/run/console.h"
#include "tarnixrandommap/run/map_params.h"
#include "tarnixrandommap/run/run.h"

namespace {

constexpr std::size_t kMaxArguments = 14;
constexpr std::int32_t kMaxSide = 300;
constexpr std::int32_t kMaxPortals = 2000;

void check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

std::vector<std::string> split_arguments(std::string_view bytes) {
  std::vector<std::string> args;
  while (!bytes.empty() && args.size() < kMaxArguments) {
    const std::size_t end = bytes.find('\0');
    args.emplace_back(bytes.substr(0, end));
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
  }
  return args;
}

void fold(std::string& arg, std::int32_t limit) {
  const std::int32_t value = tarnix::convert_number(arg);
  if (value > limit) arg = std::to_string(value % limit);
}

bool is_tile_code(char c) {
  return std::ranges::any_of(tarnix::kTileCodes,
                             [c](const tarnix::TileCode& code) { return code.code == c; });
}

// Reads the next CR LF line of `text` from `at` on.
std::string_view next_line(std::string_view text, std::size_t& at) {
  const std::size_t end = text.find("\r\n", at);
  check(end != std::string_view::npos, "every line of the map ends in CR LF");
  const std::string_view line = text.substr(at, end - at);
  at = end + 2;
  return line;
}

void check_map(std::string_view map, std::string_view name) {
  std::size_t at = 0;
  check(next_line(map, at) == name, "the map starts with its name");
  check(next_line(map, at).starts_with("PLAYERS "), "PLAYERS line");
  check(next_line(map, at).empty(), "empty line before MAP");
  check(next_line(map, at) == "MAP", "MAP line");
  const std::string_view size = next_line(map, at);
  const std::size_t x = size.find(" X ");
  check(x != std::string_view::npos, "size line");
  const std::int32_t width = tarnix::convert_number(size.substr(0, x));
  const std::int32_t height = tarnix::convert_number(size.substr(x + 3));
  check(width >= 7 && height >= 7, "map of at least 7 x 7");
  check(next_line(map, at).empty(), "empty line before the grid");
  for (std::int32_t y = 0; y < height; ++y) {
    const std::string_view row = next_line(map, at);
    check(row.size() == static_cast<std::size_t>(width), "every row has width codes");
    for (const char c : row)
      check(is_tile_code(c), "only tile codes in the grid");
    check(row.front() == 'A' && row.back() == 'A', "rows begin and end with the border");
    if (y == 0 || y == height - 1) {
      check(row.find_first_not_of('A') == std::string_view::npos, "top and bottom are border");
    }
  }
  check(next_line(map, at).empty(), "empty line after the grid");
  check(next_line(map, at) == "MAP_CODES", "MAP_CODES follows the grid");
  check(map.ends_with("\r\nEOF\r\n\r\n"), "the map ends with EOF and an empty line");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::uint32_t seed =
      static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8U |
      static_cast<std::uint32_t>(data[2]) << 16U | static_cast<std::uint32_t>(data[3]) << 24U;
  std::vector<std::string> args =
      split_arguments(std::string_view(reinterpret_cast<const char*>(data) + 4, size - 4));
  if (args.size() == tarnix::kArgumentCount) {
    fold(args[1], kMaxSide);
    fold(args[2], kMaxSide);
    fold(args[5], kMaxPortals);
  }
  const std::vector<std::string_view> views(args.begin(), args.end());

  tarnix::StringSink sink;
  tarnix::MemoryFileSystem files;
  int code = -1;
  {
    tarnix::Console console(sink);
    code = tarnix::run(views, seed, console, files);
  }
  check(code == 0 || code == 1, "exit code 0 or 1");
  const std::string out = sink.all();
  check(out.starts_with("Tarnix Random mapper version 1.1, "), "banner first");
  for (std::size_t i = out.find('\n'); i != std::string::npos; i = out.find('\n', i + 1)) {
    check(i > 0 && out[i - 1] == '\r', "console lines end in CR LF");
  }
  if (code == 0) {
    check(files.files.empty(), "no file without exit code 1");
    return 0;
  }
  check(files.files.size() == 1, "exactly one file with exit code 1");
  const auto& [path, map] = *files.files.begin();
  check(path == args[0] + ".map", "the file is named after the map");
  check_map(map, args[0]);
  return 0;
}
