// FST.OUT: one line per accepted run with the diversities and the F'st
// reached by the drift.
#pragma once

#include "state/state.h"

namespace gorvan {

// Reads nothing; writes the header to OUT5 (FST.OUT, created by the driver).
void WRITE_FST_HEADER(State& s);
// Reads RUN, T, HT, HS and FSTPRIME; writes the run's line to OUT5.
void WRITE_TO_FST(State& s);

}  // namespace gorvan
