#include "tarnixmap/fairness/dig_time.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <string_view>

namespace tarnix {

namespace {

template <typename Time>
constexpr Time kUnreached = std::numeric_limits<Time>::max();

// The four neighbours of a square, as steps in the grid's memory: left,
// right, down, up. The frame keeps every step from a square that can be
// entered inside the grid: the outer ring is the border, always a wall,
// and the row ends (CR LF) are no tile code at all, so walls too.
std::array<std::ptrdiff_t, 4> steps(const TileGrid& grid) {
  const auto stride = static_cast<std::ptrdiff_t>(grid.stride());
  return {-1, 1, stride, -stride};
}

std::size_t step(std::size_t at, std::ptrdiff_t by) {
  return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(at) + by);
}

bool has_portal(const TileGrid& grid) {
  return grid.rows().find(tile::kPortal) != std::string_view::npos;
}

// A square reached first by the set of players `who` (as bits).
void count_first(FirstCounts& counts, std::uint8_t who, char code, bool passable) {
  counts.territory[who] += passable ? 1 : 0;
  counts.gold[who] += code == tile::kGold ? 1 : 0;
  counts.gems[who] += code == tile::kGems ? 1 : 0;
}

}  // namespace

// One wave of all players at once. A square's time is the least of all
// players' dig times to it, and its first reachers are the players whose
// own time it is: both are kept in one number, the time above four bits of
// players, so that the loop below stores nothing a byte wide (a store
// through bytes may alias anything, and would make the compiler load every
// pointer again). Times are taken in order, so when a square's turn comes
// every player who reaches it at that time has already said so: its shares
// are counted then. A wall is first touched from the squares whose turn is
// its reach time; once that time's squares are all done, so are its first
// reachers, and its shares are counted.
template <typename Time>
void DigTimes::first_wave(const TileGrid& grid, std::span<const HeartCentre> hearts,
                          const CostTable& costs, std::vector<Time>& packed,
                          std::span<StartFigures> starts, Meetings& meetings) {
  constexpr Time kWho = 15;
  constexpr Time kNever = kUnreached<Time>;  // no time, no one
  const std::size_t size = grid.rows().size();
  packed.assign(size, kNever);
  touched_.clear();
  reset_buckets(costs);
  const std::size_t ring = buckets_.ring.size();
  Time* const value = packed.data();
  for (std::size_t p = 0; p < hearts.size(); ++p) {
    const std::size_t at = grid.index(hearts[p].x, hearts[p].y);
    if (value[at] == kNever) {  // two hearts may share a centre
      value[at] = 0;
      buckets_.push(0, at);
      ++buckets_.pending;
    }
    value[at] |= Time{1} << p;
  }
  const char* const cells = grid.cells();
  const auto around = steps(grid);
  FirstCounts counts;
  std::uint64_t pending = buckets_.pending;
  std::size_t slot = 0;  // t modulo the ring
  for (Time t = 0; pending > 0;) {
    std::vector<std::size_t>& bucket = buckets_.ring[slot];
    pending -= bucket.size();
    for (const std::size_t at : bucket) {
      const Time here = value[at];
      if (here >> 4U != t) continue;  // improved since it was pushed
      const auto who = static_cast<std::uint8_t>(here & kWho);
      const char code = cells[at];
      // A centre that is a wall (--cost makes the heart one) is where its
      // player stands, but it is reached, as any wall, only from beside it.
      const bool entered = costs.passable(code);
      if (entered) {
        count_first(counts, who, code, true);
        meetings.beside[who] |= who;  // a square shared joins those who share it
        if (code == tile::kPortal) meetings.portal |= who;
      } else {
        value[at] = kNever;
      }
      for (const std::ptrdiff_t by : around) {
        const std::size_t next = step(at, by);
        const std::uint16_t cost = costs[cells[next]];
        const Time there = value[next];
        if (cost == CostTable::kWall) {
          if (!entered) continue;
          // A portal that is a wall is reached from beside it by whoever
          // gets there, first or not.
          if (cells[next] == tile::kPortal) meetings.portal |= who;
          if (there == kNever) {
            value[next] = t << 4U | who;
            touched_.push_back(next);
          } else if (there >> 4U == t) {
            value[next] = there | who;
          }
          continue;
        }
        const Time arrival = t + cost;
        if (arrival < there >> 4U) {
          value[next] = arrival << 4U | who;
          const std::size_t into = slot + cost < ring ? slot + cost : slot + cost - ring;
          buckets_.push(into, next);
          ++pending;
        } else if (arrival == there >> 4U) {
          value[next] = there | who;
        } else if (entered) {
          meetings.beside[who] |= static_cast<std::uint8_t>(there & kWho);
        }
      }
    }
    buckets_.clear(slot);
    for (const std::size_t wall : touched_) {
      const auto who = static_cast<std::uint8_t>(value[wall] & kWho);
      count_first(counts, who, cells[wall], false);
      if (cells[wall] == tile::kPortal) meetings.portal |= who;
    }
    touched_.clear();
    if (pending == 0) break;
    const std::size_t skip = buckets_.distance_to_next(slot);
    t += static_cast<Time>(skip);
    slot = slot + skip < ring ? slot + skip : slot + skip - ring;
  }
  buckets_.pending = 0;
  counts.share_out(starts);
}

// A portal's time for a player is the least of its squares' times: its
// first reachers are those who first reach a square of it at the least
// time of them all, and share it as they would a square.
template <typename Time>
void DigTimes::share_portals(const TileGrid& grid, const std::vector<Time>& packed,
                             std::span<StartFigures> starts) {
  FirstCounts counts;
  for (const PortalBlock& block : portals_.find(grid)) {
    Time least = kUnreached<Time>;
    std::uint8_t who = 0;
    for (std::size_t i = 0; i < block.count; ++i) {
      const Time value = packed[block.squares[i]];
      if (value == kUnreached<Time>) continue;
      if (value >> 4U < least) {
        least = value >> 4U;
        who = 0;
      }
      if (value >> 4U == least) who |= static_cast<std::uint8_t>(value & 15U);
    }
    ++counts.portals[who];  // who 0: reached by nobody, counted for nobody
  }
  counts.share_out(starts);
}

bool DigTimes::measure_first(const TileGrid& grid, std::span<const HeartCentre> hearts,
                             const CostTable& costs, std::span<StartFigures> starts) {
  for (StartFigures& s : starts) {
    s.gold_first = 0;
    s.gems_first = 0;
    s.portals_first = 0;
    s.territory = 0;
  }
  bits_first_ = false;
  const bool bits =
      kernel_ == WaveKernel::kAuto ? BitWave::pays(grid) : kernel_ != WaveKernel::kQueue;
  if (bits && BitWave::takes(grid, hearts, costs)) {
    // Every heart's centre can be entered: the bits tell who is sealed in.
    bits_.measure(grid, hearts, costs, portals_.find(grid), kernel_, every_wall_, starts);
    if (every_wall_) {
      // Who reaches each square first, kept a byte a square; the boards,
      // several times that, are given back before the players' own waves.
      bits_.first_reachers(grid, first_);
      bits_.release();
    }
    bits_first_ = true;
    return true;
  }
  Meetings meetings;
  packed_wide_ = !times_fit_32_bits(grid, costs);
  if (packed_wide_) {
    first_wave(grid, hearts, costs, time64_, starts, meetings);
    share_portals(grid, time64_, starts);
  } else {
    first_wave(grid, hearts, costs, time32_, starts, meetings);
    share_portals(grid, time32_, starts);
  }
  // A heart that is a wall joins no one through its centre: who meets whom
  // then says nothing of who can reach whom.
  for (const HeartCentre& h : hearts) {
    if (!costs.passable(grid.at(h.x, h.y))) return false;
  }
  // Players whose squares touch, or who share a square, reach each other,
  // and whatever the others reach.
  const std::size_t players = hearts.size();
  std::array<std::uint8_t, kMaxPlayers> group{};
  for (std::size_t p = 0; p < players; ++p)
    group[p] = static_cast<std::uint8_t>(1U << p);
  for (bool grew = true; grew;) {
    grew = false;
    for (unsigned who = 1; who < meetings.beside.size(); ++who) {
      const auto met = static_cast<std::uint8_t>(who | meetings.beside[who]);
      if (meetings.beside[who] == 0) continue;
      for (std::size_t p = 0; p < players; ++p) {
        if ((group[p] & met) != 0 && (group[p] | met) != group[p]) {
          group[p] |= met;
          grew = true;
        }
      }
    }
  }
  const bool portals = has_portal(grid);
  for (std::size_t p = 0; p < players; ++p) {
    const bool rival = (group[p] & ~(1U << p)) != 0;
    const bool portal = !portals || (group[p] & meetings.portal) != 0;
    starts[p].sealed = !rival || !portal;
  }
  return true;
}

bool times_fit_32_bits(const TileGrid& grid, const CostTable& costs) {
  const auto squares =
      static_cast<std::uint64_t>(grid.width()) * static_cast<std::uint64_t>(grid.height());
  // Four bits of the 32 hold who reaches first, in the wave of all players.
  return squares * costs.max_cost() < (std::uint64_t{1} << 28U) - 1;
}

std::span<const std::uint8_t> DigTimes::first_reachers() const {
  if (bits_first_) return first_;
  // The owners sit in the low four bits of each wave value; the border,
  // which no one reaches from inside the map's edge, is left to no one.
  const auto owners = [&](const auto& packed) {
    using Time = typename std::decay_t<decltype(packed)>::value_type;
    first_.resize(packed.size());
    for (std::size_t i = 0; i < packed.size(); ++i) {
      const bool reached = packed[i] != kUnreached<Time>;
      first_[i] = reached ? static_cast<std::uint8_t>(packed[i] & 15U) : 0;
    }
  };
  if (packed_wide_) {
    owners(time64_);
  } else {
    owners(time32_);
  }
  return first_;
}

void DigTimes::reset_buckets(const CostTable& costs) {
  const std::size_t ring = static_cast<std::size_t>(costs.max_cost()) + 1;
  buckets_.ring.resize(ring);
  for (std::vector<std::size_t>& bucket : buckets_.ring)
    bucket.clear();
  buckets_.filled.assign((ring + 63) / 64, 0);
  buckets_.pending = 0;
}

std::size_t DigTimes::Buckets::distance_to_next(std::size_t slot) const {
  const std::size_t size = ring.size();
  // The buckets after `slot` to the ring's end, then from its start.
  for (std::size_t from = slot + 1, lap = 0; lap < 2; from = 0, ++lap) {
    for (std::size_t w = from / 64; w < filled.size(); ++w) {
      std::uint64_t bits = filled[w];
      if (w == from / 64) bits &= ~std::uint64_t{0} << (from % 64);
      if (bits == 0) continue;
      const std::size_t next = w * 64 + static_cast<std::size_t>(std::countr_zero(bits));
      return next > slot ? next - slot : next + size - slot;
    }
  }
  return size;  // nothing anywhere: never, when the requirement holds
}

// One player's own wave, stopped once the times past `reach` have begun and
// the nearest two rivals' hearts (one, where there is only one) and (where
// the map has any) a portal have been reached: nothing it would find after
// that changes a figure.
template <typename Time>
void DigTimes::own_wave(const TileGrid& grid, std::span<const HeartCentre> hearts,
                        std::size_t player, const CostTable& costs, std::int64_t reach,
                        bool has_portals, std::vector<Time>& time, StartFigures& start) {
  const std::size_t size = grid.rows().size();
  time.assign(size, kUnreached<Time>);
  reset_buckets(costs);
  const std::size_t ring = buckets_.ring.size();
  std::array<std::size_t, kMaxPlayers> rivals{};
  std::size_t rival_count = 0;
  for (std::size_t q = 0; q < hearts.size(); ++q) {
    if (q != player) rivals[rival_count++] = grid.index(hearts[q].x, hearts[q].y);
  }
  // How many rivals' centres a square is: two hearts may share one.
  const auto rivals_at = [&](std::size_t at) {
    return std::count(rivals.begin(), rivals.begin() + static_cast<std::ptrdiff_t>(rival_count),
                      at);
  };
  start.gold_within = 0;
  start.portal_time.reset();
  start.rival_time.reset();
  start.second_rival_time.reset();
  // The times wanted: the nearest rival's, and the second nearest's where
  // there are two or more.
  const auto rivals_known = [&] {
    return start.rival_time && (rival_count < 2 || start.second_rival_time);
  };
  const char* cells = grid.cells();
  // What a square reached at time t tells: a square that can be entered
  // is reached when its turn comes, a wall when it is first touched from
  // a neighbour; either way no earlier time is left to come.
  const auto reached = [&](std::size_t at, Time t) {
    const char code = cells[at];
    if (code == tile::kGold && static_cast<std::int64_t>(t) <= reach) ++start.gold_within;
    if (code == tile::kPortal && !start.portal_time) start.portal_time = t;
    for (auto n = rivals_at(at); n > 0; --n) {
      if (!start.rival_time) {
        start.rival_time = t;
      } else if (!start.second_rival_time) {
        start.second_rival_time = t;
      }
    }
  };
  const std::size_t from = grid.index(hearts[player].x, hearts[player].y);
  time[from] = 0;
  buckets_.push(0, from);
  buckets_.pending = 1;
  // The centre is where the player stands, even where it cannot be
  // entered (--cost makes the heart a wall): the wave starts there, and
  // the centre counts as reached only as a wall would, from beside it.
  const bool centre_passable = costs.passable(cells[from]);
  const auto around = steps(grid);
  for (Time t = 0; buckets_.pending > 0;) {
    if (static_cast<std::int64_t>(t) > reach && rivals_known() &&
        (start.portal_time || !has_portals)) {
      break;
    }
    const std::size_t slot = t % ring;
    std::vector<std::size_t>& bucket = buckets_.ring[slot];
    for (const std::size_t at : bucket) {
      --buckets_.pending;
      if (time[at] != t) continue;
      const bool from_centre_wall = at == from && !centre_passable;
      // A centre that is a wall is reached, like any wall, only from
      // beside it: after the start its time is forgotten.
      if (from_centre_wall) time[at] = kUnreached<Time>;
      if (!from_centre_wall) reached(at, t);
      for (const std::ptrdiff_t by : around) {
        const std::size_t next = step(at, by);
        const std::uint16_t cost = costs[cells[next]];
        if (cost == CostTable::kWall) {
          // Walls are never queued: their time marks the first touch.
          if (time[next] == kUnreached<Time> && !from_centre_wall) {
            time[next] = t;
            reached(next, t);
          }
          continue;
        }
        const Time arrival = t + cost;
        if (arrival < time[next]) {
          time[next] = arrival;
          buckets_.push(arrival % ring, next);
          ++buckets_.pending;
        }
      }
    }
    buckets_.clear(slot);
    if (buckets_.pending > 0) t += static_cast<Time>(buckets_.distance_to_next(slot));
  }
  for (std::size_t slot = 0; slot < ring; ++slot)
    buckets_.clear(slot);
  start.sealed = !start.rival_time || (has_portals && !start.portal_time);
}

void DigTimes::measure_own(const TileGrid& grid, std::span<const HeartCentre> hearts,
                           const CostTable& costs, std::int64_t reach,
                           std::span<StartFigures> starts) {
  const bool portals = has_portal(grid);
  const bool narrow = times_fit_32_bits(grid, costs);
  for (std::size_t p = 0; p < hearts.size(); ++p) {
    if (narrow) {
      own_wave(grid, hearts, p, costs, reach, portals, own32_, starts[p]);
    } else {
      own_wave(grid, hearts, p, costs, reach, portals, own64_, starts[p]);
    }
  }
}

}  // namespace tarnix
