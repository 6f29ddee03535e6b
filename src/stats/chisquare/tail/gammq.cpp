// GAMMQ: the upper tail of the chi-square distribution, through which every
// chi-square P value of the program is computed.
#include "stats/chisquare/tail/gammq.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "base/rounding.h"
#include "base/runtime_error.h"
#include "stats/chisquare/tail/incomplete_gamma.h"
#include "stats/chisquare/tail/wilson_hilferty.h"

namespace gorvan {
namespace {

// Above this many degrees of freedom the normal approximation is used.
constexpr int32_t kDfLimit = 100;
// Up to kDfLimit degrees of freedom, a larger chi-square has P = 0.
constexpr Extended kChiSquareLimit = 200;
// A larger normal deviate has P = 0.
constexpr Extended kDeviateLimit = 5;

constexpr const char* kInvalidArguments = "pause in GAMMQ - invalid arguments";

// The degrees of freedom 2A, rounded to the nearest whole number with an
// exact half going to the even neighbour.
int32_t DegreesOfFreedom(Extended A) {
  const Extended rounded = RoundHalfEven(2 * A);
  if (!(rounded >= std::numeric_limits<int32_t>::min() &&
        rounded <= std::numeric_limits<int32_t>::max())) {
    throw RuntimeError(kArithmeticOverflow,
                       "the degrees of freedom of a chi-square do not fit 32 bits");
  }
  return static_cast<int32_t>(rounded);
}

// Above 100 degrees of freedom.
Extended NormalApproximation(Extended CHI, int32_t DF, Pause& pause) {
  // A chi-square of 0 has no cube root through the logarithm; the formula
  // tends to 1 there. A negative one is an invalid argument and carries no
  // evidence either.
  if (CHI < 0) pause.PauseWith(kInvalidArguments);
  if (CHI <= 0) return 1;
  const Extended XX = WilsonHilfertyDeviate(CHI, DF);
  if (XX > kDeviateLimit) return 0;
  return NormalUpperTail(XX);
}

// Up to 100 degrees of freedom: the incomplete gamma function itself.
Extended IncompleteGamma(Extended A, Extended X, Extended CHI, Pause& pause) {
  // A table without degrees of freedom carries no evidence against
  // homogeneity; ln Gamma(A) has no value there.
  if (A <= 0) {
    pause.PauseWith(kInvalidArguments);
    return 1;
  }
  if (CHI > kChiSquareLimit) return 0;
  if (X < 0) pause.PauseWith(kInvalidArguments);
  if (X < A + 1) return 1 - GSER(A, X, pause).GAMSER;
  return GCF(A, X, pause).GAMMCF;
}

}  // namespace

Extended GAMMQ(Extended A, Extended X, Pause& pause) {
  const int32_t DF = DegreesOfFreedom(A);
  const Extended CHI = 2 * X;
  if (DF > kDfLimit) return NormalApproximation(CHI, DF, pause);
  return IncompleteGamma(A, X, CHI, pause);
}

}  // namespace gorvan
