#include "stats/fisher/internal/fisher_chain_walk.h"

#include <random>

#include <gtest/gtest.h>

namespace gorvan {
namespace {

constexpr Extended kTwoTo24 = 16777216.0L;

// GOSUB20's index, trunc(count x UNI + 1), from 0 as the walk counts.
uint32_t ReferenceIndex(uint32_t v, int16_t count) {
  const Extended UNI = v / kTwoTo24;
  return static_cast<uint32_t>(static_cast<int32_t>(count * UNI + 1) - 1);
}

// The straightforward chain's test: PSWITCH := PROB1 / PROB2, then
// UNI <= PSWITCH, in extended precision.
bool ReferenceAccepts(uint32_t v, int32_t prob1, int32_t prob2) {
  const Extended PROB1 = prob1;
  const Extended PROB2 = prob2;
  const Extended PSWITCH = PROB1 / PROB2;
  return v / kTwoTo24 <= PSWITCH;
}

// Draws on and next to every boundary between two indices.
TEST(FisherChainWalkTest, IndexOfADrawOnAndBesideTheBoundaries) {
  for (int16_t count = 2; count <= kFisherMaxColumns; ++count) {
    for (uint32_t index = 0; index <= static_cast<uint32_t>(count); ++index) {
      const uint64_t boundary = (uint64_t{index} << 24) / static_cast<uint32_t>(count);
      for (int64_t offset = -2; offset <= 2; ++offset) {
        const int64_t v = static_cast<int64_t>(boundary) + offset;
        if (v < 0 || v >= (int64_t{1} << 24)) continue;
        ASSERT_EQ(IndexOfDraw(static_cast<uint32_t>(v), static_cast<uint32_t>(count)),
                  ReferenceIndex(static_cast<uint32_t>(v), count))
            << "count " << count << " v " << v;
      }
    }
  }
}

// Ratios that are multiples of 2^-24 can equal the draw exactly: the switch
// is made then, and not one draw above.
TEST(FisherChainWalkTest, AcceptanceOnTheRatioItself) {
  const int32_t pairs[][2] = {{1, 2},
                              {1, 4},
                              {3, 4},
                              {1, 8},
                              {5, 16},
                              {6, 8},
                              {1, 1 << 24},
                              {3, 1 << 20},
                              {1000, 1024},
                              {12, 16},
                              {1 << 30, (1 << 30) + 1}};
  for (const auto& pair : pairs) {
    const int32_t prob1 = pair[0], prob2 = pair[1];
    const uint64_t scaled = (uint64_t{static_cast<uint32_t>(prob1)} << 24);
    const uint32_t on_ratio = static_cast<uint32_t>(scaled / static_cast<uint32_t>(prob2));
    for (uint32_t v : {on_ratio - 1, on_ratio, on_ratio + 1}) {
      EXPECT_EQ(DrawAccepts(v, prob1, prob2), ReferenceAccepts(v, prob1, prob2))
          << prob1 << "/" << prob2 << " v " << v;
    }
  }
  EXPECT_TRUE(DrawAccepts(1u << 23, 1, 2));
  EXPECT_FALSE(DrawAccepts((1u << 23) + 1, 1, 2));
}

// Random products below 2^31 and draws next to their ratio.
TEST(FisherChainWalkTest, AcceptanceAgreesWithTheExtendedQuotient) {
  std::mt19937_64 pick(5);
  for (int trial = 0; trial < 200000; ++trial) {
    const int32_t prob2 = static_cast<int32_t>(pick() % 0x7FFFFFFF) + 1;
    const int32_t prob1 = static_cast<int32_t>(pick() % static_cast<uint64_t>(prob2));
    const uint64_t near =
        (uint64_t{static_cast<uint32_t>(prob1)} << 24) / static_cast<uint32_t>(prob2);
    const uint32_t v = static_cast<uint32_t>((near + pick() % 3 + (1u << 24) - 1) % (1u << 24));
    ASSERT_EQ(DrawAccepts(v, prob1, prob2), ReferenceAccepts(v, prob1, prob2))
        << prob1 << "/" << prob2 << " v " << v;
  }
}

}  // namespace
}  // namespace gorvan
