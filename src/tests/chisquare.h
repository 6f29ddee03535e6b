// Pearson's chi-square test of homogeneity on the table in CONTTAB.XYZ.
#pragma once

#include <cstdint>

#include "driver/state.h"

namespace gorvan {

// Reads the table into TABLE and leaves CHISQ, DF and PROB.
void DO_CHISQUARE(State& s);

// The table analysis on NN[1..NI][1..NJ]; DF counts only rows and columns
// with a non-zero total. `console` receives the pauses of the tail
// probability.
void CNTAB1(const int32_t (&NN)[kMaxPops + 1][kMaxAlleles + 1], int32_t NI, int32_t NJ,
            Extended& CHISQ, Extended& DF, Extended& PROB, Console& console);

}  // namespace gorvan
