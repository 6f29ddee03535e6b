// What the producer of the threaded pipeline hands on for one attempted run:
// its console lines, what the run's files need of the drift and the samples,
// and one job per tested locus for the workers. The writer takes the records
// in the order they were made, so it writes exactly what the serial program
// writes.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

#include "state/state.h"
#include "stats/locus/table_analysis.h"
#include "stats/table/locus_table.h"
#include "textio/recorded_console.h"

namespace gorvan {

// The tests of one locus. The producer fills `table`; a worker fills the
// rest, and sets `done` under the queue's lock.
struct LocusJob {
  LocusTable table;
  LocusTestResult result;
  std::vector<ConsoleEvent> console;  // the tests' console lines and pauses
  std::exception_ptr error;           // a stop of the tests
  bool done = false;
};

// The state of a kept run that its lines are written from: the part of the
// arrays the run's loci, populations and alleles use.
struct RunSnapshot {
  int32_t RUN = 0;
  int16_t T = 0;
  Extended HT = 0, HS = 0, FSTPRIME = 0;
  int16_t FIXED_LOCUS[kMaxLoci + 1] = {};
  int16_t NUMB_NONFIXED_LOCI = 0;
  std::vector<double> frequencies;  // ALL_POPS_AFREQ, population, locus, allele
  std::vector<int16_t> counts;      // ALL_POPS_ACOUNT, in the same order
};

struct RunRecord {
  std::vector<ConsoleEvent> console;  // the "Run =" line
  bool accepted = false;
  RunSnapshot snapshot;
  // One per tested locus, in locus order. Held by pointer: the workers keep
  // theirs while the list is filled.
  std::vector<std::unique_ptr<LocusJob>> loci;
  // A stop of the producer: it comes after the console lines and after the
  // loci made before it.
  std::exception_ptr error;
  bool last = false;  // no record follows
  int cost = 1;       // this record's share of the queue's budget
};

// Reads RUN, T, HT, HS, FSTPRIME, FIXED_LOCUS, NUMB_NONFIXED_LOCI and the
// used cells of ALL_POPS_AFREQ and ALL_POPS_ACOUNT into `snapshot`.
void SaveRunSnapshot(const State& s, RunSnapshot& snapshot);
// Writes the same variables back from `snapshot`.
void RestoreRunSnapshot(const RunSnapshot& snapshot, State& s);

// Reads the parameters of `from` (those read from GORVAN.IN), RUN, T and the
// random stream; writes them to `to`, the producer's state.
void CopyParametersAndStream(const State& from, State& to);

}  // namespace gorvan
