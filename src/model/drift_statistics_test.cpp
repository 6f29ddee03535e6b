// Drift checked against Wright-Fisher theory with a fixed seed: the mean
// F'st after t generations and the variance of a frequency after one.
#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>

#include <gtest/gtest.h>

#include "model/drift.h"
#include "model/random_source.h"
#include "testing/state_fixture.h"

namespace gorvan {
namespace {

struct Moments {
  void Add(double x) {
    ++n;
    sum += x;
    sum_of_squares += x * x;
  }
  double Mean() const { return sum / n; }
  double StandardError() const {
    const double variance = (sum_of_squares - sum * sum / n) / (n - 1);
    return std::sqrt(variance / n);
  }
  int n = 0;
  double sum = 0;
  double sum_of_squares = 0;
};

class DriftStatisticsTest : public StateFixture {
 protected:
  void SetUpBiallelic(int pops, int loci, double p, int drift_size, int generations) {
    s_->NUMBPOPS = static_cast<int16_t>(pops);
    s_->NUMBLOCI = static_cast<int16_t>(loci);
    for (int l = 1; l <= loci; ++l) {
      s_->ALLELES_PER_LOCUS[l] = 2;
      s_->BASEPOP[l][1] = p;
      s_->BASEPOP[l][2] = 1 - p;
    }
    for (int i = 1; i <= pops; ++i)
      s_->NUMB_DIPLOIDS_TO_SAMPLE[i] = static_cast<int16_t>(drift_size);
    s_->STOP_T = static_cast<int16_t>(generations);
  }
};

TEST_F(DriftStatisticsTest, MeanFstFollowsTheInbreedingRecurrence) {
  constexpr int kNe = 25, kGenerations = 10, kRuns = 40;
  SetUpBiallelic(/*pops=*/20, /*loci=*/20, 0.5, kNe, kGenerations);
  RANDOMIZE(*s_, 20240601);
  Moments fst;
  for (int run = 0; run < kRuns; ++run) {
    DRIFT_APART(*s_);
    fst.Add(static_cast<double>(s_->FSTPRIME));
  }
  const double expected = 1 - std::pow(1 - 1.0 / (2 * kNe), kGenerations);
  std::printf("  mean F'st %.5f (se %.5f) over %d runs; theory %.5f\n", fst.Mean(),
              fst.StandardError(), kRuns, expected);
  EXPECT_NEAR(fst.Mean(), expected, 4 * fst.StandardError());
}

TEST_F(DriftStatisticsTest, OneGenerationVarianceIsBinomial) {
  constexpr int kNe = 100, kPops = 30, kLoci = 50, kRuns = 4;
  constexpr double kP = 0.3;
  SetUpBiallelic(kPops, kLoci, kP, kNe, /*generations=*/1);
  RANDOMIZE(*s_, 31415);
  Moments frequency, squared_deviation;
  for (int run = 0; run < kRuns; ++run) {
    DRIFT_APART(*s_);
    for (int i = 1; i <= kPops; ++i) {
      for (int l = 1; l <= kLoci; ++l) {
        const double f = s_->ALL_POPS_AFREQ[i][l][1];
        frequency.Add(f);
        squared_deviation.Add((f - kP) * (f - kP));
      }
    }
  }
  const double expected_variance = kP * (1 - kP) / (2 * kNe);
  std::printf("  frequency mean %.5f (se %.5f), variance %.6f (se %.6f); theory %.5f, %.6f\n",
              frequency.Mean(), frequency.StandardError(), squared_deviation.Mean(),
              squared_deviation.StandardError(), kP, expected_variance);
  EXPECT_NEAR(frequency.Mean(), kP, 4 * frequency.StandardError());
  EXPECT_NEAR(squared_deviation.Mean(), expected_variance, 4 * squared_deviation.StandardError());
}

}  // namespace
}  // namespace gorvan
