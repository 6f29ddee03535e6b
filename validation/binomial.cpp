#include "binomial.h"

#include <cmath>

namespace gorvan::validation {
namespace {

// The probability mass at k, through logarithms so that large n neither
// overflows nor underflows in the coefficients.
long double BinomialMass(int k, int n, long double p) {
  const long double log_choose =
      std::lgamma(n + 1.0L) - std::lgamma(k + 1.0L) - std::lgamma(n - k + 1.0L);
  return std::exp(log_choose + k * std::log(p) + (n - k) * std::log1p(-p));
}

}  // namespace

double BinomialCdf(int k, int n, double p) {
  long double sum = 0;
  for (int i = 0; i <= k && i <= n; ++i) sum += BinomialMass(i, n, p);
  return static_cast<double>(sum);
}

CountInterval BinomialInterval(int n, double p, double coverage) {
  const long double tail = (1.0L - coverage) / 2;
  CountInterval interval{0, n};
  // Lowest count whose lower tail below it stays within the allowance.
  long double below = 0;
  while (interval.low < n && below + BinomialMass(interval.low, n, p) <= tail) {
    below += BinomialMass(interval.low, n, p);
    ++interval.low;
  }
  long double above = 0;
  while (interval.high > 0 && above + BinomialMass(interval.high, n, p) <= tail) {
    above += BinomialMass(interval.high, n, p);
    --interval.high;
  }
  return interval;
}

double ProportionStandardError(double share, int n) { return std::sqrt(share * (1 - share) / n); }

}  // namespace gorvan::validation
