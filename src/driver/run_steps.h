// One run of the job in two halves. The first draws everything it needs from
// the program-wide random stream (drift, samples, the fixed loci) and says
// whether the run is kept; the second tests the loci and writes the run's
// lines and sums. The serial program does both on one state; the threaded
// pipeline does the first on the producer's state and the second on the
// writer's.
#pragma once

#include "state/state.h"

namespace gorvan {

// How the tests of locus J reach the state before its line is written.
class LocusTestSource {
 public:
  virtual ~LocusTestSource() = default;
  // Leaves locus J's results where the chi-square and Fisher tests leave
  // them (CHISQ, DF, PROB, HM, HECA).
  virtual void TestLocus(State& s) = 0;
};

// The serial program's source: TEST_LOCUS_X, through the scratch file.
class TableFileTests final : public LocusTestSource {
 public:
  void TestLocus(State& s) override;
};

// Advances RUN, writes the "Run =" line, lets the subpopulations drift,
// draws the samples and marks the fixed loci. Returns false, with RUN taken
// back, when every locus is fixed and the run is to be done again.
bool StartRun(State& s);

// The kept run: its blocks of SUBPOPS.OUT and SAMPLES.OUT, its FST.OUT line,
// the sums over runs, then every locus in order (tests, LOCUSTST.OUT line,
// per-run sums) and the SUMTEST.OUT line with the tallies.
void FinishAcceptedRun(State& s, LocusTestSource& tests);

}  // namespace gorvan
