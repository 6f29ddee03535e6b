// The seeding of the Fisher test's generator in integers: the 97 lagged
// values that MAKE_RANDOM builds bit by bit in extended arithmetic, as the
// 24-bit integers U[n] x 2^24, made without a single floating-point
// operation and without the 2,328 dependent steps of the seeding loop.
// universal_rng_seeding.cpp shows why the integers are MAKE_RANDOM's values.
#pragma once

#include <cstdint>

#include "stats/fisher/universal_rng.h"

namespace gorvan {

// The correction DI that seeding sets, x 2^24.
inline constexpr int32_t kSeededCorrection = 362436;

// Seeds for which the integer seeding is made: each in 1..168, the range
// the Fisher test's reader lets through.
bool SeedsSuitIntegerSeeding(int16_t UU1, int16_t UU2, int16_t UU3, int16_t UU4);

// MAKE_RANDOM's lagged values for seeds that suit the integer seeding, in
// the order of the generator's history, oldest first: lags[i] is
// U[97 - i] x 2^24, so lags[0] is the value the first draw takes at DP = 97
// and lags[96] is U[1]. Other seeds are an internal fault.
void SeededLagsInIntegers(int16_t UU1, int16_t UU2, int16_t UU3, int16_t UU4,
                          uint32_t (&lags)[kLaggedValues]);

}  // namespace gorvan
