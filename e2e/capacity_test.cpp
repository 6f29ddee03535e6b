// Every capacity of the program at once: 50 loci of 50 alleles, 30
// subpopulations drifting at an effective size of 16383, samples of 16383
// diploids in all. The job runs to its end, every file is complete, and the
// memory stays bounded: the state is of fixed size, nothing grows.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"
#include "output_files.h"
#include "parameter_file.h"

namespace gorvan::e2e {
namespace {

constexpr int kLoci = 50;
constexpr int kAlleles = 50;
constexpr int kPops = 30;
constexpr int kDiploids = 16383;

// Far above the few megabytes the program needs, instrumented or not, and
// far below what a leak or a table growing with the input would reach.
constexpr long kMemoryBoundKb = 256 * 1024;

Design AtEveryCapacity() {
  Design design;
  design.comment1 = "every capacity at once";
  design.iter1 = 10;
  design.iter2 = 2;
  design.iter3 = 10;
  design.drift_size = kDiploids;
  design.stop_t = 1;
  design.stop_runs = 1;
  // 3 x 547 + 27 x 546 = 16383.
  design.sample_sizes.assign(kPops, 546);
  for (int pop = 0; pop < 3; ++pop) design.sample_sizes[pop] = 547;
  design.loci.assign(kLoci, std::vector<double>(kAlleles, 1.0 / kAlleles));
  return design;
}

TEST(CapacityTest, EveryCapacityAtOnceRunsToTheEndInBoundedMemory) {
  const Design design = AtEveryCapacity();
  int diploids = 0;
  for (int size : design.sample_sizes) diploids += size;
  ASSERT_EQ(diploids, kDiploids);

  ScratchDir dir;
  dir.Write("GORVAN.IN", design.ToText());
  const RunResult run = RunGorvan(dir.path(), {"--seed", "50"});
  ASSERT_EQ(run.exit_code, 0) << run.output;
  EXPECT_EQ(run.errors, "");
  EXPECT_LT(run.peak_memory_kb, kMemoryBoundKb);
  EXPECT_FALSE(dir.Exists("CONTTAB.XYZ"));

  const std::vector<FstLine> fst = ParseFstOut(dir.Read("FST.OUT"));
  ASSERT_EQ(fst.size(), 1u);
  EXPECT_EQ(fst[0].t, 1);

  // Every sample holds twice its diploids in genes at every locus.
  const auto samples = ParseSamplesOut(dir.Read("SAMPLES.OUT"), kLoci, kPops);
  ASSERT_EQ(samples.size(), 1u);
  const SampleCounts& counts = samples.begin()->second;
  for (int locus = 1; locus <= kLoci; ++locus) {
    for (int pop = 1; pop <= kPops; ++pop) {
      int genes = 0;
      for (int count : counts[locus][pop]) genes += count;
      EXPECT_EQ(genes, 2 * design.sample_sizes[pop - 1]) << "locus " << locus << ", pop " << pop;
    }
  }

  const std::vector<LocusLine> loci = ParseLocusTstOut(dir.Read("LOCUSTST.OUT"), true, true);
  ASSERT_EQ(loci.size(), static_cast<size_t>(kLoci));
  for (const LocusLine& line : loci) {
    EXPECT_FALSE(line.fixed);
    EXPECT_TRUE(line.p.has_value() && line.fisher_p.has_value());
  }
  const MainReport report = ParseGorvanOut(dir.Read("GORVAN.OUT"), true, true);
  ASSERT_FALSE(report.rows.empty());
  EXPECT_EQ(report.rows.back().runs, 1);
}

}  // namespace
}  // namespace gorvan::e2e
