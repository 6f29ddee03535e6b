// The threaded loop of runs against the serial one on designs that the
// parameter file's checks keep out of a real job but the tests must still
// survive: samples without diploids, whose tables make the chi-square pause
// and the Fisher test warn, and a single population, whose first table stops
// the program. The pauses must wait for the same lines of input at the same
// places, the warnings come in the serial order, and of everything the
// workers did past the stop nothing may show.
#include "driver/pipeline/threaded_runs.h"

#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "base/program_stop.h"
#include "base/runtime_error.h"
#include "driver/program.h"
#include "model/random_source.h"
#include "report/combined_results_file.h"
#include "report/fst_file.h"
#include "report/locus_results_file.h"
#include "report/output_file_names.h"
#include "report/population_files.h"
#include "testing/scoped_work_dir.h"
#include "testing/state_fixture.h"

namespace gorvan {
namespace {

struct JobOutcome {
  std::string console;
  std::map<std::string, std::string> files;
  std::string end;                // how MakeAllRuns ended
  std::streamoff input_read = 0;  // how far the pauses read the input
};

// Two loci, short chains, samples of the given sizes.
void SetDesign(State& s, std::initializer_list<int16_t> sample_sizes) {
  s.ITER1 = 20;
  s.ITER2 = 2;
  s.ITER3 = 20;
  s.RUN_CHI2 = 1;
  s.RUN_FISHER = 1;
  UseSmallDesign(s, static_cast<int>(sample_sizes.size()), {{0.5, 0.5}, {0.3, 0.3, 0.4}}, 0);
  s.DRIFT_SIZE = 10;
  s.STOP_T = 2;
  int16_t pop = 1;
  for (int16_t size : sample_sizes) s.SAMPLESIZE[pop++] = size;
  s.STOP_RUNS = 6;
}

JobOutcome RunJob(std::initializer_list<int16_t> sample_sizes, int threads) {
  ScopedWorkDir dir;
  TestState t;
  t.console_in.str(std::string(1000, '\n'));  // Enter, for every pause
  State& s = *t.s;
  RANDOMIZE(s, 5);
  SetDesign(s, sample_sizes);
  s.OUT5.Assign(kFstFileName);
  s.OUT5.Rewrite();
  WRITE_FST_HEADER(s);
  INITIALIZE_SUBPOPS(s);
  INITIALIZE_SAMPLES(s);
  INITIALIZE_LOCUSTST(s);
  INITIALIZE_SUMTEST(s);

  JobOutcome outcome;
  try {
    std::ostringstream notes;
    RunWatch watch(notes);
    MakeAllRuns(s, threads, watch);
    outcome.end = "complete";
  } catch (const ProgramStop& stop) {
    outcome.end = "stop " + std::to_string(stop.exit_code);
  } catch (const RuntimeError& error) {
    outcome.end = "runtime error " + std::to_string(error.number());
  }
  for (TextFile* file : {&s.OUT5, &s.OUT6, &s.OUT7, &s.OUT8, &s.OUT10}) file->Close();
  for (const char* name : kDetailFileNames) outcome.files[name] = dir.ReadFile(name);
  outcome.console = t.console_out.str();
  outcome.input_read = t.console_in.tellg();
  EXPECT_EQ(threads > 1, !dir.Exists("CONTTAB.XYZ"));
  return outcome;
}

void ExpectSameAsSerial(std::initializer_list<int16_t> sample_sizes, const JobOutcome& serial) {
  for (int threads : {2, 3, 8}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    const JobOutcome threaded = RunJob(sample_sizes, threads);
    EXPECT_EQ(threaded.end, serial.end);
    EXPECT_EQ(threaded.console, serial.console);
    EXPECT_EQ(threaded.files, serial.files);
    EXPECT_EQ(threaded.input_read, serial.input_read);
  }
}

TEST(ThreadedRunsTest, PausesAndWarningsOfTheTestsComeInTheSerialOrder) {
  // Only the first sample holds genes: every table has one non-empty row.
  const auto sizes = {int16_t{6}, int16_t{0}, int16_t{0}};
  const JobOutcome serial = RunJob(sizes, 1);
  ASSERT_EQ(serial.end, "complete");
  ASSERT_NE(serial.console.find("pause in GAMMQ - invalid arguments"), std::string::npos);
  ASSERT_NE(serial.console.find("Warning: Line 3 is empty!"), std::string::npos);
  ASSERT_GT(serial.input_read, 10);
  ExpectSameAsSerial(sizes, serial);
}

TEST(ThreadedRunsTest, AStopInAWorkerShowsOnlyWhatTheSerialProgramShowedBeforeIt) {
  // One population: the Fisher test refuses the first table.
  const auto sizes = {int16_t{6}};
  const JobOutcome serial = RunJob(sizes, 1);
  ASSERT_EQ(serial.end, "stop 1");
  ASSERT_NE(serial.console.find("Table only contains one row!!"), std::string::npos);
  ExpectSameAsSerial(sizes, serial);
}

}  // namespace
}  // namespace gorvan
