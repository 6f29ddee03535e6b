// The parameter file read for a job or a check, with what the reader
// noticed written to standard error: warnings with their line numbers, the
// details of a stop, and a Fisher chain too short for the design.
#pragma once

#include <ostream>

#include "input/parameter_source.h"
#include "state/state.h"

namespace gorvan {

// READ_INFILE; the notes are written also when it stops the program (the
// stop then goes on).
void ReadParameters(State& s, ParameterSource& noted, std::ostream& notes);

}  // namespace gorvan
