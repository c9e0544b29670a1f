#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "tarnixmap/fairness/costs.h"
#include "tarnixmap/fairness/portal_blocks.h"
#include "tarnixrandommap/grid/tile_grid.h"
#include "tarnixrandommap/placement/hearts.h"
#include "tarnixrandommap/placement/symmetry.h"

namespace tarnix {

inline constexpr std::int64_t kMaxDiggers = 64;
inline constexpr std::int64_t kMaxRaceTime = 100000;
inline constexpr std::int64_t kMaxRacePeriod = 100000;

// The opening of a game, played: how a race is run.
struct RaceOptions {
  CostTable costs;                 // the dig time of each tile code
  std::int32_t diggers = 4;        // each player's, at its heart at time 0
  std::int32_t time = 400;         // the race ends at this time, T
  std::int32_t gem_period = 8;     // a digger beside a gem mines a unit of gold every so often
  std::int32_t portal_period = 8;  // a claimed portal pays its owners a unit every so often
};

// What one player has at the end, and on the way.
struct RacePlayer {
  std::array<std::int64_t, 3> gold{};  // at T / 4, T / 2 and T
  std::int64_t floor = 0;              // squares of its floor at T
  std::int32_t portals = 0;            // portals it claimed (alone or with others at once)
  // The time its floor first touched each player's (its own: none).
  std::array<std::optional<std::int32_t>, kMaxPlayers> contact{};
};

// How uneven a race ended: the spread of the players' gold at its end, as
// the score measures a figure's (the most less the least, over the most;
// 0 when no one has any).
[[nodiscard]] double race_fairness(std::span<const RacePlayer> players);

// The race of all players over one map. Deterministic, and alike for every
// player: on a map that follows a symmetric layout every player's records
// are the same. Keeps its memory from one map to the next.
class Race {
 public:
  // Requires: a framed grid with 2 to 4 hearts inside it; `options` with
  // 1 or more diggers, a time of 1 or more, and periods of 1 or more.
  [[nodiscard]] std::vector<RacePlayer> run(const TileGrid& grid,
                                            std::span<const HeartCentre> hearts,
                                            const RaceOptions& options);

  // After run: whose floor each square is at the race's end, by grid index,
  // as a bit per player (0 for a square that is nobody's).
  [[nodiscard]] std::vector<std::uint8_t> floor_owners() const;

 private:
  // What a digger is doing.
  enum class Doing : std::uint8_t {
    kIdle,    // choosing its next target at the time in hand
    kMoving,  // entering `next`, done at `done_at`
    kMining,  // beside a gem since `done_at`
  };
  struct Digger {
    std::size_t at = 0;
    std::size_t next = 0;
    std::int32_t done_at = 0;
    Doing doing = Doing::kIdle;
    std::size_t target = 0;         // the square its path ends on
    std::size_t gem = 0;            // the gem it goes to mine, or mines
    bool for_gem = false;           // whether the target is beside a gem
    std::vector<std::size_t> path;  // the squares still to enter, the next last
  };
  // A player's own view of the map: the order it tries directions and
  // breaks ties in, the same for every player of a symmetric map.
  struct Frame {
    std::array<std::ptrdiff_t, 4> steps{};
    std::optional<SymmetryLayout> layout;
    std::int32_t copy = 0;  // the copy that takes a square to player 1's view
  };

  void start(const TileGrid& grid, std::span<const HeartCentre> hearts);
  void enter_squares(std::int32_t t);
  void claim(std::size_t player, std::size_t square, std::int32_t t);
  void pay(std::int32_t t);
  void plan(std::size_t player, Digger& digger, std::int32_t t);
  void set_off(std::size_t player, Digger& digger, std::int32_t t);
  [[nodiscard]] std::uint64_t order_key(std::size_t player, std::size_t square) const;
  [[nodiscard]] bool can_enter(std::size_t player, std::size_t square) const;
  [[nodiscard]] std::int32_t entry_time(std::size_t player, std::size_t square) const;

  const TileGrid* grid_ = nullptr;
  RaceOptions options_;
  std::size_t players_ = 0;
  std::vector<std::uint8_t> owner_;          // 0 nobody, p + 1 player p, kBlocked
  std::vector<std::int32_t> portal_of_;      // the portal a square is of, or −1
  std::vector<std::uint8_t> portal_owners_;  // one bit a player
  std::vector<std::int32_t> portal_since_;
  std::array<Frame, kMaxPlayers> frames_;
  std::array<std::vector<Digger>, kMaxPlayers> diggers_;
  std::vector<RacePlayer> records_;
  PortalFinder portals_;
  // Planning: dig times from the digger, and a bucket queue, a bucket a
  // time to come modulo the dearest entry.
  std::vector<std::int32_t> dist_;
  std::vector<std::vector<std::size_t>> buckets_;
  std::vector<std::size_t> reached_;  // the squares `dist_` holds a time for
};

}  // namespace tarnix
