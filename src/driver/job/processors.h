// How many processors this process may run on.
#pragma once

namespace gorvan {

// The processors in the process's CPU affinity mask, so that the share a
// batch system allots to a job is respected; at least 1.
int ProcessorsAvailable();

}  // namespace gorvan
