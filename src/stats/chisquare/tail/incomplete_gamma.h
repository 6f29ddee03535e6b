// The two ways of computing the incomplete gamma function: its series, for
// X below A + 1, and its continued fraction above.
#pragma once

#include "base/extended.h"
#include "stats/chisquare/tail/pause.h"

namespace gorvan {

struct GserResult {
  Extended GAMSER;  // P(A, X)
  Extended GLN;     // ln Gamma(A)
};
GserResult GSER(Extended A, Extended X, Pause& pause);

struct GcfResult {
  Extended GAMMCF;  // Q(A, X)
  Extended GLN;     // ln Gamma(A)
};
GcfResult GCF(Extended A, Extended X, Pause& pause);

}  // namespace gorvan
