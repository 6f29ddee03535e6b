// The chi-square upper tail above 100 degrees of freedom: the Wilson-Hilferty
// cube-root transformation to a standard normal deviate, and the polynomial
// approximation of the normal upper tail (Abramowitz and Stegun 26.2.17).
#pragma once

#include <cstdint>

#include "base/extended.h"

namespace gorvan {

// The normal deviate of a chi-square CHI > 0 with DF degrees of freedom:
// ((CHI/DF)^(1/3) - (1 - 2/(9 DF))) / sqrt(2/(9 DF)).
Extended WilsonHilfertyDeviate(Extended CHI, int32_t DF);

// P(Z >= XX) for a standard normal Z, by the five-term polynomial; accurate
// to about 7.5E-8 absolute.
Extended NormalUpperTail(Extended XX);

}  // namespace gorvan
