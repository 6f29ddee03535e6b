// The design read from a parameter file, as one JSON object: every
// parameter under the name the README gives it, with the line it came from.
// Tools that write parameter files from a base design read this.
#pragma once

#include <string>

#include "input/parameter_source.h"
#include "state/state.h"

namespace gorvan {

// Reads the parameters READ_INFILE left in `s` and where `noted` says they
// stood; writes nothing. The object ends in a line end.
std::string DesignJson(const State& s, const ParameterSource& noted);

}  // namespace gorvan
