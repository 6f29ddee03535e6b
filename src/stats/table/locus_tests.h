// Which loci can be tested, and the test of one locus through the scratch
// table file "CONTTAB.XYZ".
#pragma once

#include "state/state.h"

namespace gorvan {

// FIXED_LOCUS and NUMB_NONFIXED_LOCI from the samples in ALL_POPS_ACOUNT.
void TEST_EACH_LOCUS_FOR_FIXED_SAMPLES(State& s);

// Writes the table of locus J with four fresh seeds and the chain lengths to
// CONTTAB.XYZ, then runs the chi-square and the Fisher test as switched on.
void TEST_LOCUS_X(State& s);

}  // namespace gorvan
