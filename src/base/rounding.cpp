#include "base/rounding.h"

#include <cmath>

namespace gorvan {

Extended RoundHalfEven(Extended value) {
  const Extended below = std::floor(value);
  const Extended fraction = value - below;  // exact: no rounding happens here
  if (fraction > 0.5L) return below + 1;
  if (fraction < 0.5L) return below;
  return std::fmod(below, 2.0L) == 0 ? below : below + 1;
}

}  // namespace gorvan
