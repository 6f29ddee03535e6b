// LOCUSTST.OUT: per run and locus, the chi-square with its df and P and
// Fisher's P with its standard error.
#pragma once

#include "state/state.h"

namespace gorvan {

// Reads nothing; writes OUT8 (LOCUSTST.OUT), created with its header.
void INITIALIZE_LOCUSTST(State& s);
// Reads locus J's test results (CHISQ, DF, PROB, HM, HECA) and FIXED_LOCUS;
// copies them into CHI2, CHI2_DF, CHI2_P, GEXACT_P and SE, then writes the
// locus line to OUT8.
void WRITE_TO_LOCUSTST(State& s);

}  // namespace gorvan
