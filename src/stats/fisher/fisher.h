// Fisher's exact test of homogeneity, its P value estimated by a Markov chain
// over the tables with the observed margins.
#pragma once

#include "state/state.h"

namespace gorvan {

// Reads CONTTAB.XYZ through INFILE and checks it; writes HM and HECA from
// the chain. Its messages go to the console.
void FISHER(State& s);

}  // namespace gorvan
