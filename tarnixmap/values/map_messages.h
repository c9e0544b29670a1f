#pragma once

#include <optional>
#include <string>

#include "tarnixrandommap/placement/symmetry.h"
#include "tarnixrandommap/run/console.h"
#include "tarnixrandommap/run/generate.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

// Why a map was not made, in one line, as generate says it; `path` is the
// file it was to be written to.
[[nodiscard]] std::string map_failure(const MapParams& params, const GeneratedMap& map,
                                      const std::string& path, std::optional<Symmetry> symmetry);

// Warns on `err`, as `who`, of each amount far beyond what the map can
// get, before any map is made: the generator would place what it can and
// say it "Could not place all" of the rest.
void warn_of_amounts_beyond_reach(const std::string& who, const MapParams& params, Console& err);

}  // namespace tarnix
