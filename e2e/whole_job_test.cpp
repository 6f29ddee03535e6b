// The whole job, end to end: the built program on parameter files of the
// tests' own, and every output file read back and cross-checked.
#include <cmath>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "harness.h"
#include "output_files.h"
#include "parameter_file.h"

namespace gorvan::e2e {
namespace {

const std::vector<std::string> kAllFiles = {"FST.OUT",      "GORVAN.IN",   "GORVAN.OUT",
                                            "LOCUSTST.OUT", "SAMPLES.OUT", "SUBPOPS.OUT",
                                            "SUMTEST.OUT"};

RunResult RunDesign(const ScratchDir& dir, const Design& design, int seed) {
  dir.Write("GORVAN.IN", design.ToText());
  return RunGorvan(dir.path(), {"--seed", std::to_string(seed)});
}

int CountOf(const std::string& text, const std::string& piece) {
  int count = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) {
    ++count;
  }
  return count;
}

// Fisher's statistic of one locus as printed with 4 decimals: the interval
// its true contribution lies in. A P of exactly 0 counts as 0.00005; a
// positive estimate is at least one counted step in `steps`.
void AddFisherBounds(double printed_p, int steps, double* low, double* high) {
  const double smallest = 1.0 / steps;
  const double p_high = std::min(1.0, printed_p + 0.00005);
  *low += -2 * std::log(p_high);
  if (printed_p > 0.00005) {
    *high += -2 * std::log(std::max(smallest, printed_p - 0.00005));
  } else {
    *high += std::max(-2 * std::log(0.00005), -2 * std::log(smallest));
  }
}

struct RunFacts {
  int tested_loci = 0;
  int alleles_present = 0;  // over the tested loci
};

// What the samples of one run say about its loci.
RunFacts FactsFromSamples(const SampleCounts& counts, const Design& design,
                          const std::vector<LocusLine>& locus_lines) {
  RunFacts facts;
  for (size_t l = 1; l <= design.loci.size(); ++l) {
    int present = 0, total = 0, largest = 0;
    for (size_t a = 0; a < design.loci[l - 1].size(); ++a) {
      int pooled = 0;
      for (size_t p = 1; p <= design.sample_sizes.size(); ++p) pooled += counts[l][p][a];
      present += pooled > 0;
      total += pooled;
      largest = std::max(largest, pooled);
    }
    const bool fixed = largest == total;
    EXPECT_EQ(locus_lines[l - 1].fixed, fixed) << "locus " << l;
    if (!fixed) {
      ++facts.tested_loci;
      facts.alleles_present += present;
    }
  }
  return facts;
}

void CheckRunNumbers(const std::vector<int>& runs, int stop_runs, const char* file) {
  ASSERT_EQ(static_cast<int>(runs.size()), stop_runs) << file;
  for (int i = 0; i < stop_runs; ++i) EXPECT_EQ(runs[i], i + 1) << file;
}

struct Tally {
  int runs = 0, chi2 = 0, fisher = 0;
};

// Reads every file of a finished job and checks that they agree.
void CheckWholeJob(const ScratchDir& dir, const Design& design) {
  const bool chi2_on = design.run_chi2 == 1, fisher_on = design.run_fisher == 1;
  const int loci = static_cast<int>(design.loci.size());
  const int pops = static_cast<int>(design.sample_sizes.size());

  const std::vector<FstLine> fst = ParseFstOut(dir.Read("FST.OUT"));
  const std::vector<LocusLine> locus_lines =
      ParseLocusTstOut(dir.Read("LOCUSTST.OUT"), chi2_on, fisher_on);
  const std::vector<SumLine> sums = ParseSumTestOut(dir.Read("SUMTEST.OUT"), chi2_on, fisher_on);
  const std::map<int, SampleCounts> samples = ParseSamplesOut(dir.Read("SAMPLES.OUT"), loci, pops);
  const MainReport report = ParseGorvanOut(dir.Read("GORVAN.OUT"), chi2_on, fisher_on);

  std::vector<int> fst_runs, sum_runs, sample_runs;
  for (const FstLine& line : fst) fst_runs.push_back(line.run);
  for (const SumLine& line : sums) sum_runs.push_back(line.run);
  for (const auto& [run, counts] : samples) sample_runs.push_back(run);
  CheckRunNumbers(fst_runs, design.stop_runs, "FST.OUT");
  CheckRunNumbers(sum_runs, design.stop_runs, "SUMTEST.OUT");
  CheckRunNumbers(sample_runs, design.stop_runs, "SAMPLES.OUT");
  ASSERT_EQ(static_cast<int>(locus_lines.size()), design.stop_runs * loci);

  Tally by_class[4];  // 1, 2, 3 and all runs (index 0)
  double fst_sum = 0;
  for (int r = 0; r < design.stop_runs; ++r) {
    SCOPED_TRACE("run " + std::to_string(r + 1));
    const std::vector<LocusLine> run_loci(locus_lines.begin() + r * loci,
                                          locus_lines.begin() + (r + 1) * loci);
    double chi2_sum = 0, fisher_low = 0, fisher_high = 0;
    int df_sum = 0;
    for (int l = 0; l < loci; ++l) {
      EXPECT_EQ(run_loci[l].run, r + 1);
      EXPECT_EQ(run_loci[l].locus, l + 1);
      if (run_loci[l].fixed) continue;
      if (chi2_on) {
        chi2_sum += *run_loci[l].chi2;
        df_sum += *run_loci[l].df;
      }
      if (fisher_on) {
        AddFisherBounds(*run_loci[l].fisher_p, design.iter2 * design.iter3, &fisher_low,
                        &fisher_high);
      }
    }
    const RunFacts facts = FactsFromSamples(samples.at(r + 1), design, run_loci);
    const SumLine& sum = sums[r];
    EXPECT_EQ(sum.loci, facts.tested_loci);
    EXPECT_EQ(sum.alleles, facts.alleles_present);
    EXPECT_NEAR(sum.alleles_per_locus,
                static_cast<double>(facts.alleles_present) / facts.tested_loci, 0.005);
    if (chi2_on) {
      EXPECT_NEAR(*sum.sum_chi2, chi2_sum, 0.0005 * (loci + 1));
      EXPECT_EQ(*sum.sum_df, df_sum);
    }
    if (fisher_on) {
      EXPECT_EQ(*sum.df_fisher, 2 * facts.tested_loci);
      EXPECT_GE(*sum.sum_ln_fisher, fisher_low - 0.0001);
      EXPECT_LE(*sum.sum_ln_fisher, fisher_high + 0.0001);
    }
    const bool all_polymorphic = facts.tested_loci == loci;
    const int classes[] = {
        0, all_polymorphic && facts.alleles_present == design.AlleleTotal() ? 1 : -1,
        all_polymorphic ? 2 : 3};
    for (int c : classes) {
      if (c < 0) continue;
      ++by_class[c].runs;
      if (chi2_on && *sum.p_chi2 < 0.05) ++by_class[c].chi2;
      if (fisher_on && *sum.p_fisher < 0.05) ++by_class[c].fisher;
    }
    fst_sum += fst[r].fst;
  }

  // The power table: rows 1 to 3 only when their class has runs, then all runs.
  size_t row = 0;
  for (int c : {1, 2, 3, 0}) {
    if (c != 0 && by_class[c].runs == 0) continue;
    SCOPED_TRACE("class " + std::to_string(c));
    ASSERT_LT(row, report.rows.size());
    const PowerRow& printed = report.rows[row++];
    std::string fewer_loci = std::to_string(loci);
    fewer_loci.insert(0, 3 - fewer_loci.size(), ' ');
    fewer_loci.insert(0, 1, '<');
    const std::string expected_loci[] = {"Tot", std::to_string(loci), std::to_string(loci),
                                         fewer_loci};
    EXPECT_EQ(printed.loci, expected_loci[c]);
    EXPECT_EQ(printed.runs, by_class[c].runs);
    if (chi2_on) {
      EXPECT_EQ(*printed.chi2_count, by_class[c].chi2);
      EXPECT_NEAR(*printed.chi2_share, static_cast<double>(by_class[c].chi2) / by_class[c].runs,
                  0.00005);
    }
    if (fisher_on) {
      EXPECT_EQ(*printed.fisher_count, by_class[c].fisher);
    }
  }
  EXPECT_EQ(row, report.rows.size());
  EXPECT_NEAR(report.average_fst, fst_sum / design.stop_runs, 0.00006);
  const double expected_fst =
      design.stop_t == 0 ? 0 : 1 - std::pow(1 - 1.0 / (2 * design.drift_size), design.stop_t);
  EXPECT_NEAR(report.expected_fst, expected_fst, 0.00005);
}

TEST(WholeJobTest, EveryFileAgreesForEachChoiceOfTests) {
  for (int chi2 : {1, 0}) {
    for (int fisher : {1, 0}) {
      SCOPED_TRACE("chi2 " + std::to_string(chi2) + ", fisher " + std::to_string(fisher));
      Design design;
      design.run_chi2 = chi2;
      design.run_fisher = fisher;
      design.loci = {{0.5, 0.5}, {0.2, 0.3, 0.5}, {0.9, 0.05, 0.05}};
      design.stop_runs = 12;
      ScratchDir dir;
      const RunResult run = RunDesign(dir, design, 11);
      ASSERT_EQ(run.exit_code, 0) << run.output;
      EXPECT_EQ(dir.Files(), kAllFiles);
      CheckWholeJob(dir, design);
      EXPECT_EQ(CountOf(run.output, " Approximate CPU-time: "), 1);
    }
  }
}

TEST(WholeJobTest, FixedLociAndLostAllelesFillTheirClasses) {
  // Small samples from a strongly drifting design: loci are often fixed in
  // the samples (class 3) and rare alleles often missing (class 2, not 1).
  Design design;
  design.drift_size = 8;
  design.stop_t = 6;
  design.sample_sizes = {3, 3};
  design.loci = {{0.8, 0.1, 0.1}, {0.85, 0.15}};
  design.stop_runs = 40;
  ScratchDir dir;
  const RunResult run = RunDesign(dir, design, 5);
  ASSERT_EQ(run.exit_code, 0) << run.output;
  CheckWholeJob(dir, design);
  const MainReport report = ParseGorvanOut(dir.Read("GORVAN.OUT"), true, true);
  std::set<std::string> labels;
  for (const PowerRow& row : report.rows) labels.insert(row.loci + "/" + row.alleles);
  EXPECT_TRUE(labels.count("<  2/***")) << "no run with a fixed locus";
  EXPECT_TRUE(labels.count("2/=<  5")) << "no run with every locus polymorphic";
}

TEST(WholeJobTest, DiscardedRunsAreRepeatedUnderTheSameNumber) {
  // One rare allele in four sampled genes: most attempts are monomorphic.
  Design design;
  design.stop_t = 0;
  design.sample_sizes = {1, 1};
  design.loci = {{0.95, 0.05}};
  design.stop_runs = 5;
  ScratchDir dir;
  const RunResult run = RunDesign(dir, design, 3);
  ASSERT_EQ(run.exit_code, 0) << run.output;
  const int progress_lines = CountOf(run.output, "Run = ");
  EXPECT_GT(progress_lines, design.stop_runs) << "no run was discarded";
  CheckWholeJob(dir, design);
  // The last progress line names the last run.
  EXPECT_NE(run.output.find("Run =      5\n Approximate CPU-time: "), std::string::npos);
}

TEST(WholeJobTest, WithoutDriftSamplesComeFromTheBasePopulation) {
  Design design;
  design.stop_t = 0;
  design.drift_size = 0;  // not used without drift
  design.loci = {{0.5, 0.5}, {0.1, 0.2, 0.7}};
  design.stop_runs = 4;
  ScratchDir dir;
  const RunResult run = RunDesign(dir, design, 8);
  ASSERT_EQ(run.exit_code, 0) << run.output;
  CheckWholeJob(dir, design);
  for (const FstLine& line : ParseFstOut(dir.Read("FST.OUT"))) {
    EXPECT_EQ(line.t, 0);
    EXPECT_EQ(line.fst, 0.0);
    EXPECT_EQ(line.ht, line.hs);
  }
  const std::string report = dir.Read("GORVAN.OUT");
  EXPECT_NE(report.find("NO DRIFT!!!  Samples are drawn directly from base population!!!\r\n"),
            std::string::npos);
  EXPECT_EQ(report.find("Effective size"), std::string::npos);
  EXPECT_NE(report.find("Expected Fst =     0.0000\r\n"), std::string::npos);
  const std::string subpops = dir.Read("SUBPOPS.OUT");
  EXPECT_EQ(CountOf(subpops, "Pop  1    0.100  0.200  0.700\r\n"), design.stop_runs);
}

TEST(WholeJobTest, ALocusWithOneAlleleIsMarkedAndPutsEveryRunInClassThree) {
  Design design;
  design.loci = {{1.0}, {0.5, 0.5}};
  design.stop_runs = 3;
  ScratchDir dir;
  const RunResult run = RunDesign(dir, design, 21);
  ASSERT_EQ(run.exit_code, 0) << run.output;
  CheckWholeJob(dir, design);
  const MainReport report = ParseGorvanOut(dir.Read("GORVAN.OUT"), true, true);
  ASSERT_EQ(report.rows.size(), 2u);
  EXPECT_EQ(report.rows[0].loci, "<  2");
  EXPECT_EQ(report.rows[0].runs, 3);
  EXPECT_NE(dir.Read("SUBPOPS.OUT").find("  Locus  1:  1.000\r\n"), std::string::npos);
}

TEST(WholeJobTest, ErasingKeepsOnlyTheReportAndOtherValuesKeepEverything) {
  for (int erase : {1, 0, 2, -1}) {
    Design design;
    design.erase = erase;
    design.stop_runs = 2;
    ScratchDir dir;
    dir.Write("FST.OUT", "stale content of an earlier job\r\n");
    const RunResult run = RunDesign(dir, design, 2);
    ASSERT_EQ(run.exit_code, 0) << run.output;
    if (erase == 1) {
      EXPECT_EQ(dir.Files(), (std::vector<std::string>{"GORVAN.IN", "GORVAN.OUT"}));
    } else {
      EXPECT_EQ(dir.Files(), kAllFiles) << erase;
      EXPECT_EQ(dir.Read("FST.OUT").find("stale"), std::string::npos);
    }
  }
}

TEST(WholeJobTest, TheSameSeedGivesByteIdenticalFiles) {
  Design design;
  design.stop_runs = 6;
  ScratchDir first, second, third;
  ASSERT_EQ(RunDesign(first, design, 1234).exit_code, 0);
  ASSERT_EQ(RunDesign(second, design, 1234).exit_code, 0);
  ASSERT_EQ(RunDesign(third, design, 1235).exit_code, 0);
  for (const std::string& name : kAllFiles) {
    if (name == "GORVAN.IN") continue;
    EXPECT_EQ(first.Read(name), second.Read(name)) << name;
  }
  EXPECT_NE(first.Read("SAMPLES.OUT"), third.Read("SAMPLES.OUT"));
}

}  // namespace
}  // namespace gorvan::e2e
