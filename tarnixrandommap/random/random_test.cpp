#include "tarnixrandommap/random/random.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnix {
namespace {

TEST(Random, KnownOutputsAfterSeeding) {
  Random one(1);
  EXPECT_EQ(one.next(), 41);
  EXPECT_EQ(one.next(), 18467);
  EXPECT_EQ(one.next(), 6334);

  Random zero(0);
  EXPECT_EQ(zero.next(), 38);
}

TEST(Random, OutputsStayWithinFifteenBits) {
  Random rng(0xFFFFFFFFU);
  for (int i = 0; i < 100000; ++i) {
    const std::int32_t v = rng.next();
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 32767);
  }
}

TEST(Random, RandRangeIsHalfOpenAndUsesThePlainRemainder) {
  struct Case {
    std::int32_t a;
    std::int32_t b;
  };
  for (const Case c : {Case{0, 100}, Case{3, 10}, Case{1, 2}, Case{3, 40000}}) {
    Random rng(7);
    Random shadow(7);
    for (int i = 0; i < 20000; ++i) {
      const std::int32_t v = rng.rand_range(c.a, c.b);
      ASSERT_EQ(v, c.a + shadow.next() % (c.b - c.a)) << "case " << c.a << ".." << c.b;
      ASSERT_GE(v, c.a) << "case " << c.a << ".." << c.b;
      ASSERT_LT(v, c.b) << "case " << c.a << ".." << c.b;
    }
  }
}

TEST(Random, RandRangeReachesBothEnds) {
  Random rng(12345);
  std::vector<int> seen(7, 0);
  for (int i = 0; i < 1000; ++i)
    ++seen[rng.rand_range(3, 10) - 3];
  for (int v = 0; v < 7; ++v)
    EXPECT_GT(seen[v], 0) << "value " << v + 3;
}

TEST(Random, DiscardMatchesRepeatedSteps) {
  for (const std::uint64_t n : {0ULL, 1ULL, 2ULL, 3ULL, 20000ULL, 123457ULL, (1ULL << 32) + 5}) {
    Random jumped(99);
    jumped.discard(n);
    Random stepped(99);
    // The generator's period is 2^32, so only the remainder of n matters.
    for (std::uint64_t i = 0; i < n % (1ULL << 32); ++i)
      stepped.next();
    EXPECT_EQ(jumped.state(), stepped.state()) << "n = " << n;
  }
}

}  // namespace
}  // namespace tarnix
