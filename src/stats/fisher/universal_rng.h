// The Fisher test's own generator: the universal random number generator of
// Marsaglia, Zaman and Tsang (1990). A lagged subtraction over 97 values of
// 24 bits is combined with an arithmetic sequence modulo 16777213/16777216.
// Every value is a multiple of 2^-24 in [0, 1), so all of its additions and
// subtractions are exact.
#pragma once

#include <cstdint>

#include "base/extended.h"

namespace gorvan {

inline constexpr int kLaggedValues = 97;

struct UniversalRng {
  Extended U[kLaggedValues + 1] = {};  // places 1..97 are used
  Extended DI = 0;                     // the running correction c
  Extended DD = 0;                     // its decrement
  Extended DM = 0;                     // its modulus
  int16_t DP = 0;                      // the two lag positions
  int16_t DQ = 0;
};

// Fills the lagged values from four seeds (each in 1..168) and sets the
// correction, its decrement and modulus and the lag positions.
void MAKE_RANDOM(UniversalRng& rng, int16_t UU1, int16_t UU2, int16_t UU3, int16_t UU4);

// The next uniform number UNI in [0, 1), a multiple of 2^-24.
Extended GOSUB100(UniversalRng& rng);

}  // namespace gorvan
