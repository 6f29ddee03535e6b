// Pearson's chi-square test of homogeneity on the table in CONTTAB.XYZ.
#pragma once

#include "state/state.h"

namespace gorvan {

// Reads the table into TABLE and leaves CHISQ, DF and PROB.
void DO_CHISQUARE(State& s);

}  // namespace gorvan
