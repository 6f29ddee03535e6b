// The run driver: start-up, the loop of runs, the final report and the
// closing and deletion of files.
#pragma once

#include <cstdint>
#include <iostream>
#include <optional>

#include "driver/pipeline/threaded_runs.h"
#include "driver/run_loop/run_watch.h"
#include "state/state.h"

namespace gorvan {

struct ProgramOptions {
  // Replaces the millisecond tick counter as the seed of the random stream.
  std::optional<int32_t> seed;
  // Where the lines for people go: the seed, warnings, reasons of stops.
  std::ostream* notes = &std::cerr;
  // Threads that test loci. 1 is the serial program, scratch table file
  // included; more run the threaded pipeline, which writes the same bytes
  // and uses no scratch file.
  int threads = 1;
};

// The whole job on a fresh state: reads GORVAN.IN, writes every output file
// and the console. Returns normally after a complete job; bad input throws
// ProgramStop and input/output failures RuntimeError.
void RunProgram(State& s, const ProgramOptions& options);

// One attempt at a run, from the drift to the combined tests: reads the
// parameters and the stream, writes RUN, the run's lines of the detail
// files, the sums over runs and the tallies. Returns false when the run was
// discarded because every locus is monomorphic in the pooled samples.
// `zeros` counts the tested loci whose exact-test P was estimated as 0.
bool DoOneRun(State& s, FisherZeroTally& zeros);

// The loop of runs, from the first to the one that brings RUN to STOP_RUNS,
// on a state whose parameters are read and whose output files are open:
// reads and writes what DoOneRun does, run after run, and tells `watch` of
// every attempt. With `threads` above 1 the loci are tested by that many
// threads, and the stream of `s` is left where it was (the producer draws on
// a copy). Between attempts the loop stops on an interruption
// (JobInterrupted). The threads are prepared here; the job prepares them
// before it replaces any file and hands them over (nullptr: serial).
void MakeAllRuns(State& s, int threads, RunWatch& watch);
void MakeAllRuns(State& s, PreparedThreads* threads, RunWatch& watch);

}  // namespace gorvan
