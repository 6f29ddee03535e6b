// `gorvan --check`: the parameter file read and checked exactly as a job
// reads it, no file created, and the design shown as JSON.
#pragma once

#include <ostream>

namespace gorvan {

// Reads GORVAN.IN in the working directory. On success writes the design to
// `out` and returns 0; otherwise writes nothing to `out`, writes the job's
// message to `err` and returns the exit code the job would end with.
int CheckDesign(std::ostream& out, std::ostream& err);

}  // namespace gorvan
