#include "tarnixrandommap/grid/tile_grid.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace tarnix {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20U;

}  // namespace

void TileGrid::Release::operator()(char* cells) const {
  if (adopted) {
    munmap(cells - offset, size);
  } else if (size < kHugePage) {
    delete[] cells;
  } else {
    munmap(cells, size);
  }
}

TileGrid::TileGrid(std::int32_t width, std::int32_t height, std::unique_ptr<char, Release> cells)
    : width_(width),
      height_(height),
      stride_(static_cast<std::size_t>(width) + kRowEndSize),
      size_(stride_ * static_cast<std::size_t>(height)),
      cells_(std::move(cells)) {}

namespace {

std::size_t round_up(std::size_t n, std::size_t multiple) {
  return (n + multiple - 1) / multiple * multiple;
}

// Returns a block of `size` bytes, or nullptr. A small block comes from the
// heap. A block of a huge page or more is mapped directly, so that a size
// the machine cannot hold fails cleanly with ENOMEM; it starts on a
// huge-page boundary and is offered to the kernel as transparent huge pages:
// first touching a big map then costs a few dozen page faults instead of tens
// of thousands, the larger part of the time a huge map takes. The advice
// changes speed only, so its failure is ignored.
char* allocate_block(std::size_t size) {
  if (size < kHugePage) return new (std::nothrow) char[size];
  const std::size_t padded = size + kHugePage;
  void* raw = mmap(nullptr, padded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  char* const start = static_cast<char*>(raw);
  const std::size_t head = round_up(reinterpret_cast<std::uintptr_t>(start), kHugePage) -
                           reinterpret_cast<std::uintptr_t>(start);
  char* const block = start + head;
  if (head != 0) munmap(start, head);
  const std::size_t kept = head + size;
  if (kept < padded) munmap(block + size, padded - kept);
#ifdef MADV_HUGEPAGE
  madvise(block, size, MADV_HUGEPAGE);
#endif
  return block;
}

// Writes one row: `edge` at both ends, `inner` between, then CR LF.
void fill_row(char* row, std::size_t width, char edge, char inner) {
  row[0] = edge;
  std::memset(row + 1, inner, width - 2);
  row[width - 1] = edge;
  row[width] = '\r';
  row[width + 1] = '\n';
}

}  // namespace

std::optional<TileGrid> TileGrid::create(std::int32_t width, std::int32_t height) {
  // Both factors are below 2^31 + 2, so the product cannot overflow 64 bits.
  // The size is a whole number of pages so that it can be unmapped exactly.
  const std::size_t size =
      round_up((static_cast<std::size_t>(width) + kRowEndSize) * static_cast<std::size_t>(height),
               static_cast<std::size_t>(sysconf(_SC_PAGESIZE)));
  char* block = allocate_block(size);
  if (block == nullptr) return std::nullopt;
  return TileGrid(width, height, std::unique_ptr<char, Release>(block, Release{size}));
}

TileGrid TileGrid::adopt(std::int32_t width, std::int32_t height, char* block, std::size_t mapped,
                         std::size_t offset) {
  return TileGrid(width, height,
                  std::unique_ptr<char, Release>(block + offset, Release{mapped, offset, true}));
}

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
