#pragma once

// The lanes one step of the wave of bits works in: a word of each of the
// four players, in two SSE2 registers (every x86-64 has them) or in one
// AVX2 register. bit_wave_step.h is written for either.

#include <immintrin.h>

#include <cstdint>

#include "tarnixmap/fairness/bit_wave.h"

namespace tarnix::bit_step {

using Quad = BitWave::Quad;

// Four words in two SSE2 registers, which every x86-64 has.
struct Sse2Lanes {
  __m128i lo, hi;

  [[gnu::always_inline]] static Sse2Lanes load(const Quad* q) {
    const auto* p = reinterpret_cast<const __m128i*>(q);
    return {_mm_load_si128(p), _mm_load_si128(p + 1)};
  }
  [[gnu::always_inline]] void store(Quad* q) const {
    auto* p = reinterpret_cast<__m128i*>(q);
    _mm_store_si128(p, lo);
    _mm_store_si128(p + 1, hi);
  }
  // One word in every lane.
  [[gnu::always_inline]] static Sse2Lanes all(const std::uint64_t* w) {
    const __m128i both = _mm_set1_epi64x(static_cast<long long>(*w));
    return {both, both};
  }
  [[gnu::always_inline]] static Sse2Lanes zero() {
    return {_mm_setzero_si128(), _mm_setzero_si128()};
  }
  [[gnu::always_inline]] friend Sse2Lanes operator&(Sse2Lanes a, Sse2Lanes b) {
    return {_mm_and_si128(a.lo, b.lo), _mm_and_si128(a.hi, b.hi)};
  }
  [[gnu::always_inline]] friend Sse2Lanes operator|(Sse2Lanes a, Sse2Lanes b) {
    return {_mm_or_si128(a.lo, b.lo), _mm_or_si128(a.hi, b.hi)};
  }
  // a & ~b.
  [[gnu::always_inline]] static Sse2Lanes but(Sse2Lanes a, Sse2Lanes b) {
    return {_mm_andnot_si128(b.lo, a.lo), _mm_andnot_si128(b.hi, a.hi)};
  }
  [[gnu::always_inline]] Sse2Lanes up(unsigned n) const {  // each lane shifted left
    return {_mm_slli_epi64(lo, static_cast<int>(n)), _mm_slli_epi64(hi, static_cast<int>(n))};
  }
  [[gnu::always_inline]] Sse2Lanes down(unsigned n) const {  // and right
    return {_mm_srli_epi64(lo, static_cast<int>(n)), _mm_srli_epi64(hi, static_cast<int>(n))};
  }
  // The lanes' bits all together.
  [[gnu::always_inline]] std::uint64_t joined() const {
    const __m128i half = _mm_or_si128(lo, hi);
    return static_cast<std::uint64_t>(
        _mm_cvtsi128_si64(_mm_or_si128(half, _mm_unpackhi_epi64(half, half))));
  }
  [[gnu::always_inline]] bool none() const {
    const __m128i zero = _mm_cmpeq_epi8(_mm_or_si128(lo, hi), _mm_setzero_si128());
    return _mm_movemask_epi8(zero) == 0xFFFF;
  }
};

// The same in one AVX2 register.
struct Avx2Lanes {
  __m256i v;

  [[gnu::target("avx2"), gnu::always_inline]] static Avx2Lanes load(const Quad* q) {
    return {_mm256_load_si256(reinterpret_cast<const __m256i*>(q))};
  }
  [[gnu::target("avx2"), gnu::always_inline]] void store(Quad* q) const {
    _mm256_store_si256(reinterpret_cast<__m256i*>(q), v);
  }
  [[gnu::target("avx2"), gnu::always_inline]] static Avx2Lanes all(const std::uint64_t* w) {
    return {_mm256_set1_epi64x(static_cast<long long>(*w))};
  }
  [[gnu::target("avx2"), gnu::always_inline]] static Avx2Lanes zero() {
    return {_mm256_setzero_si256()};
  }
  [[gnu::target("avx2"), gnu::always_inline]] friend Avx2Lanes operator&(Avx2Lanes a, Avx2Lanes b) {
    return {_mm256_and_si256(a.v, b.v)};
  }
  [[gnu::target("avx2"), gnu::always_inline]] friend Avx2Lanes operator|(Avx2Lanes a, Avx2Lanes b) {
    return {_mm256_or_si256(a.v, b.v)};
  }
  [[gnu::target("avx2"), gnu::always_inline]] static Avx2Lanes but(Avx2Lanes a, Avx2Lanes b) {
    return {_mm256_andnot_si256(b.v, a.v)};
  }
  [[gnu::target("avx2"), gnu::always_inline]] Avx2Lanes up(unsigned n) const {
    return {_mm256_slli_epi64(v, static_cast<int>(n))};
  }
  [[gnu::target("avx2"), gnu::always_inline]] Avx2Lanes down(unsigned n) const {
    return {_mm256_srli_epi64(v, static_cast<int>(n))};
  }
  [[gnu::target("avx2"), gnu::always_inline]] bool none() const {
    return _mm256_testz_si256(v, v) != 0;
  }
  [[gnu::target("avx2"), gnu::always_inline]] std::uint64_t joined() const {
    const __m128i half = _mm_or_si128(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    return static_cast<std::uint64_t>(
        _mm_cvtsi128_si64(_mm_or_si128(half, _mm_unpackhi_epi64(half, half))));
  }
};

// Squares of a row, sixteen bytes at once in an SSE2 register (every
// x86-64 has them) or thirty-two in an AVX2 one.
struct Sse2Bytes {
  static constexpr std::int32_t kCount = 16;
  __m128i v;

  [[gnu::always_inline]] static Sse2Bytes load(const char* p) {
    return {_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))};
  }
  [[gnu::always_inline]] static Sse2Bytes all(char c) { return {_mm_set1_epi8(c)}; }
  [[gnu::always_inline]] static Sse2Bytes equal(Sse2Bytes a, Sse2Bytes b) {
    return {_mm_cmpeq_epi8(a.v, b.v)};
  }
  [[gnu::always_inline]] friend Sse2Bytes operator|(Sse2Bytes a, Sse2Bytes b) {
    return {_mm_or_si128(a.v, b.v)};
  }
  // A bit a byte: its top bit.
  [[gnu::always_inline]] std::uint64_t mask() const {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(v));
  }
};

struct Avx2Bytes {
  static constexpr std::int32_t kCount = 32;
  __m256i v;

  [[gnu::target("avx2"), gnu::always_inline]] static Avx2Bytes load(const char* p) {
    return {_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))};
  }
  [[gnu::target("avx2"), gnu::always_inline]] static Avx2Bytes all(char c) {
    return {_mm256_set1_epi8(c)};
  }
  [[gnu::target("avx2"), gnu::always_inline]] static Avx2Bytes equal(Avx2Bytes a, Avx2Bytes b) {
    return {_mm256_cmpeq_epi8(a.v, b.v)};
  }
  [[gnu::target("avx2"), gnu::always_inline]] friend Avx2Bytes operator|(Avx2Bytes a, Avx2Bytes b) {
    return {_mm256_or_si256(a.v, b.v)};
  }
  [[gnu::target("avx2"), gnu::always_inline]] std::uint64_t mask() const {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(v));
  }
};

}  // namespace tarnix::bit_step
