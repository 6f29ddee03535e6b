#include "stats/chisquare/tail/wilson_hilferty.h"

#include <cmath>

#include "base/checked_math.h"

namespace gorvan {
namespace {

constexpr Extended kOneThird = 1.0L / 3.0L;

// The normal density divisor is the square root of 6.2831852 (2 x 3.1415926),
// a little short of the square root of 2 pi; the program's P values have
// always been computed with it, and results stay comparable across versions.
constexpr Extended kDensityDivisor = 2.5066282532517661L;

constexpr Extended kP = 0.2316419L;
constexpr Extended kB1 = 0.31938153L;
constexpr Extended kB2 = -0.356563782L;
constexpr Extended kB3 = 1.781477937L;
constexpr Extended kB4 = -1.821255978L;
constexpr Extended kB5 = 1.330274429L;

// TT^k taken through the logarithm, as the results are computed with it.
Extended PowerByLog(Extended TT, int k) { return std::exp(k * std::log(TT)); }

}  // namespace

Extended WilsonHilfertyDeviate(Extended CHI, int32_t DF) {
  const Extended two_ninths_per_df = 2 / static_cast<Extended>(CheckedMul(9, DF));
  const Extended cube_root = std::exp(std::log(CHI / DF) * kOneThird);
  return (cube_root - (1 - two_ninths_per_df)) / std::sqrt(two_ninths_per_df);
}

Extended NormalUpperTail(Extended XX) {
  const int XY = XX < 0 ? 1 : 0;
  XX = std::fabs(XX);
  const Extended ZXX = std::exp(-(XX * XX) / 2) / kDensityDivisor;
  const Extended TT = 1 / (1 + kP * XX);
  const Extended polynomial = kB1 * TT + kB2 * (TT * TT) + kB3 * PowerByLog(TT, 3) +
                              kB4 * PowerByLog(TT, 4) + kB5 * PowerByLog(TT, 5);
  const Extended QXX = ZXX * polynomial;
  return XY == 1 ? 1 - QXX : QXX;
}

}  // namespace gorvan
