#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "tarnixmap/fairness/search.h"
#include "tarnixmap/race/race.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

// Best first by the race: the lower race fairness; between equal ones as
// ranks_before orders them (the lower score, the higher preference, the
// lower seed). A seed that was raced comes before one that was not.
[[nodiscard]] bool races_before(const RankedSeed& a, const RankedSeed& b);

// What a search's race of its best seeds came to.
enum class RaceOutcome : std::uint8_t { kRaced, kStopped, kOutOfMemory };

// Races the maps of the first `count` seeds of `best` (each made again as
// the search made it, so exactly the map `generate --seed` writes) on up to
// `threads` workers, gives each its race fairness, and orders those seeds
// by races_before; the seeds after them keep their order. `raced` counts
// the maps raced so far, for a progress line. A `stop` ends the racing
// early and leaves `best` as it was.
// Requires: validate(params) found nothing; `best` ranked by a search of
// these params and symmetry; threads >= 1; options as Race::run requires.
[[nodiscard]] RaceOutcome race_best(const MapParams& params, std::optional<Symmetry> symmetry,
                                    const RaceOptions& options, std::size_t count, unsigned threads,
                                    std::vector<RankedSeed>& best, const std::atomic<bool>& stop,
                                    std::atomic<std::uint64_t>& raced);

}  // namespace tarnix
