#include "tarnixmap/fairness/bit_wave.h"

#include <algorithm>
#include <bit>

// The step, once for every x86-64 and once for processors with AVX2.
#define BIT_STEP_NAMESPACE plain
#define BIT_STEP_TARGET
#define BIT_STEP_LANES Sse2Lanes
#define BIT_STEP_BYTES Sse2Bytes
#include "tarnixmap/fairness/bit_wave_step.h"  // NOLINT(bugprone-suspicious-include)
#undef BIT_STEP_NAMESPACE
#undef BIT_STEP_TARGET
#undef BIT_STEP_LANES
#undef BIT_STEP_BYTES
#define BIT_STEP_NAMESPACE avx2
#define BIT_STEP_TARGET [[gnu::target("avx2,popcnt")]]
#define BIT_STEP_LANES Avx2Lanes
#define BIT_STEP_BYTES Avx2Bytes
#include "tarnixmap/fairness/bit_wave_step.h"  // NOLINT(bugprone-suspicious-include)
#undef BIT_STEP_NAMESPACE
#undef BIT_STEP_TARGET
#undef BIT_STEP_LANES
#undef BIT_STEP_BYTES

namespace tarnix {

namespace {

bool plain_run(BitWave::Boards& boards, std::size_t t) {
  return bit_step::plain::run(boards, t);
}

// The same step, compiled for processors with AVX2: a word of each player
// at once in one register. Only ever called where the processor has AVX2.
[[gnu::target("avx2,popcnt")]] bool avx2_run(BitWave::Boards& boards, std::size_t t) {
  return bit_step::avx2::run(boards, t);
}

void plain_mark(const TileGrid& grid, std::size_t words, std::span<const CodeBoard> boards) {
  bit_step::plain::mark(grid, words, boards);
}
[[gnu::target("avx2,popcnt")]] void avx2_mark(const TileGrid& grid, std::size_t words,
                                              std::span<const CodeBoard> boards) {
  bit_step::avx2::mark(grid, words, boards);
}

void plain_count(const BitWave::Boards& boards, std::size_t players, FirstCounts& counts) {
  bit_step::plain::count(boards, players, counts);
}
[[gnu::target("avx2,popcnt")]] void avx2_count(const BitWave::Boards& boards, std::size_t players,
                                               FirstCounts& counts) {
  bit_step::avx2::count(boards, players, counts);
}

}  // namespace

bool has_avx2() {
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
}

Kernel plain_kernel() {
  return {plain_run, plain_mark, plain_count};
}
Kernel avx2_kernel() {
  return has_avx2() ? Kernel{avx2_run, avx2_mark, avx2_count} : plain_kernel();
}

bool BitWave::takes(const TileGrid& grid, std::span<const HeartCentre> hearts,
                    const CostTable& costs) {
  for (const TileCode& code : kTileCodes) {
    if (costs[code.code] > 3) return false;
  }
  return std::ranges::all_of(
      hearts, [&](const HeartCentre& h) { return costs.passable(grid.at(h.x, h.y)); });
}

bool BitWave::pays(const TileGrid& grid) {
  const auto width = static_cast<std::uint64_t>(grid.width());
  const auto height = static_cast<std::uint64_t>(grid.height());
  return (width + height) * ((width + 63) / 64) <= 6 * width;
}

std::size_t BitWave::bit_of(const TileGrid& grid, std::size_t square) const {
  const std::size_t x = square % grid.stride();
  const std::size_t y = square / grid.stride();
  return ((y + 1) * boards_.words + x / 64) * 64 + x % 64;
}

void BitWave::release() {
  Boards& b = boards_;
  b.each([](auto& board) { board.release(); });
  beside_.release();
}

void BitWave::load(const TileGrid& grid, const CostTable& costs,
                   std::span<const PortalBlock> portals, bool every_wall, const Kernel& kernel) {
  Boards& b = boards_;
  b.words = (static_cast<std::size_t>(grid.width()) + 63) / 64;
  b.size = b.words * (static_cast<std::size_t>(grid.height()) + 2);
  b.each([&b](auto& board) { board.clear(b.size); });
  b.from.fill(0);
  b.to.fill(0);
  b.hits.clear();
  // Each board's tile codes.
  std::array<CodeBoard, 6> boards{};
  boards[0].board = b.open[0].data();
  boards[1].board = b.open[1].data();
  boards[2].board = b.open[2].data();
  boards[3].board = b.untouched.data();
  boards[4].board = b.gold.data();
  boards[5].board = b.gems.data();
  const auto add = [](CodeBoard& board, char code) { board.codes[board.count++] = code; };
  for (const TileCode& tile : kTileCodes) {
    const std::uint16_t cost = costs[tile.code];
    const bool gold = tile.code == tile::kGold;
    const bool gems = tile.code == tile::kGems;
    if (cost != CostTable::kWall) {
      add(boards[cost - 1U], tile.code);
    } else if (every_wall || gold || gems || tile.code == tile::kPortal) {
      add(boards[3], tile.code);
    }
    if (gold) add(boards[4], tile.code);
    if (gems) add(boards[5], tile.code);
  }
  std::size_t used = 0;  // the boards some code is marked on, moved to the front
  for (const CodeBoard& board : boards) {
    if (board.count > 0) boards[used++] = board;
  }
  kernel.mark(grid, b.words, std::span<const CodeBoard>(boards).first(used));
  portals_.bit_portal.clear();
  portals_.who.assign(portals.size(), 0);
  for (std::size_t k = 0; k < portals.size(); ++k) {
    for (std::size_t i = 0; i < portals[k].count; ++i) {
      const std::size_t bit = bit_of(grid, portals[k].squares[i]);
      b.portal[bit / 64] |= std::uint64_t{1} << (bit % 64);
      portals_.bit_portal.emplace_back(bit, k);
    }
  }
  std::ranges::sort(portals_.bit_portal);
}

// Time 0: each player settles its heart's centre (two hearts may share
// one); what is beside it is its slot of time 0, and the walls there are
// touched at 0, by every player beside them.
void BitWave::start(const TileGrid& grid, std::span<const HeartCentre> hearts) {
  Boards& b = boards_;
  const std::size_t words = b.words;
  b.from[0] = b.size;
  b.to[0] = 0;
  std::array<std::pair<std::size_t, std::uint64_t>, std::size_t{4} * kMaxPlayers> touched{};
  std::size_t touches = 0;
  for (std::size_t p = 0; p < player_count_; ++p) {
    const std::size_t bit = bit_of(grid, grid.index(hearts[p].x, hearts[p].y));
    b.own[bit / 64].w[p] |= std::uint64_t{1} << (bit % 64);
    // A centre lies inside the frame: its neighbours are on the board.
    for (const std::size_t beside : {bit - 1, bit + 1, bit - 64 * words, bit + 64 * words}) {
      const std::size_t at = beside / 64;
      const std::uint64_t one = std::uint64_t{1} << (beside % 64);
      b.ring[0][at].w[p] |= one;
      if ((b.untouched[at] & one) == 0) continue;
      b.walls[at].w[p] |= one;
      touched[touches++] = {at, one};
      if ((b.portal[at] & one) != 0) b.hits.emplace_back(p, beside);
    }
    const std::size_t word = bit / 64;
    b.from[0] = std::min(b.from[0], word - words);
    b.to[0] = std::max(b.to[0], word + words + 1);
  }
  for (std::size_t p = 0; p < player_count_; ++p) {
    const std::size_t bit = bit_of(grid, grid.index(hearts[p].x, hearts[p].y));
    b.settled[bit / 64] |= std::uint64_t{1} << (bit % 64);
  }
  for (std::size_t i = 0; i < touches; ++i)
    b.untouched[touched[i].first] &= ~touched[i].second;
  note_portals();
}

// The portals reached at the time in hand: the first reachers of a portal
// are those who reach one of its squares at the least time. No one later
// is one.
void BitWave::note_portals() {
  if (boards_.hits.empty()) return;
  for (const auto& [player, bit] : boards_.hits) {
    const auto found =
        std::ranges::lower_bound(portals_.bit_portal, std::pair<std::size_t, std::size_t>{bit, 0});
    portals_.who[found->second] |= static_cast<std::uint8_t>(1U << player);
  }
  boards_.hits.clear();
  for (const auto& [bit, portal] : portals_.bit_portal) {
    if (portals_.who[portal] != 0) boards_.portal[bit / 64] &= ~(std::uint64_t{1} << (bit % 64));
  }
}

// Times from 1 on, until three in a row settle nothing: no entry costs
// more than 3, so nothing is left to come.
void BitWave::spread(const Kernel& kernel) {
  for (std::size_t t = 1, idle = 0; idle < 3; ++t) {
    const bool any = kernel.step(boards_, t);
    note_portals();
    idle = any ? 0 : idle + 1;
  }
}

void BitWave::measure(const TileGrid& grid, std::span<const HeartCentre> hearts,
                      const CostTable& costs, std::span<const PortalBlock> portals,
                      WaveKernel kernel, bool every_wall, std::span<StartFigures> starts) {
  player_count_ = hearts.size();
  const Kernel run = kernel == WaveKernel::kPlain ? plain_kernel() : avx2_kernel();
  load(grid, costs, portals, every_wall, run);
  start(grid, hearts);
  spread(run);
  FirstCounts counts;
  run.count(boards_, player_count_, counts);
  for (const std::uint8_t who : portals_.who)
    ++counts.portals[who];  // who 0: reached by nobody, counted for nobody
  counts.share_out(starts);
  seal(starts);
}

// Who is sealed in. Two players reach each other where their squares meet
// or touch: a player's squares hold every square of its shortest paths, and
// the squares reached from the hearts are all someone's, so a path between
// two hearts runs through squares of players who meet one after another.
// A group of players who meet reaches a portal where any of them has a
// portal square, or touches one that is a wall.
void BitWave::seal(std::span<StartFigures> starts) {
  const Boards& b = boards_;
  const std::size_t n = player_count_;
  const std::size_t words = b.words;
  std::array<std::uint8_t, kMaxPlayers> group{};
  std::uint8_t at_portal = 0;
  beside_.clear(b.size);
  for (std::size_t p = 0; p < n; ++p) {
    group[p] = static_cast<std::uint8_t>(1U << p);
    const auto own = [&](std::size_t i) { return b.own[i].w[p]; };
    for (std::size_t i = words; i + words < b.size; ++i) {
      beside_[i] = own(i) | (own(i) << 1U) | (own(i - 1) >> 63U) | (own(i) >> 1U) |
                   (own(i + 1) << 63U) | own(i - words) | own(i + words);
    }
    for (std::size_t q = 0; q < n; ++q) {
      for (std::size_t i = words; q != p && i + words < b.size; ++i) {
        if ((beside_[i] & b.own[i].w[q]) != 0) {
          group[p] |= static_cast<std::uint8_t>(1U << q);
          break;
        }
      }
    }
    for (const auto& [bit, portal] : portals_.bit_portal) {
      if ((beside_[bit / 64] >> (bit % 64) & 1U) != 0)
        at_portal |= static_cast<std::uint8_t>(1U << p);
    }
  }
  // Meeting is passed on: a meets b and b meets c join a and c.
  for (std::size_t round = 0; round < n; ++round) {
    for (std::size_t p = 0; p < n; ++p) {
      for (std::size_t q = 0; q < n; ++q) {
        if ((group[p] >> q & 1U) != 0) group[p] |= group[q];
      }
    }
  }
  const bool portals = !portals_.bit_portal.empty();
  for (std::size_t p = 0; p < n; ++p) {
    const bool rival = (group[p] & ~(1U << p)) != 0;
    const bool portal = !portals || (group[p] & at_portal) != 0;
    starts[p].sealed = !rival || !portal;
  }
}

void BitWave::first_reachers(const TileGrid& grid, std::vector<std::uint8_t>& out) const {
  const Boards& b = boards_;
  out.assign(grid.rows().size(), 0);
  for (std::int32_t y = 0; y < grid.height(); ++y) {
    const std::size_t row = (static_cast<std::size_t>(y) + 1) * b.words;
    std::uint8_t* const squares = out.data() + grid.index(0, y);
    for (std::size_t word = 0; word < b.words; ++word) {
      std::array<std::uint64_t, kMaxPlayers> any{};
      for (std::size_t p = 0; p < player_count_; ++p)
        any[p] = b.own[row + word].w[p] | b.walls[row + word].w[p];
      const std::size_t x0 = word * 64;
      const std::size_t end =
          std::min<std::size_t>(64, static_cast<std::size_t>(grid.width()) - x0);
      for (std::size_t x = 0; x < end; ++x) {
        unsigned who = 0;
        for (std::size_t p = 0; p < player_count_; ++p)
          who |= static_cast<unsigned>(any[p] >> x & 1U) << p;
        squares[x0 + x] = static_cast<std::uint8_t>(who);
      }
    }
  }
}

}  // namespace tarnix
