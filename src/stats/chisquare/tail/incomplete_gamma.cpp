// The regularised incomplete gamma function by its series, P(A, X), and by
// its continued fraction, Q(A, X). Each converges quickly on its own side of
// X = A + 1, where GAMMQ uses it.
#include "stats/chisquare/tail/incomplete_gamma.h"

#include <cmath>

#include "stats/chisquare/tail/gammln.h"

namespace gorvan {
namespace {

constexpr int ITMAX = 3000;
// The tolerance is held as the extended value nearest 3.0E-7, like every
// other constant of the module.
constexpr Extended EPS = 3.0E-7L;

// exp(-X) X^A / Gamma(A), the factor both expansions share.
Extended Prefactor(Extended A, Extended X, Extended GLN) {
  return std::exp(A * std::log(X) - X - GLN);
}

}  // namespace

GserResult GSER(Extended A, Extended X, Pause& pause) {
  GserResult result{0, GAMMLN(A)};
  if (X <= 0) {
    if (X < 0) pause.PauseWith("pause in GSER - x less than 0");
    return result;
  }
  Extended AP = A;
  Extended SUM = 1 / A;
  Extended DEL = SUM;
  bool converged = false;
  for (int N = 1; N <= ITMAX; ++N) {
    AP = AP + 1;
    DEL = DEL * X / AP;
    SUM = SUM + DEL;
    if (std::fabs(DEL) < std::fabs(SUM) * EPS) {
      converged = true;
      break;
    }
  }
  if (!converged) pause.PauseWith("pause in GSER - a too large, itmax too small");
  result.GAMSER = SUM * Prefactor(A, X, result.GLN);
  return result;
}

GcfResult GCF(Extended A, Extended X, Pause& pause) {
  const Extended GLN = GAMMLN(A);
  Extended GOLD = 0;
  Extended A0 = 1, A1 = X;
  Extended B0 = 0, B1 = 1;
  Extended FAC = 1;
  // Stays 0 only if no convergent could be formed (X = 0, never passed by
  // GAMMQ); the result is then 0 rather than an undefined value.
  Extended G = 0;
  bool converged = false;
  for (int N = 1; N <= ITMAX; ++N) {
    const Extended AN = N;
    const Extended ANA = AN - A;
    A0 = (A1 + A0 * ANA) * FAC;
    B0 = (B1 + B0 * ANA) * FAC;
    const Extended ANF = FAC * AN;
    A1 = X * A0 + ANF * A1;
    B1 = X * B0 + ANF * B1;
    // The recurrences are renormalised by 1/A1 so that they cannot overflow.
    if (A1 != 0) {
      FAC = 1 / A1;
      G = B1 * FAC;
      if (std::fabs((G - GOLD) / G) < EPS) {
        converged = true;
        break;
      }
      GOLD = G;
    }
  }
  if (!converged) pause.PauseWith("pause in GCF - a too large, itmax too small");
  return GcfResult{G * Prefactor(A, X, GLN), GLN};
}

}  // namespace gorvan
