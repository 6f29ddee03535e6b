// Soundness of the parameters once the capacity and frequency checks have
// passed. The file format lets through values under which the simulation
// could only hang, divide by zero, wrap a 16-bit count or report nonsense;
// these are refused here, before any output file exists.
#pragma once

#include <optional>
#include <string>

#include "input/parameter_source.h"
#include "state/state.h"

namespace gorvan {

// The reason why the parameters cannot be simulated, as one console line
// (without its indent), or nothing when they can. The first offending value
// is reported: first any number too large or too small for its 16-bit field,
// in the order of the file; then the other conditions in the order of the
// file (the Fisher test's chain lengths on line 3 only when the test is on).
std::optional<std::string> FirstUnsoundParameter(const State& s, const ParameterSource& source);

}  // namespace gorvan
