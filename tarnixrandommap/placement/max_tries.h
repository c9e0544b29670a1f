#pragma once

#include <cstdint>

namespace tarnix {

// The limit on rejected candidates (hearts, portals, gems) or on seeds
// (material clusters) per budget; each phase says what its budget covers.
inline constexpr std::int32_t MAX_TRIES = 10000;

}  // namespace tarnix
