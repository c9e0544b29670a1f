#pragma once

#include <cstdint>

namespace tarnix {

class Random;

// rand_range(a, b) for a range fixed in advance, as the placement loops draw
// from: the same value from the same output, with the remainder found by a
// multiplication instead of a division, which costs several times as much.
// Exact because outputs are below 2^15: with m = ceil(2^32 / n), v * m /
// 2^32 exceeds v / n by less than 2^15 / 2^32 = 2^-17, less than the 1/n
// that would carry it past the next whole number while n < 2^15; from n =
// 2^15 on every output is its own remainder.
class DrawRange {
 public:
  // Requires: b > a.
  DrawRange(std::int32_t a, std::int32_t b)
      : a_(a),
        n_(static_cast<std::uint32_t>(b) - static_cast<std::uint32_t>(a)),
        m_(n_ < kOutputs ? (std::uint64_t{1} << 32U) / n_ + (((std::uint64_t{1} << 32U) % n_) != 0)
                         : 0) {}

  // The value an output `v` (0 … 32767) gives: a + v mod (b − a).
  [[nodiscard]] std::int32_t from_output(std::uint32_t v) const {
    if (m_ == 0) return a_ + static_cast<std::int32_t>(v);
    const auto q = static_cast<std::uint32_t>((std::uint64_t{v} * m_) >> 32U);
    return a_ + static_cast<std::int32_t>(v - q * n_);
  }

  // Draws one value; consumes exactly one output, as rand_range does.
  inline std::int32_t operator()(Random& rng) const;

 private:
  static constexpr std::uint32_t kOutputs = 32768;

  std::int32_t a_;
  std::uint32_t n_;
  std::uint64_t m_;  // ceil(2^32 / n), or 0 when n >= 2^15
};

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
  // The next output as an unsigned number, 0 … 32767.
  std::uint32_t next_output() { return static_cast<std::uint32_t>(next()); }

 private:
  static constexpr std::uint32_t kMultiplier = 214013U;  // 0x343FD
  static constexpr std::uint32_t kIncrement = 2531011U;  // 0x269EC3

  std::uint32_t state_;
};

inline std::int32_t DrawRange::operator()(Random& rng) const {
  return from_output(rng.next_output());
}

}  // namespace tarnix
