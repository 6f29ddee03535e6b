#include "model/random_source.h"

#include <cmath>
#include <memory>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "testing/planted_output.h"
#include "testing/state_fixture.h"

namespace gorvan {
namespace {

class RandomSourceTest : public StateFixture {
 protected:
};

// The standard library's mt19937 is the reference generator with the 2002
// seeding, so it serves as an independent oracle.
void ExpectReferenceSequence(State& s, uint32_t seed, int count) {
  std::mt19937 reference(seed);
  for (int i = 0; i < count; ++i) {
    ASSERT_EQ(GENRAND_MT19937(s), reference()) << "seed " << seed << ", output " << i;
  }
}

TEST_F(RandomSourceTest, OutputsFollowTheReferenceGeneratorForSeveralSeeds) {
  // 2000 outputs take four fillings of the 624 words.
  for (const int32_t seed : {5489, 1, 0, 123456789, -5, INT32_MIN, INT32_MAX}) {
    auto s = std::make_unique<State>(console_);
    RANDOMIZE(*s, seed);
    ExpectReferenceSequence(*s, static_cast<uint32_t>(seed), 2000);
  }
}

TEST_F(RandomSourceTest, SeedIsComplementedAfterUse) {
  RANDOMIZE(*s_, 77);
  EXPECT_EQ(s_->RANDSEED, 77);
  EXPECT_EQ(s_->MT.index, 625);  // nothing is filled until the first draw
  GENRAND_MT19937(*s_);
  EXPECT_EQ(s_->RANDSEED, ~77);
  EXPECT_EQ(s_->OLDRANDSEED, ~77);
  EXPECT_EQ(s_->MT.index, 1);
}

TEST_F(RandomSourceTest, TickCountOfZeroStillInitialisesOnTheFirstDraw) {
  // RANDSEED and OLDRANDSEED are both 0 here; the initial index 625 alone
  // forces the fill.
  RANDOMIZE(*s_, 0);
  ASSERT_EQ(s_->OLDRANDSEED, 0);
  ExpectReferenceSequence(*s_, 0U, 700);
}

TEST_F(RandomSourceTest, ReassigningTheSeedRestartsTheStream) {
  RANDOMIZE(*s_, 42);
  for (int i = 0; i < 1000; ++i) GENRAND_MT19937(*s_);
  RANDOMIZE(*s_, 42);  // the same value RANDOMIZE gave it before
  ExpectReferenceSequence(*s_, 42U, 10);
  s_->RANDSEED = 9;
  ExpectReferenceSequence(*s_, 9U, 10);
}

TEST_F(RandomSourceTest, RandomizeWithoutSeedTakesTheTickCounter) {
  const uint32_t before = MillisecondTicks();
  RANDOMIZE(*s_);
  const uint32_t after = MillisecondTicks();
  const uint32_t taken = static_cast<uint32_t>(s_->RANDSEED);
  // Modulo 2^32, so that a wrap of the counter between the reads still holds.
  EXPECT_LE(taken - before, after - before);
}

TEST_F(RandomSourceTest, RealDrawIsTheOutputTimesTwoToTheMinus32) {
  RANDOMIZE(*s_, 2024);
  std::mt19937 reference(2024);
  for (int i = 0; i < 1000; ++i) {
    const Extended x = RANDOM(*s_);
    EXPECT_EQ(x, std::ldexp(static_cast<Extended>(reference()), -32));
    EXPECT_GE(x, 0.0L);
    EXPECT_LT(x, 1.0L);
  }
}

TEST_F(RandomSourceTest, ExtremeOutputsAsReals) {
  PlantNextOutput(*s_, 0U);
  ASSERT_EQ(GENRAND_MT19937(*s_), 0U);  // the planting itself
  PlantNextOutput(*s_, 0U);
  EXPECT_EQ(RANDOM(*s_), 0.0L);
  PlantNextOutput(*s_, 0xffffffffU);
  EXPECT_EQ(RANDOM(*s_), 1.0L - std::ldexp(1.0L, -32));
}

TEST_F(RandomSourceTest, IntegerDrawsStayInRangeAndUseOneOutputEach) {
  RANDOMIZE(*s_, 31337);
  std::mt19937 reference(31337);
  for (int i = 0; i < 2000; ++i) {
    EXPECT_EQ(RANDOM(*s_, 0), 0);
    reference();
    EXPECT_EQ(RANDOM(*s_, 1), 0);
    reference();

    const int32_t minus_five = RANDOM(*s_, -5);
    EXPECT_GE(minus_five, -4);
    EXPECT_LE(minus_five, 0);
    // n = -5 draws as n = -4: floor(u * -4 / 2^32), exact in a double.
    const double scaled = -4.0 * static_cast<double>(reference()) / 4294967296.0;
    EXPECT_EQ(minus_five, static_cast<int32_t>(std::floor(scaled)));

    const int32_t fisher_seed = RANDOM(*s_, 165) + 1;
    EXPECT_GE(fisher_seed, 1);
    EXPECT_LE(fisher_seed, 165);
    EXPECT_EQ(fisher_seed - 1, static_cast<int32_t>((uint64_t{reference()} * 165U) >> 32));
  }
  // After the loop both streams are at the same place.
  EXPECT_EQ(GENRAND_MT19937(*s_), reference());
}

TEST_F(RandomSourceTest, IntegerDrawsAtTheExtremeOutputs) {
  const struct {
    uint32_t output;
    int32_t n, expected;
  } cases[] = {{0xffffffffU, 165, 164},
               {0xffffffffU, -5, -4},
               {1U, -5, -1},
               {0U, -5, 0},
               {0xffffffffU, INT32_MAX, INT32_MAX - 1},
               {0xffffffffU, INT32_MIN, INT32_MIN + 1}};
  for (const auto& c : cases) {
    PlantNextOutput(*s_, c.output);
    EXPECT_EQ(RANDOM(*s_, c.n), c.expected) << c.output << " " << c.n;
  }
}

TEST_F(RandomSourceTest, IndexOutsideTheWordsIsNeverUsedToRead) {
  RANDOMIZE(*s_, 3);
  GENRAND_MT19937(*s_);
  s_->MT.index = -7;
  GENRAND_MT19937(*s_);  // regenerates instead of reading before the words
  EXPECT_EQ(s_->MT.index, 1);
}

}  // namespace
}  // namespace gorvan
