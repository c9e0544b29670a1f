#include "tarnixmap/fairness/dig_time.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <string_view>

namespace tarnix {

namespace {

// Twelve twelfths make a square: a square shared by k players gives each
// 12 / k, a whole number for k = 1 … 4.
constexpr std::int64_t kWholeSquare = 12;

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

}  // namespace

bool times_fit_32_bits(const TileGrid& grid, const CostTable& costs) {
  const auto squares =
      static_cast<std::uint64_t>(grid.width()) * static_cast<std::uint64_t>(grid.height());
  return squares * costs.max_cost() < std::numeric_limits<std::uint32_t>::max();
}

void DigTimes::reset_buckets(const CostTable& costs) {
  buckets_.ring.resize(static_cast<std::size_t>(costs.max_cost()) + 1);
  for (std::vector<std::size_t>& bucket : buckets_.ring)
    bucket.clear();
  buckets_.pending = 0;
}

// One wave of all players at once. A square's time is the least of all
// players' dig times to it, and its first reachers are the players whose
// own time it is. Times are taken in order, so when a square's turn comes
// every player who reaches it at that time has already said so.
template <typename Time>
void DigTimes::first_wave(const TileGrid& grid, std::span<const HeartCentre> hearts,
                          const CostTable& costs, std::vector<Time>& time) {
  const std::size_t size = grid.rows().size();
  time.assign(size, kUnreached<Time>);
  first_.assign(size, 0);
  reset_buckets(costs);
  const std::size_t ring = buckets_.ring.size();
  for (std::size_t p = 0; p < hearts.size(); ++p) {
    const std::size_t at = grid.index(hearts[p].x, hearts[p].y);
    if (time[at] != 0) {  // two hearts may share a centre
      time[at] = 0;
      buckets_.ring[0].push_back(at);
      ++buckets_.pending;
    }
    first_[at] |= static_cast<std::uint8_t>(1U << p);
  }
  const char* cells = grid.cells();
  const auto around = steps(grid);
  for (Time t = 0; buckets_.pending > 0; ++t) {
    std::vector<std::size_t>& bucket = buckets_.ring[t % ring];
    for (std::size_t k = 0; k < bucket.size(); ++k) {
      const std::size_t at = bucket[k];
      --buckets_.pending;
      if (time[at] != t) continue;  // improved since it was pushed
      const std::uint8_t who = first_[at];
      for (const std::ptrdiff_t by : around) {
        const std::size_t next = step(at, by);
        const std::uint16_t cost = costs[cells[next]];
        if (cost == CostTable::kWall) continue;
        const Time arrival = t + cost;
        if (arrival < time[next]) {
          time[next] = arrival;
          first_[next] = who;
          buckets_.ring[arrival % ring].push_back(next);
          ++buckets_.pending;
        } else if (arrival == time[next]) {
          first_[next] |= who;
        }
      }
    }
    bucket.clear();
  }
}

void DigTimes::measure_first(const TileGrid& grid, std::span<const HeartCentre> hearts,
                             const CostTable& costs, std::span<StartFigures> starts) {
  const bool narrow = times_fit_32_bits(grid, costs);
  if (narrow) {
    first_wave(grid, hearts, costs, time32_);
  } else {
    first_wave(grid, hearts, costs, time64_);
  }
  const auto time_at = [&](std::size_t at) -> std::uint64_t {
    if (narrow) {
      return time32_[at] == kUnreached<std::uint32_t> ? kUnreached<std::uint64_t> : time32_[at];
    }
    return time64_[at];
  };
  for (StartFigures& s : starts) {
    s.gold_first = 0;
    s.gems_first = 0;
    s.territory = 0;
  }
  const char* cells = grid.cells();
  const auto around = steps(grid);
  // The outer ring is the border, a wall nobody stands beside from inside
  // the map's edge: it is left to nobody, and every other square has its
  // four neighbours in the grid.
  for (std::int32_t y = 0; y < grid.height(); ++y) {
    for (std::int32_t x = 0; x < grid.width(); ++x) {
      const std::size_t at = grid.index(x, y);
      if (y == 0 || y == grid.height() - 1 || x == 0 || x == grid.width() - 1) {
        first_[at] = 0;
        continue;
      }
      const char code = cells[at];
      const bool passable = costs.passable(code);
      std::uint8_t who = 0;
      if (passable) {
        who = time_at(at) == kUnreached<std::uint64_t> ? 0 : first_[at];
      } else {
        // A wall is reached from its nearest neighbours: first by whoever
        // reaches one of those first.
        std::uint64_t least = kUnreached<std::uint64_t>;
        for (const std::ptrdiff_t by : around) {
          const std::size_t next = step(at, by);
          if (!costs.passable(cells[next])) continue;
          const std::uint64_t t = time_at(next);
          if (t < least) {
            least = t;
            who = first_[next];
          } else if (t == least && t != kUnreached<std::uint64_t>) {
            who |= first_[next];
          }
        }
      }
      first_[at] = who;
      if (who == 0) continue;
      const std::int64_t share = kWholeSquare / std::popcount(static_cast<unsigned>(who));
      for (std::size_t p = 0; p < starts.size(); ++p) {
        if ((who >> p & 1U) == 0) continue;
        if (passable) starts[p].territory += share;
        if (code == tile::kGold) starts[p].gold_first += share;
        if (code == tile::kGems) starts[p].gems_first += share;
      }
    }
  }
}

// One player's own wave, stopped once the times past `reach` have begun and
// both a rival's heart and (where the map has any) a portal have been
// reached: nothing it would find after that changes a figure.
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
  const auto is_rival = [&](std::size_t at) {
    return std::find(rivals.begin(), rivals.begin() + static_cast<std::ptrdiff_t>(rival_count),
                     at) != rivals.begin() + static_cast<std::ptrdiff_t>(rival_count);
  };
  start.gold_within = 0;
  start.portal_time.reset();
  start.rival_time.reset();
  const char* cells = grid.cells();
  // What a square reached at time t tells: a square that can be entered
  // is reached when its turn comes, a wall when it is first touched from
  // a neighbour; either way no earlier time is left to come.
  const auto reached = [&](std::size_t at, Time t) {
    const char code = cells[at];
    if (code == tile::kGold && static_cast<std::int64_t>(t) <= reach) ++start.gold_within;
    if (code == tile::kPortal && !start.portal_time) start.portal_time = t;
    if (!start.rival_time && is_rival(at)) start.rival_time = t;
  };
  const std::size_t from = grid.index(hearts[player].x, hearts[player].y);
  time[from] = 0;
  buckets_.ring[0].push_back(from);
  buckets_.pending = 1;
  // The centre is where the player stands, even where it cannot be
  // entered (--cost makes the heart a wall): the wave starts there, and
  // the centre counts as reached only as a wall would, from beside it.
  const bool centre_passable = costs.passable(cells[from]);
  const auto around = steps(grid);
  for (Time t = 0; buckets_.pending > 0; ++t) {
    if (static_cast<std::int64_t>(t) > reach && start.rival_time &&
        (start.portal_time || !has_portals)) {
      break;
    }
    std::vector<std::size_t>& bucket = buckets_.ring[t % ring];
    for (std::size_t k = 0; k < bucket.size(); ++k) {
      const std::size_t at = bucket[k];
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
          buckets_.ring[arrival % ring].push_back(next);
          ++buckets_.pending;
        }
      }
    }
    bucket.clear();
  }
  for (std::vector<std::size_t>& bucket : buckets_.ring)
    bucket.clear();
  start.sealed = !start.rival_time || (has_portals && !start.portal_time);
}

void DigTimes::measure_own(const TileGrid& grid, std::span<const HeartCentre> hearts,
                           const CostTable& costs, std::int64_t reach,
                           std::span<StartFigures> starts) {
  const bool portals = has_portal(grid);
  const bool narrow = times_fit_32_bits(grid, costs);
  for (std::size_t p = 0; p < hearts.size(); ++p) {
    if (narrow) {
      own_wave(grid, hearts, p, costs, reach, portals, time32_, starts[p]);
    } else {
      own_wave(grid, hearts, p, costs, reach, portals, time64_, starts[p]);
    }
  }
}

}  // namespace tarnix
