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
  // Threads that test loci. 1 is the serial program, scratch table file
  // included; more run the threaded pipeline, which writes the same bytes
  // and uses no scratch file.
  int threads = 1;
};

// The whole program on a fresh state. Returns normally after a complete
// job; bad input throws ProgramStop and input/output failures RuntimeError.
void RunProgram(State& s, const ProgramOptions& options);

// One attempt at a run; returns false when the run was discarded because
// every locus is monomorphic in the pooled samples.
bool DoOneRun(State& s);

// The loop of runs, from the first to the one that brings RUN to STOP_RUNS,
// on a state whose parameters are read and whose output files are open.
// With `threads` above 1 the loci are tested by that many threads.
void MakeAllRuns(State& s, int threads);

}  // namespace gorvan
