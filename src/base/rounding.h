// Rounding to a whole number with an exact half going to the even
// neighbour, worked out by hand so that it does not depend on the
// floating-point rounding mode.
#pragma once

#include "base/extended.h"

namespace gorvan {

Extended RoundHalfEven(Extended value);

}  // namespace gorvan
