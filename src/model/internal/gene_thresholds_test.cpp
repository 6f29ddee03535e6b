#include "model/internal/gene_thresholds.h"

#include <cmath>
#include <limits>
#include <random>

#include <gtest/gtest.h>

#include "model/gene_assignment.h"

namespace gorvan {
namespace {

using Frequencies = double[kMaxAlleles + 1];

// The allele the limits give an output: the first whose limit it does not
// exceed, or the allele taking the outputs above every sum.
int AlleleByLimits(const GeneThresholds& t, uint32_t u) {
  for (int k = 1; k <= t.alleles; ++k) {
    if (u <= t.limit[k]) return k;
  }
  return t.beyond;
}

// Random frequencies with some zeros, summing to about `total`.
void RandomFrequencies(std::mt19937& pick, int alleles, double total, Frequencies& f) {
  std::uniform_real_distribution<double> weight(0, 1);
  double sum = 0;
  for (int k = 1; k <= alleles; ++k) {
    f[k] = weight(pick) < 0.2 ? 0 : weight(pick);
    sum += f[k];
  }
  for (int k = 1; k <= alleles; ++k) f[k] = sum > 0 ? f[k] / sum * total : 0;
}

// The outputs on each limit, next to it and at both ends go to the allele
// that AssignGene picks for the draw u x 2^-32, whatever the frequencies.
TEST(GeneThresholdsTest, EveryOutputOnOrNextToALimitGoesWhereTheDrawWould) {
  std::mt19937 pick(31);
  for (int trial = 0; trial < 400; ++trial) {
    const int alleles = trial % 50 + 1;
    const double total = trial % 3 == 0 ? 1 - 1e-7 : trial % 3 == 1 ? 1.0 : 0.9;
    Frequencies f = {};
    RandomFrequencies(pick, alleles, total, f);
    if (trial % 7 == 0) f[1] = 0;
    if (trial % 5 == 0) f[alleles] = 0;
    GeneThresholds t;
    ASSERT_TRUE(MakeGeneThresholds(f, alleles, t));
    std::vector<uint32_t> outputs = {0, 1, 0xfffffffeU, 0xffffffffU};
    for (int k = 1; k <= alleles; ++k) {
      for (int64_t near = -1; near <= 1; ++near) {
        const int64_t u = int64_t{t.limit[k]} + near;
        if (u >= 0 && u <= 0xffffffffLL) outputs.push_back(static_cast<uint32_t>(u));
      }
    }
    for (uint32_t u : outputs) {
      ASSERT_EQ(AlleleByLimits(t, u), AssignGene(f, alleles, static_cast<Extended>(u) * 0x1p-32L))
          << "trial " << trial << ", output " << u;
    }
  }
}

TEST(GeneThresholdsTest, LimitsOfExactSumsAndOfSumsBelowOne) {
  Frequencies f = {};
  f[1] = 0.5;
  f[2] = 0.5;
  GeneThresholds t;
  ASSERT_TRUE(MakeGeneThresholds(f, 2, t));
  EXPECT_EQ(t.limit[1], 0x80000000U);  // the draw of exactly 0.5 goes to allele 1
  EXPECT_EQ(t.limit[2], 0xffffffffU);
  EXPECT_EQ(t.limit[3], 0xffffffffU);
  // A zero frequency first: only the output 0 goes to allele 1.
  f[1] = 0;
  f[2] = 0.75;
  f[3] = 0.2;
  f[4] = 0;
  ASSERT_TRUE(MakeGeneThresholds(f, 4, t));
  EXPECT_EQ(t.limit[1], 0U);
  EXPECT_EQ(t.limit[2], 0xc0000000U);
  EXPECT_EQ(t.limit[4], t.limit[3]);
  EXPECT_EQ(t.beyond, 3);  // the last allele with a frequency above 0
  // Nothing above 0: the outputs above the (zero) sums go to the last allele.
  Frequencies none = {};
  ASSERT_TRUE(MakeGeneThresholds(none, 3, t));
  EXPECT_EQ(t.beyond, 3);
}

// Sums that fall, or are no numbers, cannot be searched by limits.
TEST(GeneThresholdsTest, NegativeOrUndefinedFrequenciesAreRefused) {
  GeneThresholds t;
  Frequencies f = {};
  f[1] = 0.6;
  f[2] = -0.2;
  f[3] = 0.6;
  EXPECT_FALSE(MakeGeneThresholds(f, 3, t));
  f[1] = -0.1;
  f[2] = 1.1;
  EXPECT_FALSE(MakeGeneThresholds(f, 2, t));
  f[1] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(MakeGeneThresholds(f, 2, t));
  f[1] = 1;
  EXPECT_FALSE(MakeGeneThresholds(f, 0, t));
  EXPECT_FALSE(MakeGeneThresholds(f, kMaxAlleles + 1, t));
}

// Every output of a slice goes to the slice's first allele or a later one,
// and its lowest output to that very allele.
TEST(GeneThresholdsTest, GuideNamesTheFirstAlleleOfEachSlice) {
  std::mt19937 pick(8);
  for (int trial = 0; trial < 60; ++trial) {
    const int alleles = trial % 50 + 1;
    Frequencies f = {};
    RandomFrequencies(pick, alleles, trial % 2 ? 1.0 : 0.95, f);
    GeneThresholds t;
    ASSERT_TRUE(MakeGeneThresholds(f, alleles, t));
    AlleleGuide guide;
    MakeAlleleGuide(t, guide);
    for (uint32_t slice = 0; slice < (1U << kGuideBits); ++slice) {
      const uint32_t lowest = slice << (32 - kGuideBits);
      int first = 1;
      while (first <= alleles && lowest > t.limit[first]) ++first;
      ASSERT_EQ(guide.first[slice], first) << "trial " << trial << ", slice " << slice;
    }
  }
}

}  // namespace
}  // namespace gorvan
