// Nothing is lost when a run-time error stops the program in the middle of
// its job: every line completed before the failure, in every other open
// file, is on disk. A job cut short by a file-size quota is compared with the
// same job (same seed) run to its end: each of its files must be the
// complete job's file up to the point of failure, and not one line shorter.
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"
#include "parameter_file.h"

namespace gorvan::e2e {
namespace {

constexpr int kRuns = 20;
constexpr int kLoci = 2;

const char* const kFiles[] = {"GORVAN.OUT",  "FST.OUT",      "SUBPOPS.OUT",
                              "SAMPLES.OUT", "LOCUSTST.OUT", "SUMTEST.OUT"};

Design TwentyRuns() {
  Design design;
  design.iter1 = 20;
  design.iter2 = 2;
  design.iter3 = 20;
  design.stop_runs = kRuns;
  return design;
}

std::map<std::string, std::string> ReadAll(const ScratchDir& dir) {
  std::map<std::string, std::string> files;
  for (const char* name : kFiles) files[name] = dir.Read(name);
  return files;
}

bool IsPrefix(const std::string& part, const std::string& whole) {
  return whole.compare(0, part.size(), part) == 0;
}

bool EndsWithLineEnd(const std::string& text) {
  return text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0;
}

int CountOf(const std::string& text, const std::string& piece) {
  int count = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) {
    ++count;
  }
  return count;
}

// The name of the file whose write failed, from the console line under the
// "Runtime error" line.
std::string FailedFile(const std::string& console) {
  const std::string lead = "  while writing file ";
  const size_t at = console.find(lead);
  if (at == std::string::npos) return "";
  const size_t start = at + lead.size();
  return console.substr(start, console.find(':', start) - start);
}

TEST(NothingLostTest, AQuotaRunningOutMidJobKeepsEveryCompletedLineOfEveryFile) {
  const Design design = TwentyRuns();
  ScratchDir complete_dir;
  complete_dir.Write("GORVAN.IN", design.ToText());
  ASSERT_EQ(RunGorvan(complete_dir.path(), {"--seed", "5"}).exit_code, 0);
  const std::map<std::string, std::string> complete = ReadAll(complete_dir);

  // Halfway through the largest detail files, well beyond the report.
  const long limit = static_cast<long>(complete.at("SAMPLES.OUT").size() / 2);
  ASSERT_GT(limit, static_cast<long>(complete.at("GORVAN.OUT").size()));

  ScratchDir cut_dir;
  cut_dir.Write("GORVAN.IN", design.ToText());
  Launch launch;
  launch.args = {"--seed", "5"};
  launch.file_size_limit = limit;
  const RunResult run = RunGorvan(cut_dir.path(), launch);
  EXPECT_EQ(run.exit_code, 101);
  EXPECT_EQ(UnexpectedErrors(run.errors), "");
  EXPECT_NE(run.output.find("Runtime error 101 at $"), std::string::npos) << run.output;
  const std::string failed = FailedFile(run.output);
  ASSERT_TRUE(failed == "SUBPOPS.OUT" || failed == "SAMPLES.OUT") << run.output;
  EXPECT_NE(run.output.find("writing file " + failed + ": File too large"), std::string::npos);
  const std::map<std::string, std::string> cut = ReadAll(cut_dir);

  // The file that met the quota holds everything up to it.
  EXPECT_EQ(cut.at(failed), complete.at(failed).substr(0, static_cast<size_t>(limit)));

  // The run lines of FST.OUT tell how many runs were completed: the failure
  // came in the middle of the job, not at its start or end.
  const std::string& fst = cut.at("FST.OUT");
  ASSERT_TRUE(IsPrefix(fst, complete.at("FST.OUT")));
  ASSERT_TRUE(EndsWithLineEnd(fst));
  const int runs_done = CountOf(fst, "\r\n") - 2;
  EXPECT_GE(runs_done, 1);
  EXPECT_LT(runs_done, kRuns);

  // The other files hold every line of the completed runs and end at a line
  // end; the detail file written before the failing one also holds the
  // block of the run in progress.
  for (const char* name : {"LOCUSTST.OUT", "SUMTEST.OUT"}) {
    const std::string& text = cut.at(name);
    EXPECT_TRUE(IsPrefix(text, complete.at(name))) << name;
    EXPECT_TRUE(EndsWithLineEnd(text)) << name;
  }
  EXPECT_EQ(CountOf(cut.at("LOCUSTST.OUT"), "\r\n"), 2 + runs_done * kLoci);
  EXPECT_EQ(CountOf(cut.at("SUMTEST.OUT"), "\r\n"), 2 + runs_done);
  const std::string other = failed == "SUBPOPS.OUT" ? "SAMPLES.OUT" : "SUBPOPS.OUT";
  EXPECT_TRUE(IsPrefix(cut.at(other), complete.at(other)));
  EXPECT_TRUE(EndsWithLineEnd(cut.at(other)));
  EXPECT_EQ(CountOf(cut.at(other), "Run = "), failed == "SAMPLES.OUT" ? runs_done + 1 : runs_done);

  // The report's header is whole, its open last line (the power table's
  // column titles) included; the final results never came.
  const std::string& complete_report = complete.at("GORVAN.OUT");
  const size_t titles_end = complete_report.find("\r\n", complete_report.find(" Loci Alleles"));
  EXPECT_EQ(cut.at("GORVAN.OUT"), complete_report.substr(0, titles_end));
}

// Every file in the directory, by name (links as what they lead to).
std::map<std::string, std::string> Everything(const ScratchDir& dir) {
  std::map<std::string, std::string> files;
  for (const std::string& name : dir.Files()) {
    if (std::filesystem::is_regular_file(dir.path() / name)) files[name] = dir.Read(name);
  }
  return files;
}

// A finished job's directory, with the environment of a second job that
// must fail before it replaces anything.
struct RefusedSecondJob {
  std::string name;  // of the case
  std::function<void(const ScratchDir&, Launch&)> arrange;
  std::string expected;  // on the console
};

class SecondJobTest : public testing::TestWithParam<RefusedSecondJob> {};

TEST_P(SecondJobTest, StopsBeforeItReplacesAnyFileOfThePreviousJob) {
  ScratchDir dir;
  dir.Write("GORVAN.IN", TwentyRuns().ToText());
  ASSERT_EQ(RunGorvan(dir.path(), {"--seed", "5"}).exit_code, 0);
  Launch launch;
  launch.args = {"--seed", "6"};
  GetParam().arrange(dir, launch);
  const std::map<std::string, std::string> previous = Everything(dir);
  const std::vector<std::string> names = dir.Files();
  const RunResult run = RunGorvan(dir.path(), launch);
  EXPECT_NE(run.exit_code, 0);
  EXPECT_NE(run.output.find(GetParam().expected), std::string::npos) << run.output;
  EXPECT_EQ(Everything(dir), previous);
  EXPECT_EQ(dir.Files(), names);  // nothing made, the lock removed
}

RefusedSecondJob LinkIntoAMissingDirectory(const std::string& file) {
  return {file + "_LinkIntoAMissingDirectory",
          [file](const ScratchDir& dir, Launch&) {
            std::filesystem::remove(dir.path() / file);
            std::filesystem::create_symlink(dir.path() / "no-such-dir" / file, dir.path() / file);
          },
          "creating file " + file + ": No such file or directory"};
}

std::vector<RefusedSecondJob> RefusedSecondJobs() {
  std::vector<RefusedSecondJob> cases;
  for (const char* file : kFiles) cases.push_back(LinkIntoAMissingDirectory(file));
  // The lock, the six files and the scratch table are open at once; with
  // eight descriptors in all, three of them the standard streams, one of
  // them cannot be opened (which depends on what the job inherited).
  cases.push_back({"TooFewFileDescriptors",
                   [](const ScratchDir&, Launch& launch) { launch.open_files_limit = 8; },
                   ": Too many open files"});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Faults, SecondJobTest, testing::ValuesIn(RefusedSecondJobs()),
                         [](const testing::TestParamInfo<RefusedSecondJob>& info) {
                           std::string name = info.param.name;
                           name.erase(std::remove(name.begin(), name.end(), '.'), name.end());
                           return name;
                         });

TEST(NothingLostTest, ALinkToAMissingFileInAWritableDirectoryIsFollowed) {
  ScratchDir dir;
  dir.Write("GORVAN.IN", TwentyRuns().ToText());
  std::filesystem::create_directory(dir.path() / "kept");
  std::filesystem::create_symlink(dir.path() / "kept" / "SAMPLES.OUT", dir.path() / "SAMPLES.OUT");
  ASSERT_EQ(RunGorvan(dir.path(), {"--seed", "5"}).exit_code, 0);
  EXPECT_GT(std::filesystem::file_size(dir.path() / "kept" / "SAMPLES.OUT"), 0u);
}

TEST(NothingLostTest, FilesAreMadeForEveryoneLessTheUmask) {
  for (const int umask : {002, 022, 077}) {
    ScratchDir dir;
    dir.Write("GORVAN.IN", TwentyRuns().ToText());
    Launch launch;
    launch.args = {"--seed", "5"};
    launch.umask = umask;
    ASSERT_EQ(RunGorvan(dir.path(), launch).exit_code, 0);
    for (const char* name : kFiles) {
      struct stat info {};
      ASSERT_EQ(::stat((dir.path() / name).c_str(), &info), 0) << name;
      EXPECT_EQ(info.st_mode & 0777, 0666u & ~static_cast<unsigned>(umask)) << name << " " << umask;
    }
  }
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;  // their shadow memory needs the address space
#else
constexpr bool kSanitized = false;
#endif

TEST(NothingLostTest, ThreadsThatCannotStartLeaveTheJobToTheSerialLoop) {
  if (kSanitized) GTEST_SKIP() << "an address-space limit does not suit a sanitizer";
  ScratchDir serial_dir, threaded_dir;
  serial_dir.Write("GORVAN.IN", TwentyRuns().ToText());
  threaded_dir.Write("GORVAN.IN", TwentyRuns().ToText());
  ASSERT_EQ(RunGorvan(serial_dir.path(), {"--seed", "5"}).exit_code, 0);
  Launch launch;
  launch.args = {"--seed", "5", "--threads", "2"};
  launch.address_space_limit = 20000L * 1024;  // room for the job, not for thread stacks
  const RunResult run = RunGorvan(threaded_dir.path(), launch);
  EXPECT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_NE(run.errors.find("the job runs on one thread, with the same results"), std::string::npos)
      << run.errors;
  EXPECT_EQ(ReadAll(threaded_dir), ReadAll(serial_dir));
}

class InterruptionTest : public testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(InterruptionTest, EndsOnAWholeRunRemovesTheLockAndScratchFileAndSaysWhatTheFilesHold) {
  const auto [signal, threads] = GetParam();
  Design design = TwentyRuns();
  design.stop_runs = 5000;
  ScratchDir dir;
  dir.Write("GORVAN.IN", design.ToText());
  int pid = 0;
  bool sent = false;
  Launch launch;
  launch.args = {"--seed", "5", "--threads", std::to_string(threads)};
  launch.pid = &pid;
  launch.watch_console = [&](const std::string& console) {
    if (!sent && console.find("Run =     30") != std::string::npos) {
      ::kill(pid, signal);
      sent = true;
    }
  };
  const RunResult run = RunGorvan(dir.path(), launch);
  ASSERT_TRUE(sent);
  EXPECT_EQ(run.exit_code, 128 + signal);
  EXPECT_FALSE(dir.Exists("GORVAN.LCK"));
  EXPECT_FALSE(dir.Exists("CONTTAB.XYZ"));
  const std::map<std::string, std::string> files = ReadAll(dir);
  const int runs_done = CountOf(files.at("SUMTEST.OUT"), "\r\n") - 2;
  EXPECT_GE(runs_done, 30);
  EXPECT_LT(runs_done, design.stop_runs);
  EXPECT_EQ(CountOf(files.at("LOCUSTST.OUT"), "\r\n"), 2 + runs_done * kLoci);
  EXPECT_EQ(CountOf(files.at("FST.OUT"), "\r\n"), 2 + runs_done);
  const std::string note = " after run " + std::to_string(runs_done) +
                           " of 5000; the files hold runs 1 to " + std::to_string(runs_done) +
                           ", and GORVAN.OUT only its header";
  EXPECT_NE(run.errors.find(note), std::string::npos) << run.errors;
  EXPECT_EQ(UnexpectedErrors(run.errors), "");
}

INSTANTIATE_TEST_SUITE_P(SignalsAndThreads, InterruptionTest,
                         testing::Combine(testing::Values(SIGINT, SIGTERM, SIGHUP),
                                          testing::Values(1, 2)));

}  // namespace
}  // namespace gorvan::e2e
