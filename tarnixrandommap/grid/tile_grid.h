#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace tarnix {

// Tile codes: one printable byte per map square.
namespace tile {
inline constexpr char kSolidRock = 'S';
inline constexpr char kRock = '.';
inline constexpr char kBorder = 'A';
inline constexpr char kWater = 'W';
inline constexpr char kLava = 'L';
inline constexpr char kGold = 'g';
inline constexpr char kGems = 'G';
inline constexpr char kPortal = 'P';
// The heart code of player index 0 … 3 is the digit '1' … '4'.
constexpr char heart(int player_index) {
  return static_cast<char>('1' + player_index);
}
}  // namespace tile

struct TileCode {
  char code;
  std::string_view name;  // as the map file names it
};

// Every tile code, in the order the map file lists them.
inline constexpr std::array<TileCode, 12> kTileCodes = {{
    {tile::kSolidRock, "SOLID_ROCK"},
    {tile::kRock, "ROCK"},
    {tile::kBorder, "MAP_BORDER"},
    {tile::heart(0), "VSK1_HEART"},
    {tile::heart(1), "VSK2_HEART"},
    {tile::heart(2), "VSK3_HEART"},
    {tile::heart(3), "VSK4_HEART"},
    {tile::kWater, "WATER"},
    {tile::kLava, "LAVA"},
    {tile::kGold, "GOLD"},
    {tile::kGems, "GEMS"},
    {tile::kPortal, "NEUTRAL_PORTAL"},
}};

// The map under construction: `height` rows of `width` tile codes, addressed
// by column x and row y, in one contiguous block. Each row is followed by the
// two bytes CR LF, so that the block is, byte for byte, the grid section of
// the map file and can be written without a copy.
class TileGrid {
 public:
  static constexpr std::size_t kRowEndSize = 2;

  // Allocates a grid whose squares are not yet written (init_grid writes
  // them). Returns nothing when memory runs out.
  // Requires: width >= 1, height >= 1.
  [[nodiscard]] static std::optional<TileGrid> create(std::int32_t width, std::int32_t height);

  // Takes over a block of `mapped` bytes that mmap gave (as a file read
  // into memory), whose bytes from `offset` on are already a grid's rows,
  // each followed by CR LF: the grid then needs no memory of its own. The
  // whole block is unmapped with the grid.
  // Requires: offset + (width + 2) * height <= mapped; width, height >= 1.
  [[nodiscard]] static TileGrid adopt(std::int32_t width, std::int32_t height, char* block,
                                      std::size_t mapped, std::size_t offset);

  // A grid can take gigabytes: it is moved, never copied.
  TileGrid(const TileGrid&) = delete;
  TileGrid& operator=(const TileGrid&) = delete;
  TileGrid(TileGrid&&) = default;
  TileGrid& operator=(TileGrid&&) = default;
  ~TileGrid() = default;

  [[nodiscard]] std::int32_t width() const { return width_; }
  [[nodiscard]] std::int32_t height() const { return height_; }
  // Distance in bytes from a square to the one below it.
  [[nodiscard]] std::size_t stride() const { return stride_; }

  // Requires: 0 <= x < width, 0 <= y < height (not checked).
  [[nodiscard]] std::size_t index(std::int32_t x, std::int32_t y) const {
    return static_cast<std::size_t>(y) * stride_ + static_cast<std::size_t>(x);
  }
  char& at(std::int32_t x, std::int32_t y) { return cells_.get()[index(x, y)]; }
  [[nodiscard]] char at(std::int32_t x, std::int32_t y) const { return cells_.get()[index(x, y)]; }
  char* cells() { return cells_.get(); }
  [[nodiscard]] const char* cells() const { return cells_.get(); }

  // The whole block: every row's codes followed by CR LF.
  [[nodiscard]] std::string_view rows() const { return {cells_.get(), size_}; }

 private:
  // Returns the block, heap or mapped, to the system.
  struct Release {
    std::size_t size;
    std::size_t offset = 0;  // of the first square within an adopted block
    bool adopted = false;    // a mapped block of `size` bytes, taken over
    void operator()(char* cells) const;
  };

  TileGrid(std::int32_t width, std::int32_t height, std::unique_ptr<char, Release> cells);

  std::int32_t width_;
  std::int32_t height_;
  std::size_t stride_;
  std::size_t size_;
  std::unique_ptr<char, Release> cells_;
};

// Frames the map: `A` on the outermost ring, `S` on the ring inside it, `.`
// everywhere else, and CR LF after every row.
// Requires: width >= 4 and height >= 4, so that the rings are whole.
void init_grid(TileGrid& grid);

}  // namespace tarnix
