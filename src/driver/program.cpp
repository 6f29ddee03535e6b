#include "driver/program.h"

#include <memory>
#include <string>

#include "driver/job/interruption.h"
#include "driver/job/job_notes.h"
#include "driver/job/output_preflight.h"
#include "driver/job/read_parameters.h"
#include "driver/pipeline/threaded_runs.h"
#include "driver/run_loop/run_steps.h"
#include "input/parameter_source.h"
#include "model/random_source.h"
#include "report/combined_results_file.h"
#include "report/detail_files.h"
#include "report/final_results.h"
#include "report/fst_file.h"
#include "report/locus_results_file.h"
#include "report/main_report.h"
#include "report/output_file_names.h"
#include "report/population_files.h"
#include "report/timer.h"
#include "stats/table/table_file.h"

namespace gorvan {
namespace {

void CreateFstFile(State& s) {
  s.OUT5.Assign(kFstFileName);
  s.OUT5.Rewrite();
  WRITE_FST_HEADER(s);
}

void EraseScratchTable(State& s) {
  s.INFILE.Assign(kTableFileName);
  s.INFILE.Erase();
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

bool DoOneRun(State& s, FisherZeroTally& zeros) {
  if (!StartRun(s)) return false;
  TableFileTests tests;
  FinishAcceptedRun(s, tests, zeros);
  return true;
}

void MakeAllRuns(State& s, PreparedThreads* threads, RunWatch& watch) {
  if (threads != nullptr) {
    MakeAllRunsThreaded(s, *threads, watch);
    return;
  }
  do {
    StopIfInterrupted(s.RUN);
    watch.NoteAttempt(DoOneRun(s, watch.zeros));
  } while (s.RUN != s.STOP_RUNS);
}

void MakeAllRuns(State& s, int threads, RunWatch& watch) {
  std::unique_ptr<PreparedThreads> prepared;
  if (threads > 1) prepared = PrepareThreadedRuns(threads, watch.notes);
  MakeAllRuns(s, prepared.get(), watch);
}

void RunProgram(State& s, const ProgramOptions& options) {
  std::ostream& notes = *options.notes;
  RANDOMIZE(s, options.seed);
  const std::string seed = std::to_string(s.RANDSEED);
  WriteNote(notes, "seed " + seed + "; repeat with --seed " + seed);
  INITIALIZE_ARRAYS(s);
  auto noted = std::make_unique<ParameterSource>();
  ReadParameters(s, *noted, notes);
  // Nothing of a previous job is replaced unless every file can be written
  // and the threads have started (a system that allows fewer runs the job
  // on those, down to the serial loop).
  std::unique_ptr<PreparedThreads> threads;
  if (options.threads > 1) threads = PrepareThreadedRuns(options.threads, notes);
  CheckEveryOutputFileCanBeWritten();
  StopIfInterrupted(kNoFileReplaced);
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
  RunWatch watch(notes);
  try {
    MakeAllRuns(s, threads.get(), watch);
  } catch (const JobInterrupted&) {
    CloseOutputFiles(s);
    if (threads == nullptr) EraseScratchTable(s);
    throw;
  }
  TIMER(s);
  WRITE_FINAL_RESULTS(s);
  CloseOutputFiles(s);
  if (s.ERASE_DETAILED_OUTPUT == 1) ERASE_OUTFILES(s);
  // The scratch table is deleted under the name it was written with. The
  // threaded pipeline never made one, and leaves a file of that name alone.
  if (threads == nullptr) EraseScratchTable(s);
  watch.zeros.Report(s, notes);
}

}  // namespace gorvan
