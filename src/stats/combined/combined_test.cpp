#include "stats/combined/combined.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "testing/scoped_work_dir.h"
#include "testing/state_fixture.h"
#include "textio/number_format.h"

namespace gorvan {
namespace {

class CombinedTestsTest : public StateFixture {
 protected:
  void SetUp() override {
    s_->NUMBPOPS = 3;
    s_->NUMBLOCI = 2;
    CLEAR_SUM_P_CHI2_DF(*s_);
  }

  // Locus `locus` with the given pooled sample counts per population.
  void SetCounts(int locus, std::initializer_list<std::initializer_list<int16_t>> rows) {
    int pop = 1;
    int alleles = 0;
    for (const auto& row : rows) {
      int allele = 1;
      for (int16_t count : row) s_->ALL_POPS_ACOUNT[pop][locus][allele++] = count;
      alleles = static_cast<int>(row.size());
      ++pop;
    }
    s_->ALLELES_PER_LOCUS[locus] = static_cast<int16_t>(alleles);
  }

  void AddLocus(int locus) {
    s_->J = static_cast<int16_t>(locus);
    SUM_FOR_TOTAL_P(*s_);
  }
};

TEST_F(CombinedTestsTest, ChiSquareStatisticsAndDegreesOfFreedomAddUp) {
  s_->RUN_CHI2 = 1;
  SetCounts(1, {{4, 6}, {5, 5}, {7, 3}});
  SetCounts(2, {{4, 6, 1}, {5, 5, 1}, {7, 3, 1}});
  s_->CHI2 = 3.5L;
  s_->CHI2_DF = 2;
  AddLocus(1);
  s_->CHI2 = 4.25L;
  s_->CHI2_DF = 4;
  AddLocus(2);
  EXPECT_EQ(s_->SUM_CHI2, 7.75L);
  EXPECT_EQ(s_->SUM_CHI2_DF, 6);
  EXPECT_EQ(s_->SUM_LN_GEXACT_P, 0);  // the Fisher test is off
  EXPECT_EQ(s_->NUMB_NONFIXED_LOCI, 2);
  EXPECT_EQ(s_->NUMB_ALLELES, 5);
  EXPECT_EQ(s_->MEAN_ALLELES_PER_LOCUS, 2.5);
}

TEST_F(CombinedTestsTest, FisherPOfZeroIsCombinedAsAFiniteValue) {
  s_->RUN_FISHER = 1;
  SetCounts(1, {{4, 6}, {5, 5}, {7, 3}});
  s_->GEXACT_P = 0;
  AddLocus(1);
  EXPECT_EQ(s_->GEXACT_P, 0.00005L);
  EXPECT_EQ(FormatReal(s_->SUM_LN_GEXACT_P, 0, 4), "19.8070");
  EXPECT_EQ(s_->SUM_CHI2, 0);  // the chi-square test is off
  // A P above 0, however small, is used as it is.
  s_->GEXACT_P = 0.000001L;
  AddLocus(1);
  EXPECT_EQ(s_->GEXACT_P, 0.000001L);
  EXPECT_EQ(FormatReal(s_->SUM_LN_GEXACT_P, 0, 4), "47.4380");
}

TEST_F(CombinedTestsTest, FisherStatisticOfOneLocus) {
  s_->RUN_FISHER = 1;
  SetCounts(1, {{4, 6}, {5, 5}, {7, 3}});
  s_->GEXACT_P = 0.03L;
  AddLocus(1);
  EXPECT_EQ(FormatReal(s_->SUM_LN_GEXACT_P, 0, 4), "7.0131");
  EXPECT_NEAR(static_cast<double>(s_->SUM_LN_GEXACT_P), -2 * std::log(0.03), 1e-12);
}

TEST_F(CombinedTestsTest, AllelesAreCountedInThePooledSamples) {
  // Allele 2 is in no sample; allele 3 only in population 3; population 2
  // was sampled with no diploid at all.
  SetCounts(1, {{4, 0, 0, 6}, {0, 0, 0, 0}, {5, 0, 1, 4}});
  SetCounts(2, {{10, 0}, {0, 0}, {0, 10}});
  for (int chi2 : {0, 1}) {
    SCOPED_TRACE(chi2);
    CLEAR_SUM_P_CHI2_DF(*s_);
    s_->RUN_CHI2 = static_cast<int16_t>(chi2);
    s_->CHI2_DF = 2;  // two non-empty rows, three columns
    AddLocus(1);
    EXPECT_EQ(s_->NUMB_ALLELES, 3);
    s_->CHI2_DF = 1;
    AddLocus(2);
    EXPECT_EQ(s_->NUMB_ALLELES, 5);
    EXPECT_EQ(s_->MEAN_ALLELES_PER_LOCUS, 2.5);
  }
}

}  // namespace
}  // namespace gorvan
