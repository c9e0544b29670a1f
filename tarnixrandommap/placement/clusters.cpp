#include "tarnixrandommap/placement/clusters.h"

#include <array>
#include <cstddef>
#include <vector>

#include "tarnixrandommap/placement/max_tries.h"

namespace tarnix {

namespace {

// A grown square waiting for its neighbours: its index in the grid and how
// many of its four neighbours have been tried.
struct Frame {
  std::size_t index;
  int next_neighbour;
};

// The fill grows blobs of hundreds of thousands of squares on big maps, far
// deeper than the call stack allows, so the recursion is kept on an explicit
// stack of frames. The squares are visited, tested and drawn for in exactly
// the order of the recursive form.
class Fill {
 public:
  Fill(TileGrid& grid, Random& rng, std::int32_t& count, std::int32_t target, char code,
       std::int32_t threshold)
      : grid_(grid),
        rng_(rng),
        count_(count),
        target_(target),
        code_(code),
        threshold_(threshold),
        offsets_{-1, 1, static_cast<std::ptrdiff_t>(grid.stride()),
                 -static_cast<std::ptrdiff_t>(grid.stride())} {}

  void run(std::size_t start) {
    visit(start);
    while (!stack_.empty()) {
      // Once the target is reached every pending call would return at its
      // first test without drawing, so there is nothing left to do.
      if (count_ >= target_) break;
      Frame& top = stack_.back();
      if (top.next_neighbour == 4) {
        stack_.pop_back();
        continue;
      }
      const std::ptrdiff_t offset = offsets_[static_cast<std::size_t>(top.next_neighbour++)];
      visit(static_cast<std::size_t>(static_cast<std::ptrdiff_t>(top.index) + offset));
    }
    stack_.clear();  // keeps its capacity for the next seed
  }

 private:
  void visit(std::size_t index) {
    if (count_ >= target_) return;
    char& square = grid_.cells()[index];
    if (square != tile::kRock) return;
    if (rng_.rand_range(0, 100) > threshold_) return;
    square = code_;
    ++count_;
    stack_.push_back(Frame{index, 0});
  }

  TileGrid& grid_;
  Random& rng_;
  std::int32_t& count_;
  std::int32_t target_;
  char code_;
  std::int32_t threshold_;
  std::array<std::ptrdiff_t, 4> offsets_;  // left, right, down, up
  std::vector<Frame> stack_;
};

}  // namespace

void grow_cluster(TileGrid& grid, Random& rng, std::int32_t& count, std::int32_t target, char code,
                  std::int32_t x, std::int32_t y, std::int32_t threshold) {
  Fill(grid, rng, count, target, code, threshold).run(grid.index(x, y));
}

ClusterReport place_material(TileGrid& grid, Random& rng, const Material& material,
                             std::int32_t target) {
  ClusterReport report;
  Fill fill(grid, rng, report.placed, target, material.code, material.threshold);
  std::int32_t seeds = 0;
  while (report.placed < target) {
    const std::int32_t x = rng.rand_range(1, grid.width() - 2);
    const std::int32_t y = rng.rand_range(1, grid.height() - 2);
    fill.run(grid.index(x, y));
    if (++seeds == MAX_TRIES) {
      report.ran_out = report.placed < target;
      break;
    }
  }
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
