#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tarnixmap/fairness/figures.h"
#include "tarnixrandommap/placement/symmetry.h"
#include "tarnixrandommap/run/console.h"
#include "tarnixrandommap/run/map_params.h"

namespace tarnix {

// The modes' names, as "mirror-x, mirror-y, ...".
[[nodiscard]] std::string symmetry_names();

// The modes and the players each is for, as help and messages list them.
[[nodiscard]] std::string symmetry_modes_text();

// Reads a --symmetry value: a mode's name, or "none" for no symmetry.
// False with *problem saying what the modes are.
[[nodiscard]] bool read_symmetry(std::string_view text, std::optional<Symmetry>* symmetry,
                                 std::string* problem);

// Why `symmetry` cannot lay out maps of these values, naming the modes
// that can (or, for 3 players, why none can); empty when it can.
[[nodiscard]] std::string symmetry_problem(Symmetry symmetry, const MapParams& params);

// What sharing the amounts among the copies makes of those it changes:
// "5 portals become 6, 3 in each of 2 copies".
[[nodiscard]] std::vector<std::string> shared_amounts(Symmetry symmetry, const MapParams& params);

// Says on `err`, after `who`, why `symmetry` cannot lay out maps of these
// values (false), or how sharing the amounts among its copies changes them.
[[nodiscard]] bool check_symmetry(const std::string& who, Symmetry symmetry,
                                  const MapParams& params, Console& err);

// Why `figure` cannot rank maps of `symmetry` (it is a share of the whole
// map, the same for every player on every map), naming those that can;
// empty when it can.
[[nodiscard]] std::string prefer_problem(Figure figure, Symmetry symmetry);

// Reads a --prefer value: a figure's name. False with *problem listing
// the names.
[[nodiscard]] bool read_prefer(std::string_view text, Figure* figure, std::string* problem);

}  // namespace tarnix
