// Drift: after t generations of Wright-Fisher sampling at effective size Ne
// the expected Fst is 1 - (1 - 1/(2 Ne))^t. The F'st reached by the
// program's drift, averaged over runs, must agree with it within a few
// standard errors of that average, for weak and strong drift alike.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "markdown_table.h"
#include "program_runs.h"
#include "validation_scale.h"

namespace gorvan::validation {
namespace {

struct DriftSetting {
  int ne, t;
};

e2e::Design DriftOnly(const DriftSetting& setting) {
  e2e::Design design;
  design.comment1 = "drift";
  design.drift_size = setting.ne;
  design.stop_t = setting.t;
  // Eight subpopulations and ten loci keep the per-run F'st from wandering
  // far; the tests are off, since only the drift is looked at.
  design.sample_sizes = std::vector<int>(8, 20);
  design.loci = {{0.5, 0.5}, {0.2, 0.3, 0.5}, {0.1, 0.2, 0.3, 0.4}, {0.7, 0.3}, {0.4, 0.4, 0.2},
                 {0.5, 0.5}, {0.2, 0.3, 0.5}, {0.1, 0.2, 0.3, 0.4}, {0.7, 0.3}, {0.4, 0.4, 0.2}};
  design.run_chi2 = 0;
  design.run_fisher = 0;
  design.stop_runs = Pick({.suite = 200, .sanitized = 30, .long_run = 2000});
  return design;
}

struct Average {
  double mean, standard_error;
};

Average AverageFst(const std::vector<e2e::FstLine>& lines) {
  double sum = 0, sum_of_squares = 0;
  for (const e2e::FstLine& line : lines) {
    sum += line.fst;
    sum_of_squares += line.fst * line.fst;
  }
  const double n = static_cast<double>(lines.size());
  const double mean = sum / n;
  const double variance = (sum_of_squares - n * mean * mean) / (n - 1);
  return {mean, std::sqrt(std::max(variance, 0.0) / n)};
}

TEST(Drift, AverageFstReachesTheExpectedFstWithinItsStandardError) {
  MarkdownTable table(
      "Drift: average F'st over runs against 1 - (1 - 1/(2 Ne))^t",
      {"Ne", "t", "Runs", "Expected Fst", "Average F'st", "Standard error", "Difference / SE"});
  // From weak drift to the loss of most alleles.
  const std::vector<DriftSetting> settings = {{200, 4}, {50, 10}, {100, 30}, {10, 5}, {25, 40}};
  for (const DriftSetting& setting : settings) {
    SCOPED_TRACE("Ne " + std::to_string(setting.ne) + ", t " + std::to_string(setting.t));
    const e2e::Design design = DriftOnly(setting);
    const DesignOutcome outcome = RunDesign(design, 7000 + setting.ne + setting.t);
    ASSERT_TRUE(outcome.completed);
    const std::vector<e2e::FstLine> lines = e2e::ParseFstOut(outcome.fst_out);
    ASSERT_EQ(static_cast<int>(lines.size()), design.stop_runs);

    const double expected = ExpectedFst(setting.ne, setting.t);
    const Average average = AverageFst(lines);
    const double z = (average.mean - expected) / average.standard_error;
    EXPECT_LT(std::fabs(z), 4.0) << "average " << average.mean << " expected " << expected;

    // The report states the same two figures; FST.OUT rounds each run to
    // four decimals, so the averages may differ by half a unit there.
    EXPECT_NEAR(outcome.report.expected_fst, expected, 0.00005 + 1e-9);
    EXPECT_NEAR(outcome.report.average_fst, average.mean, 0.0001 + 1e-9);
    table.AddRow({std::to_string(setting.ne), std::to_string(setting.t),
                  std::to_string(design.stop_runs), Fixed(expected, 5), Fixed(average.mean, 5),
                  Fixed(average.standard_error, 5), Fixed(z, 2)});
  }
  table.Print();
}

}  // namespace
}  // namespace gorvan::validation
