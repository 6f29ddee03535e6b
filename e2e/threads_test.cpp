// The threaded pipeline against the serial program: the same design with the
// same seed, run with --threads 1 and with 2, 3, 8 and 0 (all processors) threads, must leave the
// same files with the same bytes, show the same console (the elapsed time
// apart) and end with the same exit code, also when a run-time error stops
// the job in the middle. Only the serial program uses the scratch table file.
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"
#include "parameter_file.h"

namespace gorvan::e2e {
namespace {

// 0 is every processor the process may use.
constexpr int kThreadCounts[] = {2, 3, 8, 0};
constexpr const char* kScratchTable = "CONTTAB.XYZ";

struct Outcome {
  int exit_code = -1;
  std::string console;                       // without the elapsed-time line
  std::string errors;                        // standard error
  std::map<std::string, std::string> files;  // every file but the scratch table
  bool scratch_table_left = false;
};

std::string WithoutElapsedTime(const std::string& console) {
  std::string kept;
  size_t start = 0;
  while (start < console.size()) {
    size_t end = console.find('\n', start);
    end = end == std::string::npos ? console.size() : end + 1;
    const std::string line = console.substr(start, end - start);
    if (line.rfind(" Approximate CPU-time: ", 0) != 0) kept += line;
    start = end;
  }
  return kept;
}

Outcome RunWithThreads(const Design& design, int threads, long file_size_limit = 0) {
  ScratchDir dir;
  dir.Write("GORVAN.IN", design.ToText());
  Launch launch;
  launch.args = {"--seed", "11", "--threads", std::to_string(threads)};
  launch.file_size_limit = file_size_limit;
  const RunResult run = RunGorvan(dir.path(), launch);
  Outcome outcome;
  outcome.exit_code = run.exit_code;
  // The notes for people (seed, warnings, the count of exact-test P values
  // of 0, the reason of a stop) are the serial program's too.
  outcome.errors = run.errors;
  outcome.console = WithoutElapsedTime(run.output);
  for (const std::string& name : dir.Files()) {
    if (name == kScratchTable) {
      outcome.scratch_table_left = true;
    } else {
      outcome.files[name] = dir.Read(name);
    }
  }
  return outcome;
}

// Runs `design` serially and on every thread count of the table, and
// compares. Returns the serial outcome.
Outcome ExpectSameForEveryThreadCount(const Design& design, long file_size_limit = 0) {
  const Outcome serial = RunWithThreads(design, 1, file_size_limit);
  for (int threads : kThreadCounts) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    const Outcome threaded = RunWithThreads(design, threads, file_size_limit);
    EXPECT_EQ(threaded.exit_code, serial.exit_code);
    EXPECT_EQ(threaded.console, serial.console);
    EXPECT_EQ(threaded.errors, serial.errors);
    EXPECT_EQ(threaded.files.size(), serial.files.size());
    for (const auto& [name, bytes] : serial.files) {
      EXPECT_TRUE(threaded.files.count(name) == 1 && threaded.files.at(name) == bytes) << name;
    }
    // (With 0 on a single processor the serial program runs.)
    if (threads > 1) {
      EXPECT_FALSE(threaded.scratch_table_left);
    }
  }
  return serial;
}

Design ShortChains() {
  Design design;
  design.iter1 = 50;
  design.iter2 = 4;
  design.iter3 = 50;
  design.stop_runs = 12;
  design.loci = {{0.5, 0.5}, {0.2, 0.3, 0.5}, {0.1, 0.2, 0.3, 0.4}, {0.9, 0.1}};
  return design;
}

struct DesignCase {
  const char* name;
  Design design;
};

std::vector<DesignCase> DesignCases() {
  std::vector<DesignCase> cases;
  cases.push_back({"both tests", ShortChains()});

  Design chi2_off = ShortChains();
  chi2_off.run_chi2 = 0;
  cases.push_back({"chi-square off", chi2_off});

  Design fisher_off = ShortChains();
  fisher_off.run_fisher = 0;
  cases.push_back({"Fisher test off", fisher_off});

  Design both_off = ShortChains();
  both_off.run_chi2 = 0;
  both_off.run_fisher = 0;
  cases.push_back({"both tests off", both_off});

  Design erased = ShortChains();
  erased.erase = 1;
  cases.push_back({"detail files deleted", erased});

  // Most runs find every sample carrying the common allele only and are
  // done again: discarded attempts between and after kept ones.
  Design discards = ShortChains();
  discards.loci = {{0.97, 0.03}};
  discards.sample_sizes = {2, 2};
  discards.stop_t = 0;
  discards.stop_runs = 25;
  cases.push_back({"discarded runs", discards});

  // Many loci with next to no work each: the producer and the writer set
  // the pace, and a run's loci are spread over the threads.
  Design tiny = ShortChains();
  tiny.iter1 = 2;
  tiny.iter2 = 2;
  tiny.iter3 = 2;
  tiny.loci.assign(50, {0.6, 0.4});
  tiny.sample_sizes = {3, 3};
  tiny.stop_runs = 40;
  cases.push_back({"many tiny loci", tiny});
  return cases;
}

TEST(ThreadsTest, EveryFileAndTheConsoleAreTheSerialProgramsForEveryThreadCount) {
  for (const DesignCase& design_case : DesignCases()) {
    SCOPED_TRACE(design_case.name);
    const Outcome serial = ExpectSameForEveryThreadCount(design_case.design);
    EXPECT_EQ(serial.exit_code, 0);
    EXPECT_FALSE(serial.scratch_table_left);
  }
}

// A base population monomorphic in all but name: every attempt is discarded
// and the job stops at the discard limit after the same console line, with
// the same reason on standard error.
TEST(ThreadsTest, EndlessDiscardsStopAtTheSameAttempt) {
  Design endless = ShortChains();
  endless.stop_t = 0;
  endless.loci = {{0.999999999, 0.000000001}};
  const Outcome serial = ExpectSameForEveryThreadCount(endless);
  EXPECT_EQ(serial.exit_code, 1);
  EXPECT_NE(serial.errors.find("10000 runs in a row were discarded"), std::string::npos);
}

// A file-size quota that runs out at several points of the job: the same
// error, the same console and the same complete lines in every file.
TEST(ThreadsTest, ARuntimeErrorMidJobStopsLikeTheSerialProgram) {
  const Design design = ShortChains();
  const Outcome complete = RunWithThreads(design, 1);
  ASSERT_EQ(complete.exit_code, 0);
  const long samples_size = static_cast<long>(complete.files.at("SAMPLES.OUT").size());
  for (long limit : {samples_size / 5, samples_size / 2, samples_size - 10}) {
    SCOPED_TRACE("file size limit " + std::to_string(limit));
    const Outcome serial = ExpectSameForEveryThreadCount(design, limit);
    EXPECT_EQ(serial.exit_code, 101);
  }
}

}  // namespace
}  // namespace gorvan::e2e
