// How many processors this process may run on.
#pragma once

namespace gorvan {

// The processors of the process's affinity mask where the system has one
// (Linux), else those the system reports; at least 1.
int ProcessorsAvailable();

}  // namespace gorvan
