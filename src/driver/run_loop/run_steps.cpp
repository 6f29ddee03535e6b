#include "driver/run_loop/run_steps.h"

#include "base/checked_math.h"
#include "model/drift.h"
#include "report/combined_results_file.h"
#include "report/fst_file.h"
#include "report/locus_results_file.h"
#include "report/population_files.h"
#include "stats/combined/combined.h"
#include "stats/combined/significance_tallies.h"
#include "stats/locus/locus_analysis.h"

namespace gorvan {
namespace {

void TestEveryLocus(State& s, LocusTestSource& tests, FisherZeroTally& zeros) {
  CLEAR_SUM_P_CHI2_DF(s);
  for (s.J = 1; s.J <= s.NUMBLOCI; ++s.J) {
    if (s.FIXED_LOCUS[s.J] == 0) tests.TestLocus(s);
    TakeOverLocusResults(s);
    WRITE_TO_LOCUSTST(s);
    if (s.FIXED_LOCUS[s.J] == 0) {
      zeros.NoteTestedLocus(s);
      SUM_FOR_TOTAL_P(s);
    }
  }
  const CombinedTests combined = CombineTests(s);
  WRITE_TO_SUMTEST(s, combined);
  TallySignificance(s, combined.XCHI2, combined.XGEXACT);
}

}  // namespace

void TableFileTests::TestLocus(State& s) { TEST_LOCUS_X(s); }

bool StartRun(State& s) {
  for (s.I = 1; s.I <= s.NUMBPOPS; ++s.I) s.NUMB_DIPLOIDS_TO_SAMPLE[s.I] = s.DRIFT_SIZE;
  s.RUN = CheckedAdd(s.RUN, 1);
  s.console.Text("Run = ").Int(s.RUN, 6).EndLine();
  DRIFT_APART(s);
  for (s.I = 1; s.I <= s.NUMBPOPS; ++s.I) s.NUMB_DIPLOIDS_TO_SAMPLE[s.I] = s.SAMPLESIZE[s.I];
  s.TOTALSAMPLESIZE = 0;
  for (s.I = 1; s.I <= s.NUMBPOPS; ++s.I) {
    s.TOTALSAMPLESIZE = CheckedAdd(s.TOTALSAMPLESIZE, s.NUMB_DIPLOIDS_TO_SAMPLE[s.I]);
  }
  SAMPLE_ALLELES(s);
  TEST_EACH_LOCUS_FOR_FIXED_SAMPLES(s);
  if (s.NUMB_NONFIXED_LOCI == 0) {
    // Nothing to test: the run is done again under the same number.
    s.RUN = CheckedSub(s.RUN, 1);
    return false;
  }
  return true;
}

void FinishAcceptedRun(State& s, LocusTestSource& tests, FisherZeroTally& zeros) {
  WRITE_TO_SUBPOPS(s);
  WRITE_TO_SAMPLES(s);
  WRITE_TO_FST(s);
  s.SUM_FST += s.FSTPRIME;
  s.SUM_HT += s.HT;
  s.SUM_HS += s.HS;
  TestEveryLocus(s, tests, zeros);
}

}  // namespace gorvan
