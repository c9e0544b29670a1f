#pragma once

#include <cstdint>

namespace tarnix {

// The one source of randomness of a run: the widely used 15-bit linear
// congruential generator. The map a seed produces depends on every output
// being consumed in a fixed order, so callers draw in exactly the order their
// phase documents.
class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(seed) {}

  // Advances the state and returns the next output, 0 … 32767.
  std::int32_t next() {
    state_ = state_ * kMultiplier + kIncrement;  // modulo 2^32 by unsigned wrap-around
    return static_cast<std::int32_t>((state_ >> 16) & 0x7FFFU);
  }

  // Returns a + (next() mod (b − a)), that is a value in a … b − 1, biased
  // slightly towards small values when b − a does not divide 32768.
  // Consumes exactly one output. Requires: b > a.
  std::int32_t rand_range(std::int32_t a, std::int32_t b) { return a + next() % (b - a); }

  // Skips `n` outputs, as if next() had been called n times, in O(log n).
  void discard(std::uint64_t n);

  [[nodiscard]] std::uint32_t state() const { return state_; }

 private:
  static constexpr std::uint32_t kMultiplier = 214013U;  // 0x343FD
  static constexpr std::uint32_t kIncrement = 2531011U;  // 0x269EC3

  std::uint32_t state_;
};

}  // namespace tarnix
