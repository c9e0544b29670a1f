#pragma once

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
