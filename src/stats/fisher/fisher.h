// Fisher's exact test of homogeneity, its P value estimated by a Markov chain
// over the tables with the observed margins.
#pragma once

#include "state/state.h"
#include "stats/fisher/fisher_chain.h"
#include "stats/fisher/fisher_input.h"
#include "textio/console.h"

namespace gorvan {

// Reads CONTTAB.XYZ through INFILE and checks it; writes HM and HECA from
// the chain. Its messages go to the console.
void FISHER(State& s);

// The same test on a table in memory: the checks of the table file's reader
// with their console lines on `console` (an unusable table ends the program
// the same way, ProgramStop{1}), then the chain.
FisherResult FisherOnTable(const FisherInput& in, Console& console);

}  // namespace gorvan
