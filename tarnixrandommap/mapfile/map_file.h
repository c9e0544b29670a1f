#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/placement/hearts.h"

namespace tarnix {

// What the map file records besides the grid and the hearts.
struct MapFileFields {
  std::string_view name;    // the map's name, the file's first line
  std::int32_t players;     // 2 … 4
  std::int32_t start_gold;  // every player's starting gold
};

// A map name is the file's first line and, with ".map", its file name in the
// current directory: 1 to kMaxNameBytes bytes with no "/", "\" or control
// byte (below 0x20, or 0x7F).
inline constexpr std::size_t kMaxNameBytes = 95;  // so that name + ".map" fits in 99 bytes
[[nodiscard]] bool is_control_byte(char c);
[[nodiscard]] bool is_forbidden_in_name(char c);
[[nodiscard]] bool is_good_map_name(std::string_view name);

// The map file is text with CR LF line ends: the head (name, players, size),
// the grid rows as the grid holds them, then the tail (tile code table, the
// empty THINGS … TRAPS sections, heart centres and gold, EOF).
[[nodiscard]] std::string map_file_head(const MapFileFields& fields, const TileGrid& grid);
[[nodiscard]] std::string map_file_tail(const MapFileFields& fields, const HeartTable& hearts);

// Writes the whole map file to `path` through `files`, all or nothing.
// Returns false and sets *err to the reason when it could not be written.
[[nodiscard]] bool write_map_file(FileSystem& files, std::string_view path,
                                  const MapFileFields& fields, const TileGrid& grid,
                                  const HeartTable& hearts, std::string* err);

}  // namespace tarnix
