// Faults of the environment, injected into a real run of the built program:
// a parameter file that is a directory, output names taken by directories,
// output files on a full device, a detail file removed behind the program's
// back, a quota that runs out in the middle of a run. Each must end the
// program with the documented error number as its exit code, the
// "Runtime error" line and a line naming the file and the system's reason,
// and no sanitizer report. None of them relies on file permissions: the
// tests also run as root.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"
#include "parameter_file.h"

namespace gorvan::e2e {
namespace {

const std::vector<std::string> kOutputFiles = {"GORVAN.OUT",  "FST.OUT",      "SUBPOPS.OUT",
                                               "SAMPLES.OUT", "LOCUSTST.OUT", "SUMTEST.OUT",
                                               "CONTTAB.XYZ"};

// A job that takes a moment: two loci, three samples, short chains.
Design SmallDesign() {
  Design design;
  design.iter1 = 20;
  design.iter2 = 2;
  design.iter3 = 20;
  design.stop_runs = 3;
  return design;
}

std::vector<std::string> ConsoleLines(const std::string& output) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(output.substr(start, end - start));
  }
  if (start < output.size()) lines.push_back(output.substr(start));
  return lines;
}

// The stop of a run-time error: its exit code, "Runtime error N at $..." as
// the console's last lines but two, then a line naming what was done to
// which file and the system's reason, and nothing on standard error (where
// the sanitizers would report).
void ExpectRuntimeError(const RunResult& run, int number, const std::string& doing,
                        const std::string& reason) {
  EXPECT_EQ(run.exit_code, number) << run.output;
  EXPECT_EQ(UnexpectedErrors(run.errors), "");
  const std::vector<std::string> lines = ConsoleLines(run.output);
  ASSERT_GE(lines.size(), 3u) << run.output;
  const std::string& head = lines[lines.size() - 3];
  EXPECT_EQ(head.rfind("Runtime error " + std::to_string(number) + " at $", 0), 0u) << head;
  EXPECT_EQ(lines[lines.size() - 2], "  while " + doing + ": " + reason);
}

TEST(FaultInjectionTest, ParameterFileThatIsADirectoryIsAccessDenied) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.path() / "GORVAN.IN");
  const RunResult run = RunGorvan(dir.path(), {"--seed", "1"});
  ExpectRuntimeError(run, 5, "opening file GORVAN.IN for reading", "Is a directory");
  EXPECT_EQ(dir.Files(), std::vector<std::string>{"GORVAN.IN"});
}

// A parameter file that never ends is read up to the limit of what the
// program holds in memory, then refused.
TEST(FaultInjectionTest, AnEndlessParameterFileIsDiskReadError) {
  if (!std::filesystem::exists("/dev/zero")) GTEST_SKIP() << "no /dev/zero";
  ScratchDir dir;
  std::filesystem::create_symlink("/dev/zero", dir.path() / "GORVAN.IN");
  const RunResult run = RunGorvan(dir.path(), {"--seed", "1"});
  ExpectRuntimeError(run, 100, "reading file GORVAN.IN", "File too large");
  EXPECT_EQ(dir.Files(), std::vector<std::string>{"GORVAN.IN"});
}

class OutputFaultTest : public testing::TestWithParam<std::string> {};

// The contents of every file in the directory, by name.
std::map<std::string, std::string> Snapshot(const ScratchDir& dir) {
  std::map<std::string, std::string> files;
  for (const std::string& name : dir.Files()) {
    if (std::filesystem::is_regular_file(dir.path() / name)) files[name] = dir.Read(name);
  }
  return files;
}

// An output file cannot be created: a directory of its name is in the way.
// This is found before the first file of the previous job is replaced, so
// every file of that job stays as it was.
TEST_P(OutputFaultTest, ADirectoryInTheWayOfAnOutputFileIsAccessDeniedAndNothingIsReplaced) {
  const std::string& name = GetParam();
  ScratchDir dir;
  dir.Write("GORVAN.IN", SmallDesign().ToText());
  ASSERT_EQ(RunGorvan(dir.path(), {"--seed", "5"}).exit_code, 0);
  std::filesystem::remove(dir.path() / name);
  std::map<std::string, std::string> previous = Snapshot(dir);
  ASSERT_GE(previous.size(), 6u);  // GORVAN.IN and the files of the job but one
  std::filesystem::create_directory(dir.path() / name);
  // The same stop at every thread count, the scratch table's name included,
  // though more than one thread never writes that file.
  for (const char* threads : {"1", "2", "0"}) {
    const RunResult run = RunGorvan(dir.path(), {"--seed", "7", "--threads", threads});
    ExpectRuntimeError(run, 5, "creating file " + name, "Is a directory");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / name));
    EXPECT_EQ(Snapshot(dir), previous) << threads << " threads";
    EXPECT_EQ(dir.Files().size(), previous.size() + 1);  // the directory, no lock file
  }
}

INSTANTIATE_TEST_SUITE_P(EveryOutputFile, OutputFaultTest, testing::ValuesIn(kOutputFiles),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           name[name.find('.')] = '_';
                           return name;
                         });

class FullDeviceTest : public testing::TestWithParam<std::string> {};

// Every write to the output file fails: its name is a link to /dev/full.
TEST_P(FullDeviceTest, AnOutputFileOnAFullDeviceIsDiskWriteError) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const std::string& name = GetParam();
  ScratchDir dir;
  dir.Write("GORVAN.IN", SmallDesign().ToText());
  std::filesystem::create_symlink("/dev/full", dir.path() / name);
  const RunResult run = RunGorvan(dir.path(), {"--seed", "7"});
  ExpectRuntimeError(run, 101, "writing file " + name, "No space left on device");
}

// The scratch table is not among them: it is always a new file of the job's
// own (next test).
INSTANTIATE_TEST_SUITE_P(EveryReportFile, FullDeviceTest,
                         testing::ValuesIn(kOutputFiles.begin(), kOutputFiles.end() - 1),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           name[name.find('.')] = '_';
                           return name;
                         });

// Whatever stands under the scratch table's name (a symbolic link to a file
// of the user's, a second name of it, a link to a device) is replaced by a
// new file, never written through: the user's file keeps its content and the
// job runs as in an empty directory.
TEST(FaultInjectionTest, TheScratchTableIsNeverWrittenThroughALink) {
  ScratchDir plain;
  plain.Write("GORVAN.IN", SmallDesign().ToText());
  ASSERT_EQ(RunGorvan(plain.path(), {"--seed", "7"}).exit_code, 0);
  for (const std::string kind : {"symbolic link", "hard link", "link to /dev/full"}) {
    ScratchDir dir;
    dir.Write("GORVAN.IN", SmallDesign().ToText());
    dir.Write("precious.txt", "the user's own data\n");
    const std::filesystem::path table = dir.path() / "CONTTAB.XYZ";
    if (kind == "symbolic link") std::filesystem::create_symlink("precious.txt", table);
    if (kind == "hard link") std::filesystem::create_hard_link(dir.path() / "precious.txt", table);
    if (kind == "link to /dev/full") std::filesystem::create_symlink("/dev/full", table);
    const RunResult run = RunGorvan(dir.path(), {"--seed", "7"});
    EXPECT_EQ(run.exit_code, 0) << kind << "\n" << run.output;
    EXPECT_EQ(dir.Read("precious.txt"), "the user's own data\n") << kind;
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(table))) << kind;
    EXPECT_EQ(dir.Read("LOCUSTST.OUT"), plain.Read("LOCUSTST.OUT")) << kind;
  }
}

// A second job started in a directory where one is running stops at once
// with exit code 75 and a message on standard error, and touches nothing:
// the first job ends with exactly the files it makes alone.
TEST(FaultInjectionTest, ASecondJobInTheSameDirectoryStopsAndTouchesNothing) {
  Design design = SmallDesign();
  // Far more progress lines than the console pipe holds: the first job is
  // still running when the second starts.
  design.stop_runs = 500;
  design.run_fisher = 0;
  ScratchDir alone, shared;
  alone.Write("GORVAN.IN", design.ToText());
  shared.Write("GORVAN.IN", design.ToText());
  ASSERT_EQ(RunGorvan(alone.path(), {"--seed", "11"}).exit_code, 0);

  Launch first;
  first.args = {"--seed", "11"};
  std::optional<RunResult> second;
  first.watch_console = [&](const std::string& console) {
    if (second || console.find("Run = ") == std::string::npos) return;
    second = RunGorvan(shared.path(), {"--seed", "22"});
  };
  const RunResult run = RunGorvan(shared.path(), first);
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(second->exit_code, 75);
  EXPECT_EQ(second->output, "");
  EXPECT_NE(second->errors.find("gorvan: another job is running in this directory"),
            std::string::npos)
      << second->errors;
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(shared.Files(), alone.Files());  // the lock file is gone too
  for (const std::string& name : alone.Files()) {
    EXPECT_EQ(shared.Read(name), alone.Read(name)) << name;
  }
}

// A detail file deleted by someone else while the program runs: the
// deletion at the end stops with "file not found", and the files after it
// in the order of deletion stay.
TEST(FaultInjectionTest, ADetailFileRemovedDuringTheRunStopsTheErasingWithError2) {
  ScratchDir dir;
  Design design = SmallDesign();
  design.erase = 1;
  design.run_fisher = 0;
  // Far more progress lines than the console pipe holds: the program
  // cannot reach the end before the file is gone.
  design.stop_runs = 500;
  design.loci = {{0.5, 0.5}};
  design.sample_sizes = {5, 5};
  design.stop_t = 0;
  dir.Write("GORVAN.IN", design.ToText());
  Launch launch;
  launch.args = {"--seed", "3"};
  bool removed = false;
  launch.watch_console = [&](const std::string& console) {
    if (removed || console.find("Run = ") == std::string::npos) return;
    removed = std::filesystem::remove(dir.path() / "SAMPLES.OUT");
  };
  const RunResult run = RunGorvan(dir.path(), launch);
  ASSERT_TRUE(removed);
  ExpectRuntimeError(run, 2, "deleting file SAMPLES.OUT", "No such file or directory");
  // Deleted in order up to the missing one; the rest, and the scratch
  // table, are still there. The report is complete.
  EXPECT_EQ(dir.Files(), (std::vector<std::string>{"CONTTAB.XYZ", "GORVAN.IN", "GORVAN.OUT",
                                                   "LOCUSTST.OUT", "SUMTEST.OUT"}));
  EXPECT_NE(dir.Read("GORVAN.OUT").find("Average F'st"), std::string::npos);
  EXPECT_NE(run.output.find("Approximate CPU-time"), std::string::npos);
}

}  // namespace
}  // namespace gorvan::e2e
