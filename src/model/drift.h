// Wright-Fisher drift of the subpopulations and the drawing of samples.
#pragma once

#include "driver/state.h"

namespace gorvan {

void COPY_BASEPOP_TO_ALL_POPS_AFREQ(State& s);
// One sampling pass: ALL_POPS_ACOUNT from ALL_POPS_AFREQ and
// NUMB_DIPLOIDS_TO_SAMPLE, one RANDOM draw per gene.
void SAMPLE_ALLELES(State& s);
void CALCULATE_AFREQS(State& s);
// The whole drift of one run, with CALCULATE_FST after every generation.
void DRIFT_APART(State& s);

}  // namespace gorvan
