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

#include "driver/run_loop/run_watch.h"
#include "state/state.h"

namespace gorvan {

// MakeAllRuns for `threads` (2 or more) test threads: reads the parameters
// and the stream of `s`; writes every output line, the console, RUN, the
// run's variables, the sums and the tallies as the serial loop does, and
// tells `watch` of every attempt in the serial order.
void MakeAllRunsThreaded(State& s, int threads, RunWatch& watch);

}  // namespace gorvan
