#include "tarnixrandommap/random/random.h"

namespace tarnix {

// One step is the affine map s -> m*s + c (mod 2^32). Composing the map with
// itself squares it: (m, c) -> (m*m, m*c + c). Walking the bits of n and
// applying the powers whose bit is set jumps n steps in O(log n).
void Random::discard(std::uint64_t n) {
  std::uint32_t step_mul = kMultiplier;
  std::uint32_t step_add = kIncrement;
  while (n != 0) {
    if ((n & 1U) != 0) state_ = state_ * step_mul + step_add;
    step_add = step_mul * step_add + step_add;
    step_mul = step_mul * step_mul;
    n >>= 1U;
  }
}

}  // namespace tarnix
