// The standard error of the Fisher test's P estimate from its batches. Both
// forms of the chain compute it here, so that the same counts give the same
// bits.
#pragma once

#include <cstdint>

#include "base/extended.h"

namespace gorvan {

// The standard error of the mean of `batches` batch proportions from their
// sum and sum of squares. When every batch gives the same proportion,
// rounding can leave a tiny negative number under the root; the error is
// then 0, the value the formula approaches. Needs batches >= 2.
Extended BatchStandardError(Extended sum, Extended sum_of_squares, int32_t batches);

}  // namespace gorvan
