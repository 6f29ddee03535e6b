#include "chi2_tail_reference.h"

#include <gtest/gtest.h>

#if defined(GORVAN_HAVE_QUADMATH)
#include <quadmath.h>
#endif

namespace gorvan::validation {
namespace {

#if defined(GORVAN_HAVE_QUADMATH)

double Tail(int df, double chi) {
  return static_cast<double>(ChiSquareUpperTail(df, static_cast<Quad>(chi)));
}

TEST(ChiSquareReference, MatchesPublishedCriticalValues) {
  // Upper 5% and 1% points from standard tables, to their printed digits.
  EXPECT_NEAR(Tail(1, 3.841458820694124), 0.05, 1e-15);
  EXPECT_NEAR(Tail(10, 18.307038053275146), 0.05, 1e-15);
  EXPECT_NEAR(Tail(100, 124.342113404), 0.05, 1e-11);
  EXPECT_NEAR(Tail(5, 15.08627246938899), 0.01, 1e-15);
  EXPECT_NEAR(Tail(200, 233.994), 0.05, 1e-5);
  EXPECT_NEAR(Tail(1000, 1074.679449), 0.05, 1e-8);
}

TEST(ChiSquareReference, KnowsTheClosedFormsOfOneAndTwoDegreesOfFreedom) {
  // 1 df: 2 (1 - Phi(sqrt chi)); 2 df: exp(-chi / 2).
  EXPECT_NEAR(Tail(1, 1.0), 0.31731050786291410, 1e-16);
  EXPECT_NEAR(Tail(2, 7.0), 0.030197383422318501, 1e-17);
  EXPECT_EQ(Tail(1, 0.0), 1.0);
  EXPECT_EQ(Tail(7, 0.0), 1.0);
}

TEST(ChiSquareReference, QuantileInvertsTheTail) {
  for (int df : {1, 2, 37, 100, 101, 1000}) {
    for (double tail : {0.9, 0.05, 1e-6}) {
      const Quad chi = ChiSquareQuantile(df, static_cast<Quad>(tail));
      EXPECT_NEAR(static_cast<double>(ChiSquareUpperTail(df, chi)) / tail, 1.0, 1e-14)
          << df << " " << tail;
    }
  }
}

#else

TEST(ChiSquareReference, NeedsQuadruplePrecision) {
  GTEST_SKIP() << "libquadmath is not available to this compiler";
}

#endif

}  // namespace
}  // namespace gorvan::validation
