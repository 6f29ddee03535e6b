#include "stats/fisher/internal/universal_rng_block.h"

#include <random>

#include <gtest/gtest.h>

#include "base/internal_check.h"

namespace gorvan {
namespace {

constexpr Extended kTwoTo24 = 16777216.0L;

bool SameState(const UniversalRng& a, const UniversalRng& b) {
  if (a.DP != b.DP || a.DQ != b.DQ || a.DI != b.DI || a.DD != b.DD || a.DM != b.DM) return false;
  for (int n = 1; n <= kLaggedValues; ++n) {
    if (a.U[n] != b.U[n]) return false;
  }
  return true;
}

TEST(UniversalRngBlockTest, DrawsAreTheReferenceDrawsOverManyBlocks) {
  std::mt19937 pick(2024);
  std::uniform_int_distribution<int> seed(1, 168);
  for (int trial = 0; trial < 6; ++trial) {
    const int16_t s1 = static_cast<int16_t>(seed(pick)), s2 = static_cast<int16_t>(seed(pick));
    const int16_t s3 = static_cast<int16_t>(seed(pick)), s4 = static_cast<int16_t>(seed(pick));
    UniversalRng reference;
    MAKE_RANDOM(reference, s1, s2, s3, s4);
    UniversalRngBlock block;
    block.Seed(s1, s2, s3, s4);
    for (int draw = 0; draw < 5 * UniversalRngBlock::kBlock + 17; ++draw) {
      ASSERT_EQ(static_cast<Extended>(block.Next()), GOSUB100(reference) * kTwoTo24)
          << "seeds " << s1 << " " << s2 << " " << s3 << " " << s4 << ", draw " << draw;
    }
    EXPECT_EQ(block.drawn(), 5 * UniversalRngBlock::kBlock + 17);
  }
}

// The portable code and the AVX2 code (where the processor has it) make the
// same draws.
TEST(UniversalRngBlockTest, PortableAndAvx2CodeDrawAlike) {
  UniversalRngBlock portable;
  portable.UseCode(UniversalRngBlock::Code::kPortable);
  portable.Seed(77, 3, 150, 9);
  UniversalRngBlock preferred;
  preferred.Seed(77, 3, 150, 9);
  EXPECT_EQ(preferred.code(), FastestVectorCode());
  UniversalRng reference;
  MAKE_RANDOM(reference, 77, 3, 150, 9);
  for (int draw = 0; draw < 4 * UniversalRngBlock::kBlock; ++draw) {
    const uint32_t value = portable.Next();
    ASSERT_EQ(preferred.Next(), value) << "draw " << draw;
    ASSERT_EQ(static_cast<Extended>(value), GOSUB100(reference) * kTwoTo24) << "draw " << draw;
  }
}

TEST(UniversalRngBlockTest, PublishedSequenceAfterTwentyThousandDraws) {
  UniversalRngBlock block;
  block.Seed(12, 34, 56, 78);
  for (int i = 0; i < 20000; ++i) block.Next();
  for (uint32_t value : {6533892u, 14220222u, 7275067u, 6172232u, 8354498u, 10633180u}) {
    EXPECT_EQ(block.Next(), value);
  }
}

// The reference state handed out at any draw, now or some draws back and
// across block boundaries, is the reference generator's state there.
TEST(UniversalRngBlockTest, ReferenceStateNowAndEarlier) {
  UniversalRngBlock block;
  block.Seed(101, 17, 5, 160);
  UniversalRng reference;
  MAKE_RANDOM(reference, 101, 17, 5, 160);
  std::vector<UniversalRng> history{reference};
  for (int draw = 0; draw < 2 * UniversalRngBlock::kBlock + 50; ++draw) {
    block.Next();
    GOSUB100(reference);
    history.push_back(reference);
    const int64_t drawn = block.drawn();
    for (int64_t back : {int64_t{0}, int64_t{1}, int64_t{6}, int64_t{200}}) {
      if (back > drawn) continue;
      ASSERT_TRUE(SameState(block.ToReference(back), history[drawn - back]))
          << "after " << drawn << " draws, " << back << " back";
    }
  }
  EXPECT_THROW(block.ToReference(block.drawn() + 1), InternalError);
}

TEST(UniversalRngBlockTest, SavedStateGoesOnWithTheSameDraws) {
  UniversalRngBlock block;
  block.Seed(1, 2, 3, 4);
  for (int i = 0; i < UniversalRngBlock::kBlock - 3; ++i) block.Next();
  const UniversalRngBlock::Snapshot saved = block.Save();
  std::vector<uint32_t> ahead;
  for (int i = 0; i < 300; ++i) ahead.push_back(block.Next());
  UniversalRngBlock restored;
  restored.Restore(saved);
  EXPECT_EQ(restored.drawn(), saved.drawn);
  for (uint32_t value : ahead) ASSERT_EQ(restored.Next(), value);
}

TEST(UniversalRngBlockTest, TakesOverOnlyStatesTheGeneratorCanReach) {
  UniversalRng reference;
  MAKE_RANDOM(reference, 9, 8, 7, 6);
  for (int i = 0; i < 40; ++i) GOSUB100(reference);
  UniversalRngBlock block;
  block.FromReference(reference, 40);
  EXPECT_EQ(static_cast<Extended>(block.Next()), GOSUB100(reference) * kTwoTo24);

  UniversalRng wrong_lags = reference;
  wrong_lags.DQ = static_cast<int16_t>(wrong_lags.DQ % 97 + 1);
  EXPECT_THROW(block.FromReference(wrong_lags, 41), InternalError);
  EXPECT_THROW(block.FromReference(reference, 40), InternalError);  // 41 drawn
  UniversalRng off_grid = reference;
  off_grid.U[5] = 0.1L;
  EXPECT_THROW(block.FromReference(off_grid, 41), InternalError);
}

TEST(UniversalRngBlockTest, CorrectionRunsForwardAndBack) {
  int32_t correction = 362436;
  for (int i = 0; i < 1000; ++i) {
    correction -= UniversalRngBlock::kDecrement;
    if (correction < 0) correction += UniversalRngBlock::kModulus;
  }
  EXPECT_EQ(CorrectionAfter(362436, 1000), correction);
  EXPECT_EQ(CorrectionAfter(correction, -1000), 362436);
  EXPECT_EQ(CorrectionAfter(362436, int64_t{UniversalRngBlock::kModulus} * 3), 362436);
}

}  // namespace
}  // namespace gorvan
