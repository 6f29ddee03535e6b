#include "binomial.h"

#include <cmath>

#include <gtest/gtest.h>

namespace gorvan::validation {
namespace {

TEST(BinomialInterval, HoldsTheCoverageAndCutsNoMoreThanHalfTheRestFromEachTail) {
  for (int n : {50, 400, 2000}) {
    for (double p : {0.01, 0.05, 0.5}) {
      const CountInterval in = BinomialInterval(n, p, 0.99);
      ASSERT_LE(in.low, in.high);
      const double below = in.low > 0 ? BinomialCdf(in.low - 1, n, p) : 0.0;
      const double above = 1 - BinomialCdf(in.high, n, p);
      EXPECT_LE(below, 0.005 + 1e-12) << n << " " << p;
      EXPECT_LE(above, 0.005 + 1e-12) << n << " " << p;
      // One more count on either side would cut too much: the interval is
      // the narrowest with these tails.
      EXPECT_GT(BinomialCdf(in.low, n, p), 0.005) << n << " " << p;
      EXPECT_GT(1 - BinomialCdf(in.high - 1, n, p), 0.005) << n << " " << p;
    }
  }
}

TEST(BinomialInterval, AgreesWithTheNormalApproximationForManyRuns) {
  const int n = 20000;
  const CountInterval in = BinomialInterval(n, 0.05, 0.99);
  const double half_width = 2.5758 * std::sqrt(n * 0.05 * 0.95);
  EXPECT_NEAR(in.low, n * 0.05 - half_width, 3);
  EXPECT_NEAR(in.high, n * 0.05 + half_width, 3);
}

TEST(BinomialCdf, SumsTheWholeMassToOneAndKnowsSmallCases) {
  EXPECT_NEAR(BinomialCdf(10, 10, 0.3), 1.0, 1e-12);
  EXPECT_NEAR(BinomialCdf(0, 3, 0.5), 0.125, 1e-15);
  EXPECT_NEAR(BinomialCdf(1, 3, 0.5), 0.5, 1e-15);
  EXPECT_NEAR(BinomialCdf(2000, 2000, 0.05), 1.0, 1e-9);
}

}  // namespace
}  // namespace gorvan::validation
