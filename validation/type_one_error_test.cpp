// Type I error: with no drift every sample comes from the same base
// population, so a combined test at the 5% level must reject in about 5% of
// the runs. The exact test must not reject more often than that; an exact
// test on discrete tables may reject a little less. The chi-square figure
// is reported beside it: with rare alleles and unequal samples its small
// expected counts inflate it, which is a property of the chi-square test,
// not of the program.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "binomial.h"
#include "markdown_table.h"
#include "program_runs.h"
#include "validation_scale.h"

namespace gorvan::validation {
namespace {

struct NullDesign {
  std::string name;
  e2e::Design design;
  // Whether the design's tables are large enough for the exact P to be
  // nearly continuous, so that the test must reject close to 5%, within the
  // binomial interval. With rare alleles few tables share the observed
  // margins, the exact P moves in coarse steps and the test rejects less
  // often: there it must only not fall clearly below half the level.
  bool nearly_continuous;
};

e2e::Design WithoutDrift(std::vector<int> sample_sizes, std::vector<std::vector<double>> loci) {
  e2e::Design design;
  design.comment1 = "type I error";
  design.stop_t = 0;
  design.drift_size = 100;
  design.sample_sizes = std::move(sample_sizes);
  design.loci = std::move(loci);
  design.stop_runs = Pick({.suite = 1000, .sanitized = 300, .long_run = 2000});
  UseValidationChain(design);
  return design;
}

e2e::Design CommonAlleles() {
  return WithoutDrift({50, 50, 50, 50}, {{0.5, 0.5},
                                         {0.2, 0.3, 0.5},
                                         {0.1, 0.2, 0.3, 0.4},
                                         {0.4, 0.3, 0.15, 0.1, 0.05},
                                         {0.3, 0.25, 0.2, 0.1, 0.1, 0.05}});
}

std::vector<NullDesign> NullDesigns() {
  return {
      {"common alleles, 4 x 50 diploids", CommonAlleles(), true},
      {"rare alleles, 10/10/50/50 diploids",
       WithoutDrift({10, 10, 50, 50}, {{0.99, 0.01},
                                       {0.97, 0.02, 0.01},
                                       {0.9, 0.05, 0.03, 0.02},
                                       {0.8, 0.1, 0.05, 0.03, 0.02},
                                       {0.9, 0.04, 0.02, 0.02, 0.01, 0.01}}),
       false},
      // The design of the worked example and of the power curve in the docs.
      {"two rare alleles, 4 x 30 diploids",
       WithoutDrift(
           {30, 30, 30, 30},
           {{0.5, 0.5}, {0.2, 0.3, 0.5}, {0.1, 0.2, 0.3, 0.4}, {0.995, 0.005}, {0.9, 0.08, 0.02}}),
       false},
  };
}

// Runs whose printed combined P lies below `level`.
int CountBelow(const std::vector<e2e::SumLine>& lines, double level, bool fisher) {
  int below = 0;
  for (const e2e::SumLine& line : lines) {
    const double p = fisher ? *line.p_fisher : *line.p_chi2;
    below += p < level;
  }
  return below;
}

double ShareBelow(const std::vector<e2e::SumLine>& lines, double level, bool fisher) {
  return static_cast<double>(CountBelow(lines, level, fisher)) / static_cast<double>(lines.size());
}

std::string Interval(const CountInterval& counts, int runs) {
  return Fixed(static_cast<double>(counts.low) / runs, 4) + " to " +
         Fixed(static_cast<double>(counts.high) / runs, 4);
}

TEST(TypeOneError, CombinedExactTestRejectsAboutFivePercentWithoutDrift) {
  MarkdownTable table("Type I error: share of runs significant without drift (STOP_T = 0)",
                      {"Design", "Runs", "Fisher P<0.01", "Fisher P<0.05", "Fisher P<0.10",
                       "Chi2 P<0.01", "Chi2 P<0.05", "Chi2 P<0.10", "99% interval at 0.05"});
  for (const NullDesign& null_design : NullDesigns()) {
    SCOPED_TRACE(null_design.name);
    const DesignOutcome outcome = RunDesign(null_design.design, 20261207);
    ASSERT_TRUE(outcome.completed);
    const e2e::PowerRow* all_runs = AllRunsRow(outcome.report);
    ASSERT_NE(all_runs, nullptr);
    const int runs = all_runs->runs;
    ASSERT_EQ(runs, null_design.design.stop_runs);

    // The program's own figure, from the power table.
    const CountInterval accepted = BinomialInterval(runs, 0.05, 0.99);
    EXPECT_LE(*all_runs->fisher_count, accepted.high) << "the exact test rejects too often";
    const int floor =
        null_design.nearly_continuous ? accepted.low : BinomialInterval(runs, 0.025, 0.99).low;
    EXPECT_GE(*all_runs->fisher_count, floor) << "the exact test is far too conservative";

    // The whole lower tail of the combined P values, from SUMTEST.OUT: at no
    // level may the exact test reject beyond the binomial allowance.
    const auto lines = e2e::ParseSumTestOut(outcome.sumtest_out, true, true);
    ASSERT_EQ(static_cast<int>(lines.size()), runs);
    for (double level : {0.01, 0.10}) {
      const CountInterval at_level = BinomialInterval(runs, level, 0.99);
      EXPECT_LE(CountBelow(lines, level, true), at_level.high) << "level " << level;
    }
    table.AddRow({null_design.name, std::to_string(runs), Fixed(ShareBelow(lines, 0.01, true), 4),
                  Fixed(*all_runs->fisher_share, 4), Fixed(ShareBelow(lines, 0.10, true), 4),
                  Fixed(ShareBelow(lines, 0.01, false), 4), Fixed(*all_runs->chi2_share, 4),
                  Fixed(ShareBelow(lines, 0.10, false), 4), Interval(accepted, runs)});
  }
  table.Print();
}

// The chain starts at the observed table and moves one gene pair per step.
// On tables of 400 genes it needs thousands of steps to wander over the
// tables with the observed margins; a chain counting fewer stays near its
// start, where an observed table out in the tail finds few tables less
// probable than itself, and its P comes out too small. The level holds
// only once the chain is long enough, which this series shows.
TEST(TypeOneError, ExactTestHoldsItsLevelOnceTheChainIsLongEnough) {
  MarkdownTable table(
      "Type I error of the combined exact test against the chain's length "
      "(common alleles, 4 x 50 diploids)",
      {"Burn-in", "Batches x steps", "Counted steps", "Runs", "Fisher P<0.05"});
  const std::vector<std::vector<int>> chains = {
      {100, 10, 100}, {1000, 10, 100}, {100, 10, 1000}, {100, 20, 1000}, {1000, 100, 1000}};
  for (const std::vector<int>& chain : chains) {
    e2e::Design design = CommonAlleles();
    design.iter1 = chain[0];
    design.iter2 = chain[1];
    design.iter3 = chain[2];
    design.erase = 1;
    design.stop_runs = Pick({.suite = 300, .sanitized = 100, .long_run = 2000});
    const DesignOutcome outcome = RunDesign(design, 1207);
    ASSERT_TRUE(outcome.completed);
    const e2e::PowerRow* all_runs = AllRunsRow(outcome.report);
    ASSERT_NE(all_runs, nullptr);
    table.AddRow({std::to_string(chain[0]),
                  std::to_string(chain[1]) + " x " + std::to_string(chain[2]),
                  std::to_string(chain[1] * chain[2]), std::to_string(all_runs->runs),
                  Fixed(*all_runs->fisher_share, 4)});
    if (chain[1] * chain[2] >= 20000) {
      const CountInterval accepted = BinomialInterval(all_runs->runs, 0.05, 0.99);
      EXPECT_LE(*all_runs->fisher_count, accepted.high) << chain[1] * chain[2] << " steps";
    }
  }
  table.Print();
}

}  // namespace
}  // namespace gorvan::validation
