// Pearson's chi-square test of homogeneity on the table in CONTTAB.XYZ.
#pragma once

#include "state/state.h"

namespace gorvan {

// Reads CONTTAB.XYZ through INFILE; writes TABLE, CHISQ, DF and PROB. Its
// pauses go to the console.
void DO_CHISQUARE(State& s);

}  // namespace gorvan
