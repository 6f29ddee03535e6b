// Power: at a fixed effective size, more generations of drift mean more
// differentiation and so more runs in which the combined tests reject; at a
// fixed differentiation, larger samples mean the same. Each step must gain
// more than twice the standard error of the difference, so that the growth
// is not a chance ordering of nearly equal figures.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "binomial.h"
#include "markdown_table.h"
#include "program_runs.h"
#include "validation_scale.h"

namespace gorvan::validation {
namespace {

struct PowerSetting {
  int t, diploids;
};

struct Power {
  int runs;
  double chi2, fisher, expected_fst, average_fst;
};

e2e::Design Differentiated(const PowerSetting& setting) {
  e2e::Design design;
  design.comment1 = "power";
  design.drift_size = 100;
  design.stop_t = setting.t;
  design.sample_sizes = std::vector<int>(4, setting.diploids);
  design.loci = {{0.5, 0.5}, {0.2, 0.3, 0.5}, {0.1, 0.2, 0.3, 0.4}, {0.7, 0.3}, {0.4, 0.4, 0.2}};
  design.erase = 1;
  design.stop_runs = Pick({.suite = 200, .sanitized = 80, .long_run = 1000});
  // A chain too short to forget its start would pass here for power.
  UseValidationChain(design);
  return design;
}

Power MeasurePower(const PowerSetting& setting) {
  const DesignOutcome outcome = RunDesign(Differentiated(setting), 4242);
  if (!outcome.completed) return {};
  const e2e::PowerRow* all_runs = AllRunsRow(outcome.report);
  if (all_runs == nullptr) return {};
  return {all_runs->runs, *all_runs->chi2_share, *all_runs->fisher_share,
          outcome.report.expected_fst, outcome.report.average_fst};
}

void ExpectClearGain(double before, double after, int runs, const char* test) {
  const double se =
      std::hypot(ProportionStandardError(before, runs), ProportionStandardError(after, runs));
  EXPECT_GT(after - before, 2 * se) << test << ": " << before << " -> " << after;
}

// Measures the settings in order, checks that both tests gain at every
// step, and prints the series.
void ExpectPowerToGrow(const std::string& series, const std::vector<PowerSetting>& settings) {
  MarkdownTable table("Power (all runs, Ne = 100, 4 samples, 5 loci): " + series,
                      {"t", "Diploids per sample", "Runs", "Expected Fst", "Average F'st",
                       "Power Chi2", "Power Fisher"});
  Power previous{};
  for (size_t i = 0; i < settings.size(); ++i) {
    SCOPED_TRACE("t " + std::to_string(settings[i].t) + ", " +
                 std::to_string(settings[i].diploids) + " diploids");
    const Power power = MeasurePower(settings[i]);
    ASSERT_GT(power.runs, 0);
    if (i > 0) {
      ExpectClearGain(previous.chi2, power.chi2, power.runs, "chi-square");
      ExpectClearGain(previous.fisher, power.fisher, power.runs, "Fisher");
    }
    table.AddRow({std::to_string(settings[i].t), std::to_string(settings[i].diploids),
                  std::to_string(power.runs), Fixed(power.expected_fst, 4),
                  Fixed(power.average_fst, 4), Fixed(power.chi2, 4), Fixed(power.fisher, 4)});
    previous = power;
  }
  table.Print();
}

TEST(Power, GrowsWithGenerationsOfDriftAtFixedSampleSize) {
  ExpectPowerToGrow("more generations, 20 diploids per sample", {{1, 20}, {3, 20}, {8, 20}});
}

TEST(Power, GrowsWithSampleSizeAtFixedDrift) {
  ExpectPowerToGrow("larger samples, t = 3", {{3, 8}, {3, 20}, {3, 40}});
}

}  // namespace
}  // namespace gorvan::validation
