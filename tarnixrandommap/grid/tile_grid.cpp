#include "tarnixrandommap/grid/tile_grid.h"

#include <sys/mman.h>

#include <cstring>
#include <utility>

namespace tarnix {

void TileGrid::Unmap::operator()(char* cells) const {
  munmap(cells, size);
}

TileGrid::TileGrid(std::int32_t width, std::int32_t height, std::unique_ptr<char, Unmap> cells)
    : width_(width),
      height_(height),
      stride_(static_cast<std::size_t>(width) + kRowEndSize),
      size_(cells.get_deleter().size),
      cells_(std::move(cells)) {}

// The block is mapped directly rather than taken from the heap: a map of any
// size then costs no copy or heap bookkeeping, a size the machine cannot hold
// fails cleanly with ENOMEM, and pages are only touched by init_grid.
std::optional<TileGrid> TileGrid::create(std::int32_t width, std::int32_t height) {
  // Both factors are below 2^31 + 2, so the product cannot overflow 64 bits.
  const std::size_t size =
      (static_cast<std::size_t>(width) + kRowEndSize) * static_cast<std::size_t>(height);
  void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) return std::nullopt;
  std::unique_ptr<char, Unmap> cells(static_cast<char*>(block), Unmap{size});
  return TileGrid(width, height, std::move(cells));
}

namespace {

// Writes one row: `edge` at both ends, `inner` between, then CR LF.
void fill_row(char* row, std::size_t width, char edge, char inner) {
  row[0] = edge;
  std::memset(row + 1, inner, width - 2);
  row[width - 1] = edge;
  row[width] = '\r';
  row[width + 1] = '\n';
}

}  // namespace

// Row by row rather than square by square: the rings make only three kinds of
// row, so each is written with memset instead of testing every square.
void init_grid(TileGrid& grid) {
  const auto width = static_cast<std::size_t>(grid.width());
  const std::int32_t height = grid.height();
  for (std::int32_t y = 0; y < height; ++y) {
    char* row = grid.cells() + grid.index(0, y);
    if (y == 0 || y == height - 1) {
      fill_row(row, width, tile::kBorder, tile::kBorder);
    } else if (y == 1 || y == height - 2) {
      fill_row(row, width, tile::kBorder, tile::kSolidRock);
    } else {
      fill_row(row, width, tile::kBorder, tile::kRock);
      row[1] = tile::kSolidRock;
      row[width - 2] = tile::kSolidRock;
    }
  }
}

}  // namespace tarnix
