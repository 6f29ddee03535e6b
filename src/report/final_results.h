// The end of the main report: the power table and the differentiation
// summary.
#pragma once

#include "state/state.h"

namespace gorvan {

// Reads the tallies, the sums over runs and the parameters; ends the title
// line left open in OUT1 and writes the power table and the F'st summary.
void WRITE_FINAL_RESULTS(State& s);

}  // namespace gorvan
