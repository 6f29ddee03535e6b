// The loop of runs with the loci tested by several threads, writing the same
// bytes as the serial loop.
//
// Only the random stream makes the runs depend on one another, and a locus
// test draws from it just the four seeds of its chain's own generator. So one
// producer does, in the serial order, everything that draws from the stream
// (drift, samples, the fixed loci, discarded runs, the seeds of every tested
// locus) on a state of its own; workers test the loci from the tables handed
// to them; the writer (the calling thread) writes every console line, file
// line, sum and tally in the serial order with the serial program's code.
// Whatever the workers write on the console, pauses included, and whatever
// stops them, is kept and shown or raised when the writer reaches that
// locus; nothing done ahead of the writer becomes visible. The scratch table
// file is not used.
#pragma once

#include <cstddef>
#include <memory>
#include <ostream>

#include "driver/pipeline/standby_threads.h"
#include "driver/run_loop/run_watch.h"
#include "state/state.h"
#include "textio/recorded_console.h"

namespace gorvan {

// What the threaded loop needs, made before the job replaces any file: the
// producer's state and the threads, waiting.
struct PreparedThreads {
  explicit PreparedThreads(size_t threads);

  RecordedConsole producer_console;
  std::unique_ptr<State> producer;
  StandbyThreads crew;  // the producer's thread first, then the test threads
};

// The producer and `test_threads` (2 or more) test threads, or as many as
// the system allows with a note on `notes`. nullptr, with a note, when not
// even one test thread can start: the job then runs the serial loop, whose
// output is the same.
std::unique_ptr<PreparedThreads> PrepareThreadedRuns(int test_threads, std::ostream& notes);

// MakeAllRuns on the prepared threads: reads the parameters and the stream
// of `s`; writes every output line, the console, RUN, the run's variables,
// the sums and the tallies as the serial loop does, and tells `watch` of
// every attempt in the serial order.
void MakeAllRunsThreaded(State& s, PreparedThreads& prepared, RunWatch& watch);

}  // namespace gorvan
