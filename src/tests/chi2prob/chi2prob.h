// The chi-square upper tail probability: Q(A, X), the regularised upper
// incomplete gamma function, for A = df / 2 and X = chi-square / 2. Above
// 100 degrees of freedom, the Wilson-Hilferty normal approximation.
#pragma once

#include "report/console.h"
#include "textio/extended.h"

namespace gorvan {

// Numerical trouble is shown on `console` as a "pause in ..." line followed
// by a wait for one line of input; the computation then goes on.
Extended GAMMQ(Extended A, Extended X, Console& console);

struct GserResult {
  Extended GAMSER;  // P(A, X)
  Extended GLN;     // ln Gamma(A)
};
GserResult GSER(Extended A, Extended X, Console& console);

struct GcfResult {
  Extended GAMMCF;  // Q(A, X)
  Extended GLN;     // ln Gamma(A)
};
GcfResult GCF(Extended A, Extended X, Console& console);

// ln Gamma(XX) for XX > 0 (six-term Lanczos series).
Extended GAMMLN(Extended XX);

}  // namespace gorvan
