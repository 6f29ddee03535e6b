#include "stats/chisquare/tail/gammq.h"

#include <cmath>
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "base/runtime_error.h"
#include "stats/chisquare/tail/gammln.h"
#include "stats/chisquare/tail/incomplete_gamma.h"
#include "stats/chisquare/tail/wilson_hilferty.h"
#include "testing/test_state.h"
#include "textio/number_format.h"

namespace gorvan {
namespace {

// Pauses on a console whose output is kept and whose input is a given text.
class Chi2ProbTest : public ::testing::Test {
 protected:
  void SetInput(const std::string& text) {
    terminal_.console_in.str(text);
    terminal_.console_in.clear();
  }
  std::string Output() const { return terminal_.console_out.str(); }
  std::string UnreadInput() {
    std::string rest;
    std::getline(terminal_.console_in, rest, '\0');
    return rest;
  }
  Pause& pause() { return pause_; }

  Extended Q(Extended df, Extended chi) { return GAMMQ(df / 2, chi / 2, pause_); }

 private:
  TestState terminal_;  // a terminal console on string streams
  ConsolePause pause_{terminal_.console};
};

std::string FourDecimals(Extended p) { return FormatReal(p, 0, 4); }

// The chi-square upper tail for a whole number of degrees of freedom in
// closed form, a sum of positive terms: for even df, exp(-x) sum x^k / k!
// over k < df/2; for odd df, erfc(sqrt x) plus exp(-x) sum x^(k+1/2) /
// Gamma(k + 3/2) over k < (df-1)/2. It shares nothing with the routines
// under test.
Extended ReferenceUpperTail(int df, Extended chi) {
  const Extended x = chi / 2;
  Extended sum = 0;
  if (df % 2 == 0) {
    for (int k = 0; k < df / 2; ++k) sum += std::exp(-x + k * std::log(x) - std::lgamma(k + 1.0L));
    return sum;
  }
  sum = std::erfc(std::sqrt(x));
  for (int k = 0; k < (df - 1) / 2; ++k) {
    sum += std::exp(-x + (k + 0.5L) * std::log(x) - std::lgamma(k + 1.5L));
  }
  return sum;
}

TEST_F(Chi2ProbTest, GammqGivesTheTabulatedFivePercentPoints) {
  EXPECT_EQ(FourDecimals(Q(1, 3.841459L)), "0.0500");
  EXPECT_EQ(FourDecimals(Q(10, 18.307038L)), "0.0500");
  EXPECT_EQ(FourDecimals(Q(100, 124.342L)), "0.0500");
  EXPECT_EQ(FourDecimals(Q(200, 233.994L)), "0.0500");
  EXPECT_EQ(FourDecimals(Q(200, 150)), "0.9966");
  EXPECT_EQ(Output(), "");
}

TEST_F(Chi2ProbTest, GammqAgreesWithTheClosedFormUpToOneHundredDf) {
  const Extended factors[] = {0.05L, 0.3L, 0.6L, 0.9L, 1.0L, 1.1L, 1.3L, 1.6L, 2.0L};
  for (int df = 1; df <= 100; ++df) {
    for (Extended factor : factors) {
      for (Extended chi : {factor * df, factor * df + 1.5L}) {
        if (chi > 200) continue;
        const Extended expected = ReferenceUpperTail(df, chi);
        if (expected < 1e-12L) continue;
        EXPECT_NEAR(Q(df, chi) / expected, 1, 1e-6) << "df " << df << ", chi-square " << chi;
      }
    }
  }
  EXPECT_EQ(Output(), "");
}

TEST_F(Chi2ProbTest, GammqKeepsItsLimitsAndGivesOneForChiSquareZero) {
  // Exactly 200 is still computed; anything above it is exactly 0.
  const Extended at_limit = Q(100, 200);
  EXPECT_NEAR(at_limit / ReferenceUpperTail(100, 200), 1, 1e-5);
  EXPECT_GT(at_limit, 1.0e-8L);
  EXPECT_LT(at_limit, 1.4e-8L);
  EXPECT_EQ(Q(100, std::nextafter(200.0L, 300.0L)), 0);
  EXPECT_EQ(Q(1, 200.5L), 0);
  // A chi-square of 0 is the series with X = 0: exactly 1, no pause.
  EXPECT_EQ(Q(100, 0), 1);
  EXPECT_EQ(Q(1, 0), 1);
  // Above 100 df a chi-square of 0 has no cube root through the logarithm;
  // the result is the formula's limit, 1.
  EXPECT_EQ(Q(101, 0), 1);
  EXPECT_EQ(Output(), "");
}

TEST_F(Chi2ProbTest, GammqTakesTheContinuedFractionFromAPlusOneOn) {
  const Extended A = 5;
  const Extended at_boundary = A + 1;
  const Extended below = std::nextafter(at_boundary, 0.0L);
  ASSERT_NE(GCF(A, at_boundary, pause()).GAMMCF, 1 - GSER(A, at_boundary, pause()).GAMSER);
  ASSERT_NE(GCF(A, below, pause()).GAMMCF, 1 - GSER(A, below, pause()).GAMSER);

  EXPECT_EQ(GAMMQ(A, at_boundary, pause()), GCF(A, at_boundary, pause()).GAMMCF);
  EXPECT_EQ(GAMMQ(A, below, pause()), 1 - GSER(A, below, pause()).GAMSER);
}

TEST_F(Chi2ProbTest, GammqRoundsTwiceAToTheEvenWholeNumber) {
  // 2A = 100.5 rounds to 100 (even): still the incomplete gamma function.
  EXPECT_EQ(GAMMQ(50.25L, 40, pause()), 1 - GSER(50.25L, 40, pause()).GAMSER);
  // 2A = 100.6 rounds to 101: the normal approximation with 101 df.
  EXPECT_EQ(GAMMQ(50.3L, 60, pause()), NormalUpperTail(WilsonHilfertyDeviate(120, 101)));
  // 2A = 102.5 rounds down to 102, 103.5 up to 104.
  EXPECT_EQ(GAMMQ(51.25L, 60, pause()), NormalUpperTail(WilsonHilfertyDeviate(120, 102)));
  EXPECT_EQ(GAMMQ(51.75L, 60, pause()), NormalUpperTail(WilsonHilfertyDeviate(120, 104)));
}

TEST_F(Chi2ProbTest, DegreesOfFreedomBeyond32BitsStopWithOverflow) {
  try {
    GAMMQ(1.5e9L, 1, pause());
    FAIL() << "no stop";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), 215);
  }
}

TEST_F(Chi2ProbTest, GammqSwitchesToTheNormalApproximationAbove100Df) {
  const Extended chi = 124;
  const Extended approximate = Q(101, chi);
  EXPECT_EQ(approximate, NormalUpperTail(WilsonHilfertyDeviate(chi, 101)));
  EXPECT_NE(approximate, GCF(50.5L, chi / 2, pause()).GAMMCF);
  // A close approximation nonetheless.
  EXPECT_NEAR(approximate, ReferenceUpperTail(101, chi), 5e-4);
  EXPECT_NEAR(Q(200, 233.994L), ReferenceUpperTail(200, 233.994L), 5e-4);
  // Far beyond 200 there is no cut-off at chi-square 200.
  EXPECT_GT(Q(300, 320), 0.1L);
}

// The smallest chi-square whose deviate with `df` degrees of freedom is at
// least 5, by bisection over the representable values (the deviate never
// falls as the chi-square grows).
Extended SmallestChiWithDeviateFive(int df) {
  Extended below = df, at_least = 10.0L * df;
  while (std::nextafter(below, at_least) != at_least) {
    Extended middle = below + (at_least - below) / 2;
    if (middle == below || middle == at_least) middle = std::nextafter(below, at_least);
    (WilsonHilfertyDeviate(middle, df) >= 5 ? at_least : below) = middle;
  }
  return at_least;
}

TEST_F(Chi2ProbTest, GammqComputesADeviateOfExactly5AndCutsAboveIt) {
  // The deviate moves in steps of several units in its last place, so only
  // some degrees of freedom reach exactly 5.
  int found = 0;
  for (int df = 101; df <= 400 && found < 3; ++df) {
    const Extended chi = SmallestChiWithDeviateFive(df);
    if (WilsonHilfertyDeviate(chi, df) != 5) continue;
    ++found;
    const Extended at_five = Q(df, chi);
    EXPECT_EQ(at_five, NormalUpperTail(5)) << df;
    EXPECT_NEAR(at_five, 0.5L * std::erfc(5 / std::sqrt(2.0L)), 1e-7) << df;

    Extended above = std::nextafter(chi, 1e9L);
    while (WilsonHilfertyDeviate(above, df) == 5) above = std::nextafter(above, 1e9L);
    EXPECT_EQ(Q(df, above), 0) << df;
  }
  EXPECT_EQ(found, 3);
}

TEST_F(Chi2ProbTest, NormalDensityUsesTheSquareRootOf6Point2831852) {
  // At XX = 0 every power of TT is 1, so the tail is the sum of the five
  // coefficients over the divisor.
  const Extended coefficients =
      0.31938153L - 0.356563782L + 1.781477937L - 1.821255978L + 1.330274429L;
  EXPECT_NEAR(NormalUpperTail(0), coefficients / std::sqrt(6.2831852L), 1e-15);
  EXPECT_GT(std::fabs(NormalUpperTail(0) - coefficients / std::sqrt(2 * 3.14159265358979323846L)),
            1e-9);
  // Symmetric about 0 through 1 - QXX.
  EXPECT_EQ(NormalUpperTail(-1.5L), 1 - NormalUpperTail(1.5L));
  EXPECT_NEAR(NormalUpperTail(1.959964L), 0.025L, 1e-7);
}

TEST_F(Chi2ProbTest, GammlnMatchesKnownValues) {
  EXPECT_NEAR(GAMMLN(0.5L), 0.5723649L, 5e-8);
  EXPECT_NEAR(GAMMLN(0.5L), std::log(std::sqrt(3.14159265358979323846L)), 1e-9);
  EXPECT_NEAR(GAMMLN(1), 0, 1e-10);
  EXPECT_NEAR(GAMMLN(2), 0, 1e-10);
  for (Extended x : {0.1L, 0.75L, 1.5L, 3.0L, 7.25L, 25.0L, 50.5L, 150.0L}) {
    const Extended expected = std::lgamma(x);
    EXPECT_NEAR(GAMMLN(x), expected, 2e-10 * std::max(1.0L, std::fabs(expected))) << x;
  }
}

TEST_F(Chi2ProbTest, InvalidArgumentsPauseOnceAndGiveOne) {
  SetInput("first\nsecond\nthird\n");
  // No degrees of freedom: whatever the chi-square, no evidence.
  EXPECT_EQ(GAMMQ(0, 1, pause()), 1);
  EXPECT_EQ(Output(), "pause in GAMMQ - invalid arguments\n");
  EXPECT_EQ(GAMMQ(0, 150, pause()), 1);
  EXPECT_EQ(GAMMQ(-1, 3, pause()), 1);
  EXPECT_EQ(Output(),
            "pause in GAMMQ - invalid arguments\n"
            "pause in GAMMQ - invalid arguments\n"
            "pause in GAMMQ - invalid arguments\n");
  EXPECT_EQ(UnreadInput(), "");
}

TEST_F(Chi2ProbTest, NegativeChiSquarePausesTwiceAndGivesOne) {
  SetInput("first\nsecond\nthird\n");
  EXPECT_EQ(GAMMQ(2, -1, pause()), 1);
  EXPECT_EQ(Output(),
            "pause in GAMMQ - invalid arguments\n"
            "pause in GSER - x less than 0\n");
  EXPECT_EQ(UnreadInput(), "third\n");
}

TEST_F(Chi2ProbTest, NegativeChiSquareAbove100DfPausesAndGivesOne) {
  SetInput("first\nsecond\n");
  EXPECT_EQ(Q(150, -2), 1);
  EXPECT_EQ(Output(), "pause in GAMMQ - invalid arguments\n");
  EXPECT_EQ(UnreadInput(), "second\n");
}

TEST_F(Chi2ProbTest, PausesReturnAtOnceAtTheEndOfInput) {
  SetInput("");
  EXPECT_EQ(GAMMQ(2, -1, pause()), 1);
  EXPECT_EQ(GAMMQ(0, 0, pause()), 1);
  EXPECT_EQ(Output(),
            "pause in GAMMQ - invalid arguments\n"
            "pause in GSER - x less than 0\n"
            "pause in GAMMQ - invalid arguments\n");
}

TEST_F(Chi2ProbTest, SeriesPausesWhenItDoesNotConverge) {
  SetInput("enter\nleft over\n");
  const GserResult r = GSER(1.0e7L, 1.0e7L, pause());
  EXPECT_EQ(Output(), "pause in GSER - a too large, itmax too small\n");
  EXPECT_EQ(UnreadInput(), "left over\n");
  // The last partial sum is used: a finite value, well short of P = 1/2.
  EXPECT_TRUE(std::isfinite(r.GAMSER));
  EXPECT_GT(r.GAMSER, 0);
  EXPECT_LT(r.GAMSER, 0.5L);
  EXPECT_NEAR(r.GLN, std::lgamma(1.0e7L), 1e-6);
}

TEST_F(Chi2ProbTest, ContinuedFractionPausesWhenItDoesNotConverge) {
  SetInput("enter\nleft over\n");
  const GcfResult r = GCF(1.0e10L, 1.0e10L, pause());
  EXPECT_EQ(Output(), "pause in GCF - a too large, itmax too small\n");
  EXPECT_EQ(UnreadInput(), "left over\n");
  EXPECT_TRUE(std::isfinite(r.GAMMCF));
}

}  // namespace
}  // namespace gorvan
