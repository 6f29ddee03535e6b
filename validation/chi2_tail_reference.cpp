#include "chi2_tail_reference.h"

#if defined(GORVAN_HAVE_QUADMATH)

#include <quadmath.h>

namespace gorvan::validation {

// For even df, exp(-x) times the sum of x^k / k! over k < df/2; for odd df,
// erfc(sqrt x) plus the sum of exp(-x) x^(k+1/2) / Gamma(k + 3/2) over
// k < (df-1)/2, with x = chi / 2. Every term is positive, so nothing
// cancels; each term comes from the one before by one product, so the
// rounding stays near the 1e-34 of the format even for hundreds of terms.
Quad ChiSquareUpperTail(int df, Quad chi) {
  const Quad x = chi / 2;
  if (df % 2 == 0) {
    Quad term = expq(-x);
    Quad sum = 0;
    for (int k = 0; k < df / 2; ++k) {
      sum += term;
      term *= x / (k + 1);
    }
    return sum;
  }
  const Quad sqrt_pi = sqrtq(acosq(Quad(-1)));
  Quad term = expq(-x) * sqrtq(x) / (sqrt_pi / 2);  // k = 0: x^(1/2) / Gamma(3/2)
  Quad sum = erfcq(sqrtq(x));
  for (int k = 0; k < (df - 1) / 2; ++k) {
    sum += term;
    term *= x / (k + Quad(1.5));
  }
  return sum;
}

Quad ChiSquareQuantile(int df, Quad upper_tail) {
  // The tail falls as chi grows; bisect on a bracket that surely holds the
  // value (the tail at df + 40 sqrt(df) + 200 is far below any target here).
  Quad low = 0;
  Quad high = df + 40 * sqrtq(Quad(df)) + 200;
  for (int i = 0; i < 200; ++i) {
    const Quad middle = (low + high) / 2;
    if (ChiSquareUpperTail(df, middle) > upper_tail) {
      low = middle;
    } else {
      high = middle;
    }
  }
  return (low + high) / 2;
}

}  // namespace gorvan::validation

#endif
