#include "tarnixrandommap/placement/clusters.h"

#include <array>
#include <cstddef>

#include "tarnixrandommap/placement/max_tries.h"

namespace tarnix {

namespace {

// The fill grows blobs of hundreds of thousands of squares on big maps, far
// deeper than the call stack allows, so the recursion is unrolled into a walk
// over the grid itself, in the manner of link-reversal marking: while a square
// waits for its neighbours to be tried, it holds a marker byte instead of its
// code, recording which neighbour comes next and in which direction its
// parent lies. The walk needs no memory besides the grid, and visits, tests
// and draws for the squares in exactly the order of the recursive fill.
//
// A marker is 0x80 | parent << 3 | next: `next` (0 … 4) is the neighbour to
// try next, `parent` (0 … 3, or kRoot) the direction back. Markers are never
// rock, so to every test of the fill they look like grown squares, as the
// recursive fill's codes would.
class Fill {
 public:
  Fill(TileGrid& grid, std::int32_t target, char code, std::int32_t threshold)
      : cells_(grid.cells()),
        target_(target),
        code_(code),
        threshold_(threshold),
        offsets_{-1, 1, static_cast<std::ptrdiff_t>(grid.stride()),
                 -static_cast<std::ptrdiff_t>(grid.stride())} {}

  // Grows the blob seeded at `start`, drawing from `rng` and adding to
  // `count`. Callers keep both in locals of their own: the grid is made of
  // chars, which may alias anything, so through a member or a pointer every
  // store into the grid would force them back to memory.
  void grow(std::size_t start, Random& rng, std::int32_t& count) { walk(start, rng, count); }

 private:
  static constexpr unsigned kRoot = 7;  // never a direction, nor one past the last

  void walk(std::size_t start, Random& rng, std::int32_t& count) {
    // The three tests of a square, in their order; counts a square that grows.
    const auto grows = [&](std::size_t at) {
      if (count >= target_) return false;
      if (cells_[at] != tile::kRock) return false;
      if (rng.rand_range(0, 100) > threshold_) return false;
      ++count;
      return true;
    };
    if (!grows(start)) return;
    // The square being worked on keeps its state in registers; its marker
    // is written only when the walk leaves it for a neighbour.
    std::size_t at = start;
    unsigned parent = kRoot;
    unsigned next = 0;
    cells_[at] = marker(parent, next);
    for (;;) {
      // Once the target is reached every pending call would return at its
      // first test without drawing: the squares still waiting just get
      // their code.
      if (count >= target_) {
        finish_path(at, parent);
        return;
      }
      if (next == 4) {
        cells_[at] = code_;
        if (parent == kRoot) return;
        at = step(at, parent);
        const auto mark = static_cast<unsigned char>(cells_[at]);
        parent = (mark >> 3U) & 7U;
        next = mark & 7U;
        continue;
      }
      const unsigned direction = next;
      next = skip_parent(next + 1, parent);
      const std::size_t neighbour = step(at, direction);
      if (grows(neighbour)) {
        cells_[at] = marker(parent, next);
        at = neighbour;
        parent = opposite(direction);
        next = skip_parent(0, parent);
        cells_[at] = marker(parent, next);
      }
    }
  }

  static char marker(unsigned parent, unsigned next) {
    return static_cast<char>(0x80U | parent << 3U | next);
  }
  // Left and right, down and up are pairs: 0 <-> 1, 2 <-> 3.
  static unsigned opposite(unsigned direction) { return direction ^ 1U; }
  // The square a walk came from is never rock, so trying it would neither
  // draw nor grow: it is passed over.
  static unsigned skip_parent(unsigned next, unsigned parent) {
    return next + static_cast<unsigned>(next == parent);
  }

  [[nodiscard]] std::size_t step(std::size_t at, unsigned direction) const {
    return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(at) + offsets_[direction]);
  }

  // Gives the code to the square at `at`, whose parent lies towards
  // `parent`, and to all the squares that wait above it.
  void finish_path(std::size_t at, unsigned parent) {
    cells_[at] = code_;
    while (parent != kRoot) {
      at = step(at, parent);
      parent = (static_cast<unsigned char>(cells_[at]) >> 3U) & 7U;
      cells_[at] = code_;
    }
  }

  char* cells_;
  std::int32_t target_;
  char code_;
  std::int32_t threshold_;
  std::array<std::ptrdiff_t, 4> offsets_;  // left, right, down, up
};

// A seed's square: rand_range(1, width - 2), then rand_range(1, height - 2).
std::size_t draw_seed(const TileGrid& grid, Random& rng) {
  const std::int32_t x = rng.rand_range(1, grid.width() - 2);
  const std::int32_t y = rng.rand_range(1, grid.height() - 2);
  return grid.index(x, y);
}

}  // namespace

void grow_cluster(TileGrid& grid, Random& rng, std::int32_t& count, std::int32_t target, char code,
                  std::int32_t x, std::int32_t y, std::int32_t threshold) {
  Random local = rng;
  std::int32_t grown = count;
  Fill(grid, target, code, threshold).grow(grid.index(x, y), local, grown);
  rng = local;
  count = grown;
}

ClusterReport place_material(TileGrid& grid, Random& rng, const Material& material,
                             std::int32_t target) {
  ClusterReport report;
  Fill fill(grid, target, material.code, material.threshold);
  Random local = rng;
  std::int32_t placed = 0;
  std::int32_t seeds = 0;
  while (placed < target) {
    const std::size_t seed = draw_seed(grid, local);
    fill.grow(seed, local, placed);
    if (++seeds == MAX_TRIES) {
      report.ran_out = placed < target;
      break;
    }
  }
  rng = local;
  report.placed = placed;
  return report;
}

ClustersReport place_clusters(TileGrid& grid, Random& rng, std::int32_t gold, std::int32_t lava,
                              std::int32_t water) {
  ClustersReport report;
  report.gold = place_material(grid, rng, kGoldMaterial, gold);
  report.lava = place_material(grid, rng, kLavaMaterial, lava);
  report.water = place_material(grid, rng, kWaterMaterial, water);
  return report;
}

}  // namespace tarnix
