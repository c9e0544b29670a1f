// One time's step of the wave of bits, written once and compiled twice:
// bit_wave.cpp includes this file once for each kind of lanes, with
//   BIT_STEP_NAMESPACE  the namespace of the copy,
//   BIT_STEP_TARGET     the attribute of the processor it is compiled for,
//   BIT_STEP_LANES      Sse2Lanes or Avx2Lanes,
//   BIT_STEP_BYTES      Sse2Bytes or Avx2Bytes.
// Every function of a copy carries its target and is inlined into that
// copy's own, so nothing compiled for AVX2 is ever shared with the plain
// copy. (No include guard: it is meant to be included twice.)

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <span>

#include "tarnixmap/fairness/bit_wave_lanes.h"

namespace tarnix::bit_step::BIT_STEP_NAMESPACE {

using L = BIT_STEP_LANES;
using Bytes = BIT_STEP_BYTES;

// Marks the squares of each tile code on its boards, for MarkFunction. A
// board's squares are found a register of bytes at a time: the bytes equal
// to one of its codes, as the bits of a mask.
BIT_STEP_TARGET [[gnu::always_inline]] inline void mark(const TileGrid& grid, std::size_t words,
                                                        std::span<const CodeBoard> boards) {
  const std::int32_t width = grid.width();
  for (std::int32_t y = 0; y < grid.height(); ++y) {
    const char* row = grid.cells() + grid.index(0, y);
    const std::size_t first_word = (static_cast<std::size_t>(y) + 1) * words;
    for (std::int32_t x = 0; x < width; x += Bytes::kCount) {
      // A register of squares, or the row's last few: the bytes past its
      // end are cut off the mask.
      Bytes squares{};
      std::uint64_t inside = (std::uint64_t{1} << Bytes::kCount) - 1;
      if (width - x >= Bytes::kCount) {
        squares = Bytes::load(row + x);
      } else {
        std::array<char, Bytes::kCount> last{};
        std::copy(row + x, row + width, last.begin());
        squares = Bytes::load(last.data());
        inside = (std::uint64_t{1} << (width - x)) - 1;
      }
      const std::size_t at = first_word + static_cast<std::size_t>(x) / 64;
      const unsigned shift = static_cast<unsigned>(x) % 64U;
      for (const CodeBoard& board : boards) {
        Bytes equal = Bytes::equal(squares, Bytes::all(board.codes[0]));
        for (std::size_t c = 1; c < board.count; ++c)
          equal = equal | Bytes::equal(squares, Bytes::all(board.codes[c]));
        board.board[at] |= (equal.mask() & inside) << shift;
      }
    }
  }
}

// The portal squares the players reached at word i: rare, noted bit by bit.
BIT_STEP_TARGET [[gnu::noinline]] inline void note_hits(BitWave::Boards& b, L hit, std::size_t i) {
  Quad q;
  hit.store(&q);
  for (std::size_t p = 0; p < q.w.size(); ++p) {
    for (std::uint64_t rest = q.w[p]; rest != 0; rest &= rest - 1)
      b.hits.emplace_back(p, i * 64 + static_cast<std::size_t>(__builtin_ctzll(rest)));
  }
}

// Settles the squares of word i at the time in hand (see run), and gives
// them.
struct Settle {
  const Quad* r1;
  const Quad* r2;
  const Quad* r3;
  const std::uint64_t* o1;
  const std::uint64_t* o2;
  const std::uint64_t* o3;
  std::uint64_t* settled;
  Quad* own;

  BIT_STEP_TARGET [[gnu::always_inline]] L operator()(std::size_t i) const {
    const L s = L::but((L::load(r1 + i) & L::all(o1 + i)) | (L::load(r2 + i) & L::all(o2 + i)) |
                           (L::load(r3 + i) & L::all(o3 + i)),
                       L::all(settled + i));
    (L::load(own + i) | s).store(own + i);
    settled[i] |= s.joined();
    return s;
  }
};

// Given what is beside the squares settled at the time in hand, at word i:
// fills the ring's slot, notes the walls touched first and the portal
// squares reached, and where the slot holds bits.
struct Beside {
  BitWave::Boards& b;
  Quad* next;
  std::uint64_t* untouched;
  const std::uint64_t* portal;
  Quad* walls;
  std::size_t from;  // the words [from, to) the slot holds bits in, so far
  std::size_t to;

  // `s` the squares settled at word i, `n` those beside.
  BIT_STEP_TARGET [[gnu::always_inline]] void operator()(std::size_t i, L s, L n) {
    n.store(next + i);
    // Where anything is beside, without a branch that would be guessed
    // wrong every few words: `none` is all ones where nothing is.
    const std::size_t none = static_cast<std::size_t>(!n.none()) - 1;
    from = std::min(from, i | none);
    to = std::max(to, (i + 1) & ~none);
    const L touched = n & L::all(untouched + i);
    if (!touched.none()) {
      (L::load(walls + i) | touched).store(walls + i);
      untouched[i] &= ~touched.joined();
    }
    const L hit = (s | touched) & L::all(portal + i);
    if (!hit.none()) note_hits(b, hit, i);
  }
};

// Settles row r, of W words, into `row` where the ring may hold bits in it
// (rows [from, to)); elsewhere `row` is nothing.
template <std::size_t W>
BIT_STEP_TARGET [[gnu::always_inline]] inline void settle_row(const Settle& settle, std::size_t r,
                                                              std::size_t from, std::size_t to,
                                                              std::array<L, W>& row, L& any) {
  for (std::size_t k = 0; k < W; ++k) {
    row[k] = r >= from && r < to ? settle(r * W + k) : L::zero();
    any = any | row[k];
  }
}

// The squares settled at the time in hand and what is beside them, on a
// map whose rows are W words: the rows before and after the one in hand
// are kept in registers, and no square of one row is beside the last of
// the row before. The words [from, to) are those the ring may hold bits
// in, `size` the board's. Gives all the squares settled.
template <std::size_t W>
BIT_STEP_TARGET [[gnu::always_inline]] inline L rows(const Settle& settle, Beside& beside,
                                                     std::size_t from, std::size_t to,
                                                     std::size_t size) {
  const std::size_t from_row = from / W;
  const std::size_t to_row = (to + W - 1) / W;
  // Within the map's rows, a row either side of those that settle.
  const std::size_t first = std::max(from_row, std::size_t{2}) - 1;
  const std::size_t last = std::min(to_row + 1, size / W - 1);
  L any = L::zero();
  std::array<L, W> before;
  std::array<L, W> row;
  std::array<L, W> after;
  for (std::size_t k = 0; k < W; ++k)
    before[k] = L::zero();  // rows before `from_row` settle nothing
  settle_row<W>(settle, first, from_row, to_row, row, any);
  for (std::size_t r = first; r < last; ++r) {
    settle_row<W>(settle, r + 1, from_row, to_row, after, any);
    for (std::size_t k = 0; k < W; ++k) {
      L n = row[k].up(1) | row[k].down(1) | before[k] | after[k];
      if (k > 0) n = n | row[k - 1].down(63);    // a word's last square
      if (k + 1 < W) n = n | row[k + 1].up(63);  // and its first, beside the words either side
      beside(r * W + k, row[k], n);
    }
    for (std::size_t k = 0; k < W; ++k) {
      before[k] = row[k];
      row[k] = after[k];
    }
  }
  return any;
}

// The step, for StepFunction.
BIT_STEP_TARGET [[gnu::always_inline]] inline bool run(BitWave::Boards& b, std::size_t t) {
  const std::size_t s1 = (t + 3) % 4;  // beside what was settled at t − 1
  const std::size_t s2 = (t + 2) % 4;  // at t − 2
  const std::size_t s3 = (t + 1) % 4;  // at t − 3
  const std::size_t out = t % 4;
  Quad* const next = b.ring[out].data();
  std::size_t from = b.size;
  std::size_t to = 0;
  for (const std::size_t slot : {s1, s2, s3}) {
    if (b.from[slot] < b.to[slot]) {
      from = std::min(from, b.from[slot]);
      to = std::max(to, b.to[slot]);
    }
  }
  const std::size_t words = b.words;
  const std::size_t first = std::max(from - words, words);
  const std::size_t last = std::min(to + words, b.size - words);
  // The slot of t − 4 makes room for t: what the step writes over need not
  // be cleared.
  const bool writes = from < to;
  const std::size_t kept_from = writes ? first : 0;
  const std::size_t kept_to = writes ? last : 0;
  for (std::size_t i = b.from[out]; i < std::min(b.to[out], kept_from); ++i)
    L::zero().store(next + i);
  for (std::size_t i = std::max(b.from[out], kept_to); i < b.to[out]; ++i)
    L::zero().store(next + i);
  b.from[out] = b.to[out] = 0;
  if (!writes) return false;
  // The squares each settles at t: not settled before t by anyone, entered
  // at t from beside what it settled at t − cost. All four players at once,
  // so that a square two of them enter at t is settled by both.
  const Quad* const r1 = b.ring[s1].data();
  const Quad* const r2 = b.ring[s2].data();
  const Quad* const r3 = b.ring[s3].data();
  const std::uint64_t* const o1 = b.open[0].data();
  const std::uint64_t* const o2 = b.open[1].data();
  const std::uint64_t* const o3 = b.open[2].data();
  std::uint64_t* const settled = b.settled.data();
  Quad* const own = b.own.data();
  L any = L::zero();
  const Settle settle{r1, r2, r3, o1, o2, o3, settled, own};
  // What is beside them, left, right, up and down (a word's end carries
  // into the next; the rows of nothing and the map's border keep every
  // carry inside), within the map's rows, one row behind the squares
  // settled: row y's needs those of row y + 1.
  Beside beside{b, next, b.untouched.data(), b.portal.data(), b.walls.data(), last, first};
  if (words <= 4) {
    // Rows of a few words: the rows before and after are kept at hand.
    switch (words) {
      case 1:
        any = rows<1>(settle, beside, from, to, b.size);
        break;
      case 2:
        any = rows<2>(settle, beside, from, to, b.size);
        break;
      case 3:
        any = rows<3>(settle, beside, from, to, b.size);
        break;
      default:
        any = rows<4>(settle, beside, from, to, b.size);
        break;
    }
  } else {
    Quad* const step = b.step.data();
    for (std::size_t i = from; i < first + words; ++i) {
      const L s = settle(i);
      s.store(step + i);
      any = any | s;
    }
    for (std::size_t i = first; i < last; ++i) {
      if (i + words < to) {
        const L s = settle(i + words);
        s.store(step + i + words);
        any = any | s;
      }
      const L s = L::load(step + i);
      beside(i, s,
             s.up(1) | L::load(step + i - 1).down(63) | s.down(1) | L::load(step + i + 1).up(63) |
                 L::load(step + i - words) | L::load(step + i + words));
      // Word i − words is no longer looked at: `step` is left all zeros.
      L::zero().store(step + i - words);
    }
    for (std::size_t i = std::max(last, first + words) - words; i < to; ++i)
      L::zero().store(step + i);
  }
  if (any.none()) return false;
  b.from[out] = beside.from;
  b.to[out] = std::max(beside.from, beside.to);
  return true;
}

// The squares, gold and gems reached first, for CountFunction: a square
// (or wall) one player reaches first is counted by popcount; the few that
// several reach first at once are counted bit by bit, by who reached them.
BIT_STEP_TARGET [[gnu::always_inline]] inline void count(const BitWave::Boards& b,
                                                         std::size_t players, FirstCounts& counts) {
  const std::size_t n = players;
  for (std::size_t i = b.words; i + b.words < b.size; ++i) {
    std::array<std::uint64_t, kMaxPlayers> own{};
    std::array<std::uint64_t, kMaxPlayers> any{};  // squares and walls
    std::uint64_t seen = 0;
    std::uint64_t several = 0;
    for (std::size_t p = 0; p < n; ++p) {
      own[p] = b.own[i].w[p];
      any[p] = own[p] | b.walls[i].w[p];
      several |= seen & any[p];
      seen |= any[p];
    }
    if (seen == 0) continue;
    for (std::size_t p = 0; p < n; ++p) {
      const std::uint64_t alone = any[p] & ~several;
      const std::size_t who = std::size_t{1} << p;
      counts.territory[who] += std::popcount(own[p] & alone);
      counts.gold[who] += std::popcount(b.gold[i] & alone);
      counts.gems[who] += std::popcount(b.gems[i] & alone);
    }
    for (std::uint64_t shared = several; shared != 0; shared &= shared - 1) {
      const std::uint64_t one = shared & (~shared + 1);
      std::size_t who = 0;
      std::uint64_t entered = 0;  // a square, not a wall, is in its reachers' own boards
      for (std::size_t p = 0; p < n; ++p) {
        who |= ((any[p] & one) != 0 ? std::size_t{1} : 0) << p;
        entered |= own[p] & one;
      }
      counts.territory[who] += entered != 0 ? 1 : 0;
      counts.gold[who] += (b.gold[i] & one) != 0 ? 1 : 0;
      counts.gems[who] += (b.gems[i] & one) != 0 ? 1 : 0;
    }
  }
}

}  // namespace tarnix::bit_step::BIT_STEP_NAMESPACE
