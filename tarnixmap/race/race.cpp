#include "tarnixmap/race/race.h"

#include <algorithm>
#include <limits>

namespace tarnix {

namespace {

constexpr std::uint8_t kBlocked = 0xFF;  // reached by two players at once: nobody's
constexpr std::int32_t kUnreached = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kWait = 16;  // how long a digger with nothing to do waits to look again

// A value per time, as a fraction: `value / (per * time)`.
struct Worth {
  std::int64_t value = 0;
  std::int64_t per = 1;
  std::int64_t time = 1;

  // Whether this is worth more than `other`.
  [[nodiscard]] bool above(const Worth& other) const {
    return value * other.per * other.time > other.value * per * time;
  }
  [[nodiscard]] bool equal(const Worth& other) const {
    return value * other.per * other.time == other.value * per * time;
  }
};

}  // namespace

double race_fairness(std::span<const RacePlayer> players) {
  std::int64_t most = 0;
  std::int64_t least = players.empty() ? 0 : players[0].gold[2];
  for (const RacePlayer& p : players) {
    most = std::max(most, p.gold[2]);
    least = std::min(least, p.gold[2]);
  }
  return most > 0 ? static_cast<double>(most - least) / static_cast<double>(most) : 0;
}

std::vector<std::uint8_t> Race::floor_owners() const {
  std::vector<std::uint8_t> bits(owner_.size(), 0);
  for (std::size_t i = 0; i < owner_.size(); ++i) {
    const std::uint8_t owner = owner_[i];
    if (owner != 0 && owner != kBlocked) bits[i] = static_cast<std::uint8_t>(1U << (owner - 1U));
  }
  return bits;
}

std::vector<RacePlayer> Race::run(const TileGrid& grid, std::span<const HeartCentre> hearts,
                                  const RaceOptions& options) {
  grid_ = &grid;
  options_ = options;
  players_ = hearts.size();
  start(grid, hearts);
  const std::int32_t end = options.time;
  const std::array<std::int32_t, 3> checks = {end / 4, end / 2, end};
  for (std::int32_t t = 0;; ++t) {
    enter_squares(t);
    pay(t);
    for (std::size_t c = 0; c < checks.size(); ++c) {
      if (t != checks[c]) continue;
      for (std::size_t p = 0; p < players_; ++p)
        records_[p].gold[c] = records_[p].gold[2];
    }
    if (t == end) break;
    for (std::size_t p = 0; p < players_; ++p) {
      for (Digger& digger : diggers_[p]) {
        if (digger.doing == Doing::kIdle && digger.done_at <= t) plan(p, digger, t);
      }
    }
  }
  for (const std::uint8_t held : owner_) {
    if (held != 0 && held != kBlocked) ++records_[held - 1U].floor;
  }
  return records_;
}

void Race::start(const TileGrid& grid, std::span<const HeartCentre> hearts) {
  const std::size_t size = grid.rows().size();
  owner_.assign(size, 0);
  records_.assign(players_, RacePlayer{});
  const char* cells = grid.cells();
  for (std::int32_t y = 0; y < grid.height(); ++y) {
    for (std::int32_t x = 0; x < grid.width(); ++x) {
      const std::size_t at = grid.index(x, y);
      for (std::size_t p = 0; p < players_; ++p) {
        if (cells[at] == tile::heart(static_cast<int>(p)))
          owner_[at] = static_cast<std::uint8_t>(p + 1);
      }
    }
  }
  const std::vector<PortalBlock>& blocks = portals_.find(grid);
  portal_of_.assign(size, -1);
  portal_owners_.assign(blocks.size(), 0);
  portal_since_.assign(blocks.size(), 0);
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    for (std::size_t i = 0; i < blocks[k].count; ++i)
      portal_of_[blocks[k].squares[i]] = static_cast<std::int32_t>(k);
  }
  // Each player's view: on a symmetric map, the copy of the layout that
  // takes its squares to player 1's, and the directions that are player
  // 1's up, left, right and down seen from there.
  const std::optional<Symmetry> symmetry = find_symmetry(grid, hearts);
  const auto stride = static_cast<std::ptrdiff_t>(grid.stride());
  const std::array<std::ptrdiff_t, 4> plain = {-stride, -1, 1, stride};
  const HeartCentre middle{grid.width() / 2, grid.height() / 2};
  for (std::size_t p = 0; p < players_; ++p) {
    Frame& frame = frames_[p];
    frame.layout.reset();
    frame.copy = 0;
    frame.steps = plain;
    if (!symmetry) continue;
    frame.layout.emplace(*symmetry, grid.width(), grid.height());
    const auto k = static_cast<std::int32_t>(p);
    frame.copy = *symmetry == Symmetry::kRot4 ? (4 - k) % 4 : k;
    const HeartCentre seen = frame.layout->image(middle, k);
    const std::array<HeartCentre, 4> around = {
        HeartCentre{middle.x, middle.y - 1}, HeartCentre{middle.x - 1, middle.y},
        HeartCentre{middle.x + 1, middle.y}, HeartCentre{middle.x, middle.y + 1}};
    for (std::size_t d = 0; d < around.size(); ++d) {
      const HeartCentre image = frame.layout->image(around[d], k);
      frame.steps[d] = static_cast<std::ptrdiff_t>(grid.index(image.x, image.y)) -
                       static_cast<std::ptrdiff_t>(grid.index(seen.x, seen.y));
    }
  }
  for (std::size_t p = 0; p < players_; ++p) {
    diggers_[p].assign(static_cast<std::size_t>(options_.diggers), Digger{});
    for (Digger& digger : diggers_[p])
      digger.at = grid.index(hearts[p].x, hearts[p].y);
  }
  // One more bucket than the dearest entry, walking one's own floor (1)
  // included, whatever the table makes walls.
  const std::size_t ring =
      static_cast<std::size_t>(std::max<std::uint16_t>(options_.costs.max_cost(), 1)) + 1;
  buckets_.resize(ring);
  dist_.assign(size, kUnreached);
  reached_.clear();
}

std::uint64_t Race::order_key(std::size_t player, std::size_t square) const {
  const Frame& frame = frames_[player];
  const auto x = static_cast<std::int32_t>(square % grid_->stride());
  const auto y = static_cast<std::int32_t>(square / grid_->stride());
  if (!frame.layout) return square;
  const HeartCentre seen = frame.layout->image({x, y}, frame.copy);
  return grid_->index(seen.x, seen.y);
}

std::int32_t Race::entry_time(std::size_t player, std::size_t square) const {
  const std::uint8_t owner = owner_[square];
  if (owner == player + 1) return 1;
  if (owner != 0) return 0;
  const char code = grid_->cells()[square];
  if (code == tile::kGems) return 0;  // mined from beside, never entered
  return options_.costs[code];
}

bool Race::can_enter(std::size_t player, std::size_t square) const {
  return entry_time(player, square) > 0;
}

void Race::plan(std::size_t player, Digger& digger, std::int32_t t) {
  const char* cells = grid_->cells();
  const std::int64_t left = options_.time - t;
  const std::uint64_t squares = grid_->rows().size();
  // Targets another digger of the player already goes for.
  const auto taken = [&](std::size_t square, bool gem) {
    return std::ranges::any_of(diggers_[player], [&](const Digger& other) {
      return &other != &digger && other.doing != Doing::kIdle &&
             (gem ? other.for_gem && other.gem == square
                  : !other.for_gem && other.target == square);
    });
  };
  struct Choice {
    Worth worth;
    std::int32_t time = kUnreached;
    std::uint64_t key = 0;
    std::size_t square = 0;
    std::size_t gem = 0;
    bool for_gem = false;
    bool found = false;
  };
  // The best target: the most worth, then the nearest, then the first in
  // the player's own order of squares.
  Choice best;
  const auto consider = [&](const Choice& c) {
    const bool better = !best.found || c.worth.above(best.worth) ||
                        (c.worth.equal(best.worth) &&
                         (c.time < best.time || (c.time == best.time && c.key < best.key)));
    if (better) best = c;
  };
  // The most any target can be worth, over the time to reach it: a portal
  // nobody holds pays to the end, anything else a unit.
  const bool open_portal =
      std::ranges::any_of(portal_owners_, [](std::uint8_t o) { return o == 0; });
  const std::int64_t most =
      open_portal ? std::max<std::int64_t>(left, options_.portal_period) : options_.portal_period;
  Choice nearest;  // the nearest square nobody holds, where nothing is worth anything
  // Dig times from the digger over what the player can enter, square by
  // square in order of time, trying directions in the player's order;
  // targets are weighed as their squares come, until none farther can win.
  for (const std::size_t at : reached_)
    dist_[at] = kUnreached;
  reached_.clear();
  for (std::vector<std::size_t>& bucket : buckets_)
    bucket.clear();
  const std::size_t ring = buckets_.size();
  dist_[digger.at] = 0;
  reached_.push_back(digger.at);
  buckets_[0].push_back(digger.at);
  std::size_t pending = 1;
  for (std::int32_t d = 0; pending > 0; ++d) {
    if (best.found && d > best.time &&
        !Worth{most, options_.portal_period, std::max<std::int64_t>(d, 1)}.above(best.worth)) {
      break;  // farther, and worth no more: nothing to come can win
    }
    // No square is pushed into the bucket in hand: every entry costs 1 to
    // the dearest, less than the ring.
    std::vector<std::size_t>& bucket = buckets_[static_cast<std::size_t>(d) % ring];
    for (const std::size_t at : bucket) {
      --pending;
      if (dist_[at] != d) continue;
      const std::int64_t time = std::max<std::int32_t>(d, 1);
      const char code = cells[at];
      if (owner_[at] == 0) {
        const std::uint64_t key = order_key(player, at);
        if (!nearest.found || d < nearest.time || (d == nearest.time && key < nearest.key))
          nearest = {{0, 1, 1}, d, key, at, 0, false, true};
        if (code == tile::kGold && !taken(at, false))
          consider({{1, 1, time}, d, order_key(player, at), at, 0, false, true});
        if (portal_of_[at] >= 0 && portal_owners_[static_cast<std::size_t>(portal_of_[at])] == 0 &&
            left - d > 0 && !taken(at, false)) {
          consider({{left - d, options_.portal_period, time},
                    d,
                    order_key(player, at),
                    at,
                    0,
                    false,
                    true});
        }
      }
      for (const std::ptrdiff_t by : frames_[player].steps) {
        const auto next = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(at) + by);
        if (cells[next] == tile::kGems && left - d > 0 && !taken(next, true)) {
          // A unit of gold for the way there and a period's mining; then
          // the miner chooses again, and may stay.
          consider({{1, 1, d + options_.gem_period},
                    d,
                    order_key(player, next) * squares + order_key(player, at),
                    at,
                    next,
                    true,
                    true});
        }
        const std::int32_t cost = entry_time(player, next);
        if (cost == 0 || d + cost >= dist_[next]) continue;
        if (dist_[next] == kUnreached) reached_.push_back(next);
        dist_[next] = d + cost;
        buckets_[static_cast<std::size_t>(d + cost) % ring].push_back(next);
        ++pending;
      }
    }
    bucket.clear();
  }
  if (!best.found) best = nearest;  // nothing of value within reach: ground
  if (!best.found) {
    digger.done_at = t + kWait;
    return;
  }
  digger.target = best.square;
  digger.gem = best.gem;
  digger.for_gem = best.for_gem;
  // The way back from the target: from each square, the first square in
  // the player's order of directions that it is entered from on a
  // quickest way (every square nearer than the one in hand has its time).
  digger.path.clear();
  for (std::size_t at = best.square; at != digger.at;) {
    digger.path.push_back(at);
    const std::int32_t before = dist_[at] - entry_time(player, at);
    for (const std::ptrdiff_t by : frames_[player].steps) {
      const auto back = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(at) + by);
      if (dist_[back] == before) {
        at = back;
        break;
      }
    }
  }
  set_off(player, digger, t);
}

void Race::set_off(std::size_t player, Digger& digger, std::int32_t t) {
  if (digger.path.empty()) {
    digger.doing = digger.for_gem ? Doing::kMining : Doing::kIdle;
    digger.done_at = t;
    return;
  }
  digger.next = digger.path.back();
  const std::int32_t time = entry_time(player, digger.next);
  if (time == 0) {
    digger.doing = Doing::kIdle;
    digger.done_at = t;
    return;
  }
  digger.doing = Doing::kMoving;
  digger.done_at = t + time;
}

void Race::claim(std::size_t player, std::size_t square, std::int32_t t) {
  owner_[square] = static_cast<std::uint8_t>(player + 1);
  const char code = grid_->cells()[square];
  if (code == tile::kGold) ++records_[player].gold[2];
  if (portal_of_[square] >= 0) {
    const auto k = static_cast<std::size_t>(portal_of_[square]);
    const auto bit = static_cast<std::uint8_t>(1U << player);
    if ((portal_owners_[k] == 0 || portal_since_[k] == t) && (portal_owners_[k] & bit) == 0) {
      portal_owners_[k] |= bit;
      portal_since_[k] = t;
      ++records_[player].portals;
    }
  }
  for (const std::ptrdiff_t by : frames_[0].steps) {
    const auto beside = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(square) + by);
    const std::uint8_t other = owner_[beside];
    if (other == 0 || other == kBlocked || other == player + 1) continue;
    const std::size_t q = other - 1U;
    if (!records_[player].contact[q]) {
      records_[player].contact[q] = t;
      records_[q].contact[player] = t;
    }
  }
}

// The squares diggers finish entering at t. A square nobody holds that
// diggers of two or more players enter at once is nobody's from then on,
// and they choose again; one player's is its own.
void Race::enter_squares(std::int32_t t) {
  struct Entry {
    std::size_t square;
    std::size_t player;
    Digger* digger;
  };
  std::vector<Entry> entries;
  for (std::size_t p = 0; p < players_; ++p) {
    for (Digger& digger : diggers_[p]) {
      if (digger.doing == Doing::kMoving && digger.done_at == t)
        entries.push_back({digger.next, p, &digger});
    }
  }
  std::ranges::stable_sort(entries, {}, &Entry::square);
  std::vector<std::size_t> moved;
  for (std::size_t i = 0; i < entries.size();) {
    std::size_t j = i;
    std::uint8_t who = 0;
    for (; j < entries.size() && entries[j].square == entries[i].square; ++j) {
      if (owner_[entries[j].square] == 0) who |= static_cast<std::uint8_t>(1U << entries[j].player);
    }
    const bool contested = (who & (who - 1U)) != 0;
    if (contested) owner_[entries[i].square] = kBlocked;
    for (std::size_t k = i; k < j; ++k) {
      const Entry& e = entries[k];
      Digger& digger = *e.digger;
      if (owner_[e.square] == 0) claim(e.player, e.square, t);
      if (owner_[e.square] != e.player + 1) {
        digger.doing = Doing::kIdle;
        digger.done_at = t;
        continue;
      }
      digger.at = e.square;
      digger.path.pop_back();
      moved.push_back(k);
    }
    i = j;
  }
  // Each sets off for its next square once every square of the time is
  // taken, so that the order squares are looked at in changes nothing.
  for (const std::size_t k : moved)
    set_off(entries[k].player, *entries[k].digger, t);
  // A digger whose next square another player took, or that was lost to
  // a tie, chooses again.
  for (std::size_t p = 0; p < players_; ++p) {
    for (Digger& digger : diggers_[p]) {
      if (digger.doing == Doing::kMoving && !can_enter(p, digger.next)) {
        digger.doing = Doing::kIdle;
        digger.done_at = t;
      }
    }
  }
}

// Income at t: a miner's gem pays a unit a period after it began, and the
// miner chooses again; a claimed portal pays its owners a unit every
// period after it was claimed.
void Race::pay(std::int32_t t) {
  for (std::size_t p = 0; p < players_; ++p) {
    for (Digger& digger : diggers_[p]) {
      if (digger.doing == Doing::kMining && t - digger.done_at == options_.gem_period) {
        ++records_[p].gold[2];
        digger.doing = Doing::kIdle;  // chooses again, and may stay
        digger.done_at = t;
      }
    }
  }
  for (std::size_t k = 0; k < portal_owners_.size(); ++k) {
    const std::uint8_t owners = portal_owners_[k];
    if (owners == 0 || t <= portal_since_[k] ||
        (t - portal_since_[k]) % options_.portal_period != 0)
      continue;
    for (std::size_t p = 0; p < players_; ++p) {
      if ((owners >> p & 1U) != 0) ++records_[p].gold[2];
    }
  }
}

}  // namespace tarnix
