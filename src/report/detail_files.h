// Deleting the per-run detail files at the end of a job, on request.
#pragma once

#include "state/state.h"

namespace gorvan {

// Reads nothing; uses INFILE to delete FST.OUT, SUBPOPS.OUT, SAMPLES.OUT,
// LOCUSTST.OUT and SUMTEST.OUT.
void ERASE_OUTFILES(State& s);

}  // namespace gorvan
