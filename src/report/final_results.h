// The end of the main report: the power table and the differentiation
// summary.
#pragma once

#include "state/state.h"

namespace gorvan {

// Reads the tallies, the sums over runs and the parameters; ends the title
// line left open in OUT1 and writes the power table and the F'st summary.
void WRITE_FINAL_RESULTS(State& s);

// Reads STOP_T and DRIFT_SIZE. The Fst expected after STOP_T generations at
// effective size DRIFT_SIZE, 1 - (1 - 1/(2 DRIFT_SIZE))^STOP_T. Without
// generations of drift the samples come from the base population itself, so
// nothing is expected.
Extended ExpectedFst(const State& s);

}  // namespace gorvan
