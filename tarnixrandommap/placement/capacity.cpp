#include "tarnixrandommap/placement/capacity.h"

#include <algorithm>

#include "tarnixrandommap/placement/max_tries.h"

namespace tarnix {

namespace {

// Far beyond: more than the most by half as much again.
bool far_beyond(std::int64_t asked, std::int64_t most) {
  return asked > most + most / 2;
}

}  // namespace

std::vector<AmountBeyondReach> amounts_beyond_reach(const MapParams& p) {
  const std::int64_t inside = std::int64_t{p.width - 4} * std::int64_t{p.height - 4};
  const std::int64_t besides_hearts =
      std::max<std::int64_t>(0, inside - std::int64_t{25} * p.players);
  const std::int64_t rock = std::max<std::int64_t>(0, besides_hearts - std::int64_t{9} * p.portals);
  const std::string room = "there are " + std::to_string(rock) + " squares of rock to place it on";
  std::vector<AmountBeyondReach> beyond;
  // A material: limited by its seeds, or by the rock there is.
  const auto material = [&](const char* option, std::int64_t asked, std::int64_t by_seeds) {
    const std::int64_t most = std::min(by_seeds, rock);
    if (!far_beyond(asked, most)) return;
    beyond.push_back({option, asked, most,
                      by_seeds < rock ? "it grows from at most " + std::to_string(MAX_TRIES) +
                                            " blob seeds, about " + std::to_string(by_seeds) +
                                            " squares on a map of any size"
                                      : room});
  };
  if (far_beyond(std::int64_t{9} * p.portals, besides_hearts)) {
    beyond.push_back({"--portals", std::int64_t{9} * p.portals, besides_hearts,
                      "each portal takes 9 squares of rock, and there are " +
                          std::to_string(besides_hearts) + " besides the hearts"});
  }
  material("--gold", p.gold, kMostGold);
  material("--gems", p.gems, rock);
  material("--lava", p.lava, kMostLavaOrWater);
  material("--water", p.water, kMostLavaOrWater);
  const std::int64_t together = std::int64_t{p.gold} + p.gems + p.lava + p.water;
  if (beyond.empty() && far_beyond(together, rock)) {
    beyond.push_back({"--gold, --gems, --lava and --water together", together, rock, room});
  }
  return beyond;
}

}  // namespace tarnix
