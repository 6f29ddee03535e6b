// Nothing is lost when a run-time error stops the program in the middle of
// its job: every line completed before the failure, in every other open
// file, is on disk. A job cut short by a file-size quota is compared with the
// same job (same seed) run to its end: each of its files must be the
// complete job's file up to the point of failure, and not one line shorter.
#include <map>
#include <string>

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
  EXPECT_EQ(run.errors, "");
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

}  // namespace
}  // namespace gorvan::e2e
