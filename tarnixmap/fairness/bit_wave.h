#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "tarnixmap/fairness/costs.h"
#include "tarnixmap/fairness/figures.h"
#include "tarnixmap/fairness/portal_blocks.h"
#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/placement/hearts.h"

namespace tarnix {

// Which code runs the wave of all players. Never what it finds: every kind
// gives the same figures, to the twelfth.
enum class WaveKernel : std::uint8_t {
  kAuto,   // the boards of bits, with AVX2 where the processor has it
  kPlain,  // the boards of bits, with the instructions every x86-64 has
  kAvx2,   // the boards of bits with AVX2 (kPlain where the processor lacks it)
  kQueue,  // the bucket queue, square by square
};

// Whether the processor running this has AVX2 (and POPCNT).
[[nodiscard]] bool has_avx2();

struct Kernel;

// The wave of all players at once, on boards of bits: one bit a square, a
// row of 64-bit words a row of the map, and a row of nothing above and
// below it so that a step up or down never leaves the board. The boards of
// the players lie side by side: a word of the map is four words, one a
// player, which one AVX2 register steps at once. Each player has the board
// of the squares it settles first, of the walls it first touches, and a
// ring of four boards: slot t mod 4 holds the squares beside those it
// settled at time t. At time t a player settles the squares not settled
// before t by anyone that it can enter at t: those beside what it settled
// at t − c, of entry cost c (1, 2 or 3). Squares several players settle at
// the same t are theirs together. These are exactly the times and first
// reachers of the bucket queue's wave, square by square, but only who is
// first is kept. A time's step works only on the words its ring may hold
// bits in.
class BitWave {
 public:
  BitWave() = default;
  BitWave(const BitWave&) = delete;
  BitWave& operator=(const BitWave&) = delete;

  // Whether the boards can take this map: every square that can be entered
  // costs 1, 2 or 3, and every heart's centre can be entered.
  [[nodiscard]] static bool takes(const TileGrid& grid, std::span<const HeartCentre> hearts,
                                  const CostTable& costs);

  // Whether the boards are the quicker way for a map of this shape. At
  // each time they step every row a wave front spans, the queue only the
  // squares it settles, so their work grows faster with the map. Measured
  // on maps of the typical map's contents (BM_DigFirstByShape), the boards
  // were quicker wherever (width + height) x words a row is at most 6 x
  // width (2.4 times at 64 x 64, 1.5 times at 128 x 128, 1.1 times at
  // 192 x 192), and slower at 8 and more (256 x 256, 512 x 64); they are
  // taken up to 6.
  [[nodiscard]] static bool pays(const TileGrid& grid);

  // gold_first, gems_first, portals_first and territory (added to what the
  // starts hold), and sealed, as the bucket queue's wave gives them. With
  // `every_wall`, who first touches every wall is kept, for
  // first_reachers(); without, only of the walls a figure counts (gold,
  // gems and portals that are walls), which is quicker.
  // Requires: takes(grid, hearts, costs); 2 to 4 hearts; `portals` the
  // map's portals.
  void measure(const TileGrid& grid, std::span<const HeartCentre> hearts, const CostTable& costs,
               std::span<const PortalBlock> portals, WaveKernel kernel, bool every_wall,
               std::span<StartFigures> starts);

  // After measure() with every_wall: who first reaches each square of the
  // map, one bit a player, indexed as the grid is (its row ends too,
  // always 0).
  void first_reachers(const TileGrid& grid, std::vector<std::uint8_t>& out) const;

  // Gives back the boards' memory (a search keeps it from map to map).
  void release();

  // A word of each player: a square's bit is in one word of every board,
  // and that word of the players' boards is one of these.
  struct alignas(32) Quad {
    std::array<std::uint64_t, 4> w{};
  };

  // A board, or the players' boards side by side: a T a word of the map,
  // with one more before and after it, so that a step to the word before
  // or after never leaves it.
  template <typename T>
  class Board {
   public:
    void clear(std::size_t words) { words_.assign(words + 2, T{}); }
    void release() { std::vector<T>().swap(words_); }
    [[nodiscard]] T* data() { return words_.data() + 1; }
    [[nodiscard]] const T* data() const { return words_.data() + 1; }
    T& operator[](std::size_t i) { return data()[i]; }
    const T& operator[](std::size_t i) const { return data()[i]; }

   private:
    std::vector<T> words_;
  };

  // Every board, and their shape: public for the kernels that step them,
  // compiled for different processors.
  struct Boards {
    std::size_t words = 0;  // a row's
    std::size_t size = 0;   // words in all, the rows of nothing above and below included
    std::array<Board<std::uint64_t>, 3> open;  // squares that can be entered, by entry cost
    Board<std::uint64_t> untouched;  // walls whose first touch is kept and no one has touched yet
    Board<std::uint64_t> portal;     // squares of the portals no one has reached yet
    Board<std::uint64_t> settled;    // squares settled so far
    Board<std::uint64_t> gold;       // squares of gold
    Board<std::uint64_t> gems;       // and of gems
    Board<Quad> own;                 // squares each player settles first
    Board<Quad> walls;               // walls each player touches first
    Board<Quad> step;                // what each settles at the time in hand
    std::array<Board<Quad>, 4> ring;
    std::array<std::size_t, 4> from{};  // the words [from, to) each slot may hold bits in
    std::array<std::size_t, 4> to{};
    // Portal squares some player settled or touched at the time in hand:
    // (player, bit).
    std::vector<std::pair<std::size_t, std::size_t>> hits;

    // Calls `f` with every board.
    template <typename F>
    void each(F&& f) {
      for (Board<std::uint64_t>& board : open)
        f(board);
      f(untouched);
      f(portal);
      f(settled);
      f(gold);
      f(gems);
      f(own);
      f(walls);
      f(step);
      for (Board<Quad>& board : ring)
        f(board);
    }
  };

 private:
  // The portal squares of the map, by bit, and which portal each is of;
  // and each portal's first reachers.
  struct Portals {
    std::vector<std::pair<std::size_t, std::size_t>> bit_portal;  // (bit, portal), by bit
    std::vector<std::uint8_t> who;
  };

  void load(const TileGrid& grid, const CostTable& costs, std::span<const PortalBlock> portals,
            bool every_wall, const Kernel& kernel);
  void start(const TileGrid& grid, std::span<const HeartCentre> hearts);
  void spread(const Kernel& kernel);
  void note_portals();
  void seal(std::span<StartFigures> starts);
  [[nodiscard]] std::size_t bit_of(const TileGrid& grid, std::size_t square) const;

  Boards boards_;
  std::size_t player_count_ = 0;
  Portals portals_;
  Board<std::uint64_t> beside_;  // a player's squares and those beside them
};

// One time's step of every player, as each kernel does it: settles their
// squares of time t (into `own`, `settled` and `step`), fills the rings'
// slot of t with what is beside them, notes the walls they touch first and
// the portal squares they reach. Returns whether any was settled.
using StepFunction = bool (*)(BitWave::Boards& boards, std::size_t t);

// The squares of some tile codes, to be marked on a board.
struct CodeBoard {
  std::uint64_t* board = nullptr;
  std::array<char, kTileCodes.size()> codes{};
  std::size_t count = 0;
};
// Marks each board's squares: those of its codes, as bit_of places them.
// Requires: every board holds the grid's rows and the rows of nothing
// around them, `words` words a row.
using MarkFunction = void (*)(const TileGrid& grid, std::size_t words,
                              std::span<const CodeBoard> boards);

// Counts the squares, gold and gems reached first, by who reached them.
using CountFunction = void (*)(const BitWave::Boards& boards, std::size_t players,
                               FirstCounts& counts);

// A kernel: the step, the marking and the counting, compiled for one
// processor.
struct Kernel {
  StepFunction step;
  MarkFunction mark;
  CountFunction count;
};
// For every x86-64, and for processors with AVX2 (the plain one where the
// processor lacks it).
[[nodiscard]] Kernel plain_kernel();
[[nodiscard]] Kernel avx2_kernel();

}  // namespace tarnix
