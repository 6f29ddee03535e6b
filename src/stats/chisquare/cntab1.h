// Pearson's chi-square of a contingency table, its degrees of freedom and
// its P value.
#pragma once

#include <cstdint>

#include "state/state.h"
#include "stats/chisquare/tail/pause.h"

namespace gorvan {

// The table analysis on NN[1..NI][1..NJ]; DF counts only rows and columns
// with a non-zero total. `pause` receives the pauses of the tail
// probability.
void CNTAB1(const int32_t (&NN)[kMaxPops + 1][kMaxAlleles + 1], int32_t NI, int32_t NJ,
            Extended& CHISQ, Extended& DF, Extended& PROB, Pause& pause);

}  // namespace gorvan
