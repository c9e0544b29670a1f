#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/mapfile/file_bytes.h"
#include "tarnixrandommap/placement/hearts.h"

namespace tarnix {

// One thing wrong with a map file, at a line (counted from 1).
struct MapProblem {
  std::int64_t line = 0;
  std::string message;
};

// What a map file holds, as far as it could be read.
struct MapFileContents {
  std::string name;
  std::int32_t players = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::optional<TileGrid> grid;  // when the grid section matches the size line
  HeartTable hearts;
  std::array<std::int32_t, kMaxPlayers> gold{};  // each player's starting gold

  // The starting gold of the map's players.
  [[nodiscard]] std::span<const std::int32_t> gold_of_players() const {
    return std::span(gold).first(static_cast<std::size_t>(std::clamp(players, 0, kMaxPlayers)));
  }
};

struct MapFileRead {
  MapFileContents contents;
  std::vector<MapProblem> problems;  // none for a sound file, in line order
};

// Reads a map file strictly: every section in its order, CR LF line ends, a
// name the generator accepts, numbers as the writer writes them, the size
// line against the grid, only tile codes in the grid, the border and solid
// rock rings and no border inside them, every heart's centre and its 5 × 5
// block (a later heart may cover an earlier one), no heart tile outside a
// block, and the closing "EOF" and empty line. A broken line is reported
// once: tiles of a heart whose line is broken are not checked. Reading what
// write_map_file wrote gives back the same name, players, grid, hearts and
// gold, with no problems.
[[nodiscard]] MapFileRead read_map_file(std::string_view bytes);

// The same, taking over `bytes`: where the file's grid rows end in CR LF,
// as a sound file's do, the grid is those very bytes, not a copy, so that
// reading a map takes little more memory than the file's size.
[[nodiscard]] MapFileRead read_map_file(FileBytes&& bytes);

// The largest map file the reader takes: 1 GiB, room for a map of 32000 x
// 32000 squares. A larger file is turned away before it is read.
inline constexpr std::uint64_t kMaxMapFileBytes = std::uint64_t{1} << 30U;

}  // namespace tarnix
