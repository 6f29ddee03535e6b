#include "stats/fisher/internal/universal_rng_seeding.h"

#include <array>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "base/internal_check.h"
#include "stats/fisher/internal/universal_rng_block.h"

namespace gorvan {
namespace {

constexpr Extended kTwoTo24 = 16777216.0L;

using Seeds = std::array<int16_t, 4>;

// Every corner of 1..168 in each seed; each seed swept over its whole range
// with the others at the ends and in the middle; all four equal; many at
// random.
std::vector<Seeds> SeedsToCompare() {
  std::vector<Seeds> seeds;
  for (int corner = 0; corner < 16; ++corner) {
    Seeds s;
    for (int k = 0; k < 4; ++k) s[k] = (corner >> k & 1) ? 168 : 1;
    seeds.push_back(s);
  }
  for (int16_t others : {1, 84, 168}) {
    for (int k = 0; k < 4; ++k) {
      for (int16_t value = 1; value <= 168; ++value) {
        Seeds s = {others, others, others, others};
        s[k] = value;
        seeds.push_back(s);
      }
    }
  }
  std::mt19937 pick(1990);
  std::uniform_int_distribution<int> seed(1, 168);
  for (int trial = 0; trial < 2000; ++trial) {
    seeds.push_back({static_cast<int16_t>(seed(pick)), static_cast<int16_t>(seed(pick)),
                     static_cast<int16_t>(seed(pick)), static_cast<int16_t>(seed(pick))});
  }
  return seeds;
}

bool SameState(const UniversalRng& a, const UniversalRng& b) {
  if (a.DP != b.DP || a.DQ != b.DQ || a.DI != b.DI || a.DD != b.DD || a.DM != b.DM) return false;
  for (int n = 1; n <= kLaggedValues; ++n) {
    if (a.U[n] != b.U[n]) return false;
  }
  return true;
}

TEST(UniversalRngSeedingTest, LagsAreTheExtendedSeedingsValues) {
  for (const Seeds& s : SeedsToCompare()) {
    UniversalRng reference;
    MAKE_RANDOM(reference, s[0], s[1], s[2], s[3]);
    uint32_t lags[kLaggedValues];
    SeededLagsInIntegers(s[0], s[1], s[2], s[3], lags);
    for (int i = 0; i < kLaggedValues; ++i) {
      ASSERT_EQ(static_cast<Extended>(lags[i]), reference.U[kLaggedValues - i] * kTwoTo24)
          << "seeds " << s[0] << " " << s[1] << " " << s[2] << " " << s[3] << ", lag " << i;
    }
  }
  uint32_t lags[kLaggedValues];
  for (const Seeds& s :
       {Seeds{0, 5, 5, 5}, Seeds{5, 169, 5, 5}, Seeds{5, 5, -1, 5}, Seeds{5, 5, 5, 179}}) {
    EXPECT_FALSE(SeedsSuitIntegerSeeding(s[0], s[1], s[2], s[3]));
    EXPECT_THROW(SeededLagsInIntegers(s[0], s[1], s[2], s[3], lags), InternalError);
  }
}

// The block generator seeded in integers is in the extended seeding's state
// and draws its numbers; seeds outside 1..168, which it takes from the
// extended seeding, as well.
TEST(UniversalRngSeedingTest, SeededGeneratorIsTheExtendedOneDrawForDraw) {
  std::vector<Seeds> seeds = SeedsToCompare();
  for (const Seeds& s : {Seeds{0, 0, 0, 0}, Seeds{169, 170, 178, 169}, Seeds{-1, 7, 300, -32768},
                         Seeds{32767, 32767, 32767, 32767}}) {
    seeds.push_back(s);
  }
  for (size_t k = 0; k < seeds.size(); ++k) {
    const Seeds& s = seeds[k];
    UniversalRng reference;
    MAKE_RANDOM(reference, s[0], s[1], s[2], s[3]);
    UniversalRngBlock block;
    block.Seed(s[0], s[1], s[2], s[3]);
    ASSERT_TRUE(SameState(block.ToReference(), reference))
        << "seeds " << s[0] << " " << s[1] << " " << s[2] << " " << s[3];
    // Past the first block for the corners and the seeds outside the range.
    const int draws = k < 16 || k + 4 >= seeds.size() ? 3 * UniversalRngBlock::kBlock : 200;
    for (int draw = 0; draw < draws; ++draw) {
      ASSERT_EQ(static_cast<Extended>(block.Next()), GOSUB100(reference) * kTwoTo24)
          << "seeds " << s[0] << " " << s[1] << " " << s[2] << " " << s[3] << ", draw " << draw;
    }
  }
}

}  // namespace
}  // namespace gorvan
