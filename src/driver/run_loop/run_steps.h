// One run of the job in two halves. The first draws everything it needs from
// the program-wide random stream (drift, samples, the fixed loci) and says
// whether the run is kept; the second tests the loci and writes the run's
// lines and sums. The serial program does both on one state; the threaded
// pipeline does the first on the producer's state and the second on the
// writer's.
#pragma once

#include "driver/job/fisher_chain_advice.h"
#include "state/state.h"

namespace gorvan {

// How the tests of locus J reach the state before its line is written.
class LocusTestSource {
 public:
  virtual ~LocusTestSource() = default;
  // Reads J and the test switches; writes locus J's results where the
  // chi-square and Fisher tests leave them (CHISQ, DF, PROB, HM, HECA), and
  // the tests' console lines.
  virtual void TestLocus(State& s) = 0;
};

// The serial program's source: TEST_LOCUS_X, through the scratch file.
class TableFileTests final : public LocusTestSource {
 public:
  void TestLocus(State& s) override;
};

// Reads the parameters and the stream; writes RUN, the "Run =" line on the
// console, the drift's and the samples' arrays, T, HT, HS, FSTPRIME,
// FIXED_LOCUS and NUMB_NONFIXED_LOCI. Returns false, with RUN taken back,
// when every locus is fixed and the run is to be done again.
bool StartRun(State& s);

// Reads what StartRun wrote for a kept run; writes its blocks of SUBPOPS.OUT
// and SAMPLES.OUT, its FST.OUT line, the sums over runs, then for every locus
// in order its tests (through `tests`), its LOCUSTST.OUT line and the per-run
// sums, and last the SUMTEST.OUT line and the tallies. `zeros` counts the
// tested loci whose exact-test P was estimated as 0.
void FinishAcceptedRun(State& s, LocusTestSource& tests, FisherZeroTally& zeros);

}  // namespace gorvan
