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

// The whole job on a fresh state: reads GORVAN.IN, writes every output file
// and the console. Returns normally after a complete job; bad input throws
// ProgramStop and input/output failures RuntimeError.
void RunProgram(State& s, const ProgramOptions& options);

// One attempt at a run, from the drift to the combined tests: reads the
// parameters and the stream, writes RUN, the run's lines of the detail
// files, the sums over runs and the tallies. Returns false when the run was
// discarded because every locus is monomorphic in the pooled samples.
bool DoOneRun(State& s);

}  // namespace gorvan
