// The run driver: start-up, the loop of runs, the final report and the
// closing and deletion of files.
#pragma once

#include <cstdint>
#include <optional>

#include "state/state.h"

namespace gorvan {

struct ProgramOptions {
  // Replaces the millisecond tick counter as the seed of the random stream.
  std::optional<int32_t> seed;
};

// The whole program on a fresh state. Returns normally after a complete
// job; bad input throws ProgramStop and input/output failures RuntimeError.
void RunProgram(State& s, const ProgramOptions& options);

// One attempt at a run (steps 9.1 to 9.10); returns false when the run was
// discarded because every locus is monomorphic in the pooled samples.
bool DoOneRun(State& s);

}  // namespace gorvan
