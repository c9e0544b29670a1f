#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

// About the most squares each amount can get, whatever is asked. Materials
// grow from at most MAX_TRIES blob seeds: gold blobs (a square grows with
// odds of about 1 in 5) stay a square or two, so a map gets about 6,700
// gold at most however large it is; lava and water blobs (2 in 5) grow to
// hundreds of squares, about 180,000 at most. Everything besides needs
// rock: the squares inside the frame, (width - 4) x (height - 4), less 25
// for each heart's block and 9 for each portal.
inline constexpr std::int64_t kMostGold = 6700;
inline constexpr std::int64_t kMostLavaOrWater = 180000;

// An amount asked for that is far beyond what a map can get.
struct AmountBeyondReach {
  std::string option;  // "--gold", or "--gold, --gems, --lava, --water and --portals" together
  std::int64_t asked;  // squares asked for (9 for each portal)
  std::int64_t most;   // about the most there is room or seeds for
  std::string why;     // what limits it
};

// Each amount more than half again above the most it can get, so that the
// generator will say it "Could not place all" of it; none when every amount
// can be had. Requires: validate(params) found nothing.
[[nodiscard]] std::vector<AmountBeyondReach> amounts_beyond_reach(const MapParams& params);

}  // namespace tarnix
