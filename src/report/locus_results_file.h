// LOCUSTST.OUT: per run and locus, the chi-square with its df and P and
// Fisher's P with its standard error.
#pragma once

#include "state/state.h"

namespace gorvan {

// Reads nothing; writes OUT8 (LOCUSTST.OUT), created with its header.
void INITIALIZE_LOCUSTST(State& s);
// Reads RUN, J, FIXED_LOCUS, the test switches and locus J's results as
// taken over for the combination (CHI2, CHI2_DF, CHI2_P, GEXACT_P, SE);
// writes the locus line to OUT8.
void WRITE_TO_LOCUSTST(State& s);

}  // namespace gorvan
