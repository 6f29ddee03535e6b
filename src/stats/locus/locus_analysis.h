// Which loci can be tested, and the test of one locus through the scratch
// table file "CONTTAB.XYZ".
#pragma once

#include "state/state.h"

namespace gorvan {

// Reads ALL_POPS_ACOUNT; writes FIXED_LOCUS and NUMB_NONFIXED_LOCI.
void TEST_EACH_LOCUS_FOR_FIXED_SAMPLES(State& s);

// Reads J, ALL_POPS_ACOUNT, ITER1..ITER3, the test switches and four draws
// of the stream; writes CONTTAB.XYZ (through OUT9), then the results of the
// tests switched on: CHISQ, DF, PROB and HM, HECA.
void TEST_LOCUS_X(State& s);

}  // namespace gorvan
