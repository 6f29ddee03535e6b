// The extended-precision real of the program's statistics and sums.
#pragma once

#include <cfloat>

namespace gorvan {

// The 80-bit x87 format with a 64-bit significand. Every statistic is
// computed in it, and the written results depend on its rounding.
using Extended = long double;
static_assert(LDBL_MANT_DIG == 64, "extended precision needs the 80-bit x87 long double");

}  // namespace gorvan
