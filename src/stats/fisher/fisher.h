// Fisher's exact test of homogeneity, its P value estimated by a Markov chain
// over the tables with the observed margins.
#pragma once

#include "state/state.h"

namespace gorvan {

// Reads CONTTAB.XYZ, checks it, runs the chain and leaves HM and HECA.
void FISHER(State& s);

}  // namespace gorvan
