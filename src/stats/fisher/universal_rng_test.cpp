#include "stats/fisher/universal_rng.h"

#include <cmath>

#include <gtest/gtest.h>

namespace gorvan {
namespace {

constexpr Extended kTwoTo24 = 16777216.0L;

TEST(UniversalRngTest, PublishedSequenceAfterTwentyThousandDraws) {
  UniversalRng rng;
  MAKE_RANDOM(rng, 12, 34, 56, 78);
  for (int i = 0; i < 20000; ++i) GOSUB100(rng);
  const Extended expected[] = {6533892, 14220222, 7275067, 6172232, 8354498, 10633180};
  for (Extended value : expected) EXPECT_EQ(GOSUB100(rng) * kTwoTo24, value);
}

TEST(UniversalRngTest, DrawsAreMultiplesOfTwoToMinus24InUnitInterval) {
  UniversalRng rng;
  MAKE_RANDOM(rng, 1, 165, 77, 168);
  for (int i = 0; i < 5000; ++i) {
    const Extended uni = GOSUB100(rng);
    ASSERT_GE(uni, 0.0L);
    ASSERT_LT(uni, 1.0L);
    const Extended scaled = uni * kTwoTo24;
    ASSERT_EQ(scaled, floorl(scaled)) << "draw " << i;
  }
}

TEST(UniversalRngTest, SeedingSetsTheConstantsAndLags) {
  UniversalRng rng;
  MAKE_RANDOM(rng, 12, 34, 56, 78);
  // The exact decimal expansions of 362436, 7654321 and 16777213 / 2^24.
  EXPECT_EQ(rng.DI, 0.0216028690338134765625L);
  EXPECT_EQ(rng.DD, 0.456233084201812744140625L);
  EXPECT_EQ(rng.DM, 0.999999821186065673828125L);
  EXPECT_EQ(rng.DP, 97);
  EXPECT_EQ(rng.DQ, 33);
  for (int n = 1; n <= kLaggedValues; ++n) {
    ASSERT_EQ(rng.U[n] * kTwoTo24, floorl(rng.U[n] * kTwoTo24));
    ASSERT_LT(rng.U[n], 1.0L);
  }
}

}  // namespace
}  // namespace gorvan
