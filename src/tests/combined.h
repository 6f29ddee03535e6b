// The combined tests of a run over its tested loci (summed chi-square and
// Fisher's method), SUMTEST.OUT and the significance tallies.
#pragma once

#include "driver/state.h"

namespace gorvan {

inline constexpr const char* kSumtestFileName = "SUMTEST.OUT";

// A Fisher P estimated as 0 is combined as this value, so that its logarithm
// is finite.
inline constexpr Extended kFisherPForZero = 0.00005L;

void INITIALIZE_SUMTEST(State& s);
void CLEAR_SUM_P_CHI2_DF(State& s);
void SUM_FOR_TOTAL_P(State& s);
void WRITE_TO_SUMTEST(State& s);

}  // namespace gorvan
