// The main report GORVAN.OUT: the parameter echo at its start.
#pragma once

#include "state/state.h"

namespace gorvan {

// Reads the parameters; writes OUT1: GORVAN.OUT created with its header. The
// power table's title line is left open for WRITE_FINAL_RESULTS.
void WRITE_OUTFILE(State& s);

}  // namespace gorvan
