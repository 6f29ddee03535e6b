// The chi-square upper tail probability: Q(A, X), the regularised upper
// incomplete gamma function, for A = df / 2 and X = chi-square / 2. Above
// 100 degrees of freedom, the Wilson-Hilferty normal approximation.
#pragma once

#include "base/extended.h"
#include "stats/chisquare/tail/pause.h"

namespace gorvan {

// Numerical trouble is shown through `pause` as a "pause in ..." message;
// the computation then goes on.
Extended GAMMQ(Extended A, Extended X, Pause& pause);

}  // namespace gorvan
