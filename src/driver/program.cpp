#include "driver/program.h"

#include <algorithm>

#include "input/read_infile.h"
#include "model/drift.h"
#include "model/random_source.h"
#include "report/detail_files.h"
#include "report/final_results.h"
#include "report/fst_file.h"
#include "report/locus_test_file.h"
#include "report/main_report.h"
#include "report/output_file_names.h"
#include "report/population_files.h"
#include "report/sumtest_file.h"
#include "report/timer.h"
#include "stats/combined/combined.h"
#include "stats/table/locus_tests.h"
#include "stats/table/table_file.h"
#include "textio/checked_math.h"

namespace gorvan {
namespace {

void CreateFstFile(State& s) {
  s.OUT5.Assign(kFstFileName);
  s.OUT5.Rewrite();
  WRITE_FST_HEADER(s);
}

void TestEveryLocus(State& s) {
  CLEAR_SUM_P_CHI2_DF(s);
  for (s.J = 1; s.J <= s.NUMBLOCI; ++s.J) {
    if (s.FIXED_LOCUS[s.J] == 0) TEST_LOCUS_X(s);
    WRITE_TO_LOCUSTST(s);
    if (s.FIXED_LOCUS[s.J] == 0) SUM_FOR_TOTAL_P(s);
  }
  WRITE_TO_SUMTEST(s);
}

void CloseOutputFiles(State& s) {
  s.OUT1.Close();
  s.OUT5.Close();
  s.OUT6.Close();
  s.OUT7.Close();
  s.OUT8.Close();
  s.OUT10.Close();
}

}  // namespace

bool DoOneRun(State& s) {
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
  WRITE_TO_SUBPOPS(s);
  WRITE_TO_SAMPLES(s);
  WRITE_TO_FST(s);
  s.SUM_FST += s.FSTPRIME;
  s.SUM_HT += s.HT;
  s.SUM_HS += s.HS;
  TestEveryLocus(s);
  return true;
}

void RunProgram(State& s, const ProgramOptions& options) {
  RANDOMIZE(s, options.seed);
  INITIALIZE_ARRAYS(s);
  READ_INFILE(s);
  WRITE_OUTFILE(s);
  CreateFstFile(s);
  INITIALIZE_SUBPOPS(s);
  INITIALIZE_SAMPLES(s);
  INITIALIZE_LOCUSTST(s);
  INITIALIZE_SUMTEST(s);
  s.RUN = 0;
  s.SUM_FST = 0;
  s.SUM_HT = 0;
  s.SUM_HS = 0;
  TIMER(s);
  do {
    DoOneRun(s);
  } while (s.RUN != s.STOP_RUNS);
  TIMER(s);
  WRITE_FINAL_RESULTS(s);
  CloseOutputFiles(s);
  if (s.ERASE_DETAILED_OUTPUT == 1) ERASE_OUTFILES(s);
  // The scratch table is deleted under the name it was written with.
  s.INFILE.Assign(kTableFileName);
  s.INFILE.Erase();
}

}  // namespace gorvan
