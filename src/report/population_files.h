// SUBPOPS.OUT and SAMPLES.OUT: per run, the allele frequencies of every
// subpopulation after the drift and the allele counts of every sample.
#pragma once

#include "state/state.h"

namespace gorvan {

// Read the parameters; write OUT6 (SUBPOPS.OUT) or OUT7 (SAMPLES.OUT),
// created with their headers.
void INITIALIZE_SUBPOPS(State& s);
void INITIALIZE_SAMPLES(State& s);
// Read RUN and ALL_POPS_AFREQ (or ALL_POPS_ACOUNT); write the run's block to
// OUT6 (or OUT7).
void WRITE_TO_SUBPOPS(State& s);
void WRITE_TO_SAMPLES(State& s);

}  // namespace gorvan
