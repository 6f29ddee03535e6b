// The chi-square upper tail in quadruple precision (113-bit significand),
// from closed forms that share nothing with the program's routine: the
// yardstick for the accuracy of its P values.
#pragma once

#if defined(GORVAN_HAVE_QUADMATH)

namespace gorvan::validation {

using Quad = __float128;

// P(chi-square with `df` degrees of freedom >= chi), df >= 1, chi >= 0.
Quad ChiSquareUpperTail(int df, Quad chi);

// The chi-square value whose upper tail is `upper_tail` (0 < upper_tail < 1).
Quad ChiSquareQuantile(int df, Quad upper_tail);

}  // namespace gorvan::validation

#endif
