#include "stats/locus/locus_analysis.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/random_source.h"
#include "stats/fisher/fisher_chain.h"
#include "testing/locus_test_support.h"
#include "testing/scoped_work_dir.h"

namespace gorvan {
namespace {

// Sets the sample of population `pop` at `locus` to `counts` (alleles 1..),
// with the diploid sample size that holds them.
void SetSample(State& s, int pop, int locus, const std::vector<int16_t>& counts) {
  int32_t genes = 0;
  for (size_t a = 0; a < counts.size(); ++a) {
    s.ALL_POPS_ACOUNT[pop][locus][a + 1] = counts[a];
    genes += counts[a];
  }
  s.SAMPLESIZE[pop] = static_cast<int16_t>(genes / 2);
}

void SetTotalSampleSize(State& s) {
  s.TOTALSAMPLESIZE = 0;
  for (int pop = 1; pop <= s.NUMBPOPS; ++pop) s.TOTALSAMPLESIZE += s.SAMPLESIZE[pop];
}

// The lines of a file written with CR LF, each as its numbers.
std::vector<std::vector<int64_t>> NumbersByLine(const std::string& text) {
  std::vector<std::vector<int64_t>> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    std::istringstream fields(text.substr(start, end - start));
    std::vector<int64_t> numbers;
    for (int64_t value; fields >> value;) numbers.push_back(value);
    lines.push_back(numbers);
  }
  EXPECT_EQ(start, text.size()) << "text after the last line end";
  return lines;
}

void ExpectSeedsInRange(const std::vector<int64_t>& header) {
  ASSERT_EQ(header.size(), 9u);
  for (int k = 2; k <= 5; ++k) {
    EXPECT_GE(header[k], 1);
    EXPECT_LE(header[k], 165);
  }
}

TEST(FixedLociTest, FixedOnlyWhenOneAlleleHoldsEveryPooledGene) {
  TestState t;
  State& s = *t.s;
  s.NUMBLOCI = 3;
  s.NUMBPOPS = 2;
  s.ALLELES_PER_LOCUS[1] = 3;
  s.ALLELES_PER_LOCUS[2] = 2;
  s.ALLELES_PER_LOCUS[3] = 2;
  SetSample(s, 1, 1, {0, 10, 0});  // every sample carries only allele 2
  SetSample(s, 2, 1, {0, 12, 0});
  SetSample(s, 1, 2, {10, 0});  // each sample monomorphic, for different alleles
  SetSample(s, 2, 2, {0, 12});
  SetSample(s, 1, 3, {9, 1});
  SetSample(s, 2, 3, {12, 0});
  SetTotalSampleSize(s);
  s.FIXED_LOCUS[2] = 1;  // left over from an earlier run
  TEST_EACH_LOCUS_FOR_FIXED_SAMPLES(s);
  EXPECT_EQ(s.FIXED_LOCUS[1], 1);
  EXPECT_EQ(s.FIXED_LOCUS[2], 0);
  EXPECT_EQ(s.FIXED_LOCUS[3], 0);
  EXPECT_EQ(s.NUMB_NONFIXED_LOCI, 2);
}

TEST(FixedLociTest, AllLociFixed) {
  TestState t;
  State& s = *t.s;
  s.NUMBLOCI = 2;
  s.NUMBPOPS = 3;
  s.ALLELES_PER_LOCUS[1] = 2;
  s.ALLELES_PER_LOCUS[2] = 4;
  for (int pop = 1; pop <= 3; ++pop) {
    SetSample(s, pop, 1, {8, 0});
    SetSample(s, pop, 2, {0, 0, 0, 8});
  }
  SetTotalSampleSize(s);
  s.NUMB_NONFIXED_LOCI = 7;
  TEST_EACH_LOCUS_FOR_FIXED_SAMPLES(s);
  EXPECT_EQ(s.FIXED_LOCUS[1], 1);
  EXPECT_EQ(s.FIXED_LOCUS[2], 1);
  EXPECT_EQ(s.NUMB_NONFIXED_LOCI, 0);
}

// Pooled counts above 32767 are summed without wrapping, so a fixed locus
// with large samples is still recognised.
TEST(FixedLociTest, PooledCountsBeyondSixteenBits) {
  TestState t;
  State& s = *t.s;
  s.NUMBLOCI = 1;
  s.NUMBPOPS = 2;
  s.ALLELES_PER_LOCUS[1] = 2;
  SetSample(s, 1, 1, {20000, 0});
  SetSample(s, 2, 1, {20000, 0});
  SetTotalSampleSize(s);
  TEST_EACH_LOCUS_FOR_FIXED_SAMPLES(s);
  EXPECT_EQ(s.FIXED_LOCUS[1], 1);
  EXPECT_EQ(s.NUMB_NONFIXED_LOCI, 0);
}

class TableFileOfLocusTest : public testing::Test {
 protected:
  void SetUp() override {
    State& s = *t.s;
    s.NUMBLOCI = 2;
    s.NUMBPOPS = 3;
    s.ITER1 = 1000;
    s.ITER2 = 100;
    s.ITER3 = 1000;
    s.RUN_CHI2 = 0;
    s.RUN_FISHER = 0;
    s.RANDSEED = 4711;
  }
  std::vector<std::vector<int64_t>> TestLocus(int16_t locus) {
    t.s->J = locus;
    TEST_LOCUS_X(*t.s);
    return NumbersByLine(dir.ReadFile("CONTTAB.XYZ"));
  }

  ScopedWorkDir dir;
  TestState t;
};

TEST_F(TableFileOfLocusTest, AbsentAlleleGetsNoColumn) {
  State& s = *t.s;
  s.ALLELES_PER_LOCUS[2] = 4;
  SetSample(s, 1, 2, {3, 0, 5, 2});
  SetSample(s, 2, 2, {0, 0, 10, 0});
  SetSample(s, 3, 2, {1, 0, 0, 1});
  const auto lines = TestLocus(2);
  ASSERT_EQ(lines.size(), 4u);
  ExpectSeedsInRange(lines[0]);
  EXPECT_EQ(lines[0][0], 3);
  EXPECT_EQ(lines[0][1], 3);
  EXPECT_EQ(lines[0][6], 1000);
  EXPECT_EQ(lines[0][7], 100);
  EXPECT_EQ(lines[0][8], 1000);
  EXPECT_EQ(lines[1], (std::vector<int64_t>{3, 5, 2}));
  EXPECT_EQ(lines[2], (std::vector<int64_t>{0, 10, 0}));
  EXPECT_EQ(lines[3], (std::vector<int64_t>{1, 0, 1}));
  const std::string text = dir.ReadFile("CONTTAB.XYZ");
  EXPECT_NE(text.find("\r\n    3    5    2\r\n    0   10    0\r\n    1    0    1\r\n"),
            std::string::npos)
      << text;
}

TEST_F(TableFileOfLocusTest, TwoPopulationsFixedForDifferentAlleles) {
  State& s = *t.s;
  s.NUMBPOPS = 2;
  s.ALLELES_PER_LOCUS[1] = 2;
  SetSample(s, 1, 1, {10, 0});
  SetSample(s, 2, 1, {0, 12});
  TestLocus(1);
  const std::string text = dir.ReadFile("CONTTAB.XYZ");
  const size_t header_end = text.find("\r\n");
  EXPECT_EQ(text.substr(0, 10), "    2    2");
  EXPECT_EQ(text.substr(header_end + 2), "   10    0\r\n    0   12\r\n");
}

TEST_F(TableFileOfLocusTest, BothTestsOffStillWritesTheFileAndDrawsFourSeeds) {
  State& s = *t.s;
  s.ALLELES_PER_LOCUS[1] = 2;
  SetSample(s, 1, 1, {1, 1});
  SetSample(s, 2, 1, {2, 0});
  SetSample(s, 3, 1, {0, 2});
  s.HM = 0.5L;
  s.CHISQ = 3.0L;
  const auto lines = TestLocus(1);
  ASSERT_EQ(lines.size(), 4u);
  ExpectSeedsInRange(lines[0]);
  EXPECT_EQ(s.HM, 0.5L);
  EXPECT_EQ(s.CHISQ, 3.0L);

  // The seeds are the next four draws of the program-wide stream, and the
  // stream has moved on by exactly those four.
  TestState reference;
  reference.s->RANDSEED = 4711;
  for (int k = 2; k <= 5; ++k) EXPECT_EQ(lines[0][k], RANDOM(*reference.s, 165) + 1);
  EXPECT_EQ(GENRAND_MT19937(s), GENRAND_MT19937(*reference.s));
}

TEST_F(TableFileOfLocusTest, LargeCountsReadBackAsThemselves) {
  State& s = *t.s;
  s.NUMBPOPS = 2;
  s.ALLELES_PER_LOCUS[1] = 2;
  SetSample(s, 1, 1, {10000, 2});
  SetSample(s, 2, 1, {3, 12000});
  const auto lines = TestLocus(1);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], (std::vector<int64_t>{10000, 2}));
  EXPECT_EQ(lines[2], (std::vector<int64_t>{3, 12000}));
}

TEST_F(TableFileOfLocusTest, FisherRunsOnTheTableItWrote) {
  State& s = *t.s;
  s.RUN_FISHER = 1;
  s.ITER1 = 100;
  s.ITER2 = 10;
  s.ITER3 = 200;
  s.ALLELES_PER_LOCUS[1] = 3;
  SetSample(s, 1, 1, {4, 0, 2});
  SetSample(s, 2, 1, {1, 3, 2});
  SetSample(s, 3, 1, {0, 5, 1});
  const auto lines = TestLocus(1);
  const auto& h = lines[0];
  const FisherResult expected = RunFisherChain(MakeFisherInput(
      {{4, 0, 2}, {1, 3, 2}, {0, 5, 1}}, 100, 10, 200, static_cast<int16_t>(h[2]),
      static_cast<int16_t>(h[3]), static_cast<int16_t>(h[4]), static_cast<int16_t>(h[5])));
  EXPECT_EQ(s.HM, expected.HM);
  EXPECT_EQ(s.HECA, expected.HECA);
  EXPECT_EQ(t.console_out.str(), "");
}

}  // namespace
}  // namespace gorvan
