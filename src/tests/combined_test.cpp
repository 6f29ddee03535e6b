#include "tests/combined.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "tests/sumtest_file.h"
#include "textio/number_format.h"
#include "textio/scoped_work_dir.h"

namespace gorvan {
namespace {

std::string Blanks(int count) { return std::string(count, ' '); }

class CombinedTestsTest : public ::testing::Test {
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

  std::ostringstream console_out_;
  std::istringstream console_in_;
  Console console_{console_out_, console_in_, false};
  std::unique_ptr<State> s_ = std::make_unique<State>(console_);
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

class SumtestFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITIALIZE_SUMTEST(*s_);
    s_->RUN = 2;
    s_->NUMB_NONFIXED_LOCI = 2;
    s_->NUMB_ALLELES = 5;
    s_->MEAN_ALLELES_PER_LOCUS = 2.5;
    s_->SUM_CHI2 = 7.75L;
    s_->SUM_CHI2_DF = 5;
    s_->SUM_LN_GEXACT_P = 10.12344L;
  }

  void SwitchTests(int chi2, int fisher) {
    s_->RUN_CHI2 = static_cast<int16_t>(chi2);
    s_->RUN_FISHER = static_cast<int16_t>(fisher);
  }

  // The run lines written after the header.
  std::string RunLines() {
    s_->OUT10.Close();
    const std::string content = dir_.ReadFile("SUMTEST.OUT");
    EXPECT_EQ(content.substr(0, kHeader.size()), kHeader);
    return content.substr(kHeader.size());
  }

  const std::string kHeader = "\r\n" + Blanks(4) + "Run" + Blanks(2) + "Loci" + Blanks(1) +
                              "Alleles" + Blanks(4) + "A/L" + Blanks(3) + "SumChi2" + Blanks(2) +
                              "SumChi2_df" + Blanks(3) + "SumChi2_P" + Blanks(2) + "df_Fisher" +
                              Blanks(2) + "Sum-2lnFisher_P" + Blanks(1) + "TotFisher_P\r\n";
  const std::string kLeading = Blanks(6) + "2" + Blanks(5) + "2" + Blanks(7) + "5" + Blanks(3) + "2.50";
  const std::string kChi2Fields = Blanks(5) + "7.750" + Blanks(11) + "5" + Blanks(6) + "0.0123";
  const std::string kFisherFields = Blanks(10) + "4" + Blanks(10) + "10.1234" + Blanks(6) + "0.5000";
  const CombinedTests kCombined{0.0123L, 4, 0.5L};

  ScopedWorkDir dir_;
  std::ostringstream console_out_;
  std::istringstream console_in_;
  Console console_{console_out_, console_in_, false};
  std::unique_ptr<State> s_ = std::make_unique<State>(console_);
};

TEST_F(SumtestFileTest, LinesWithBothEitherAndNoTests) {
  SwitchTests(1, 1);
  WriteSumtestLine(s_->OUT10, *s_, kCombined);
  SwitchTests(1, 0);
  WriteSumtestLine(s_->OUT10, *s_, kCombined);
  SwitchTests(0, 1);
  WriteSumtestLine(s_->OUT10, *s_, kCombined);
  SwitchTests(0, 0);
  WriteSumtestLine(s_->OUT10, *s_, kCombined);
  EXPECT_EQ(RunLines(), kLeading + kChi2Fields + kFisherFields + "\r\n" +   //
                            kLeading + kChi2Fields + Blanks(41) + "\r\n" +  //
                            kLeading + Blanks(34) + kFisherFields + "\r\n" +
                            kLeading + Blanks(75) + "\r\n");
}

TEST_F(SumtestFileTest, RunWithoutTestsCountsTheirPOfZeroAsSignificant) {
  // With both tests off no probability is computed: the line has blanks and
  // the never reported counters of the tests advance.
  SwitchTests(0, 0);
  s_->NUMBLOCI = 2;
  WRITE_TO_SUMTEST(*s_);
  EXPECT_EQ(RunLines(), kLeading + Blanks(75) + "\r\n");
  EXPECT_EQ(s_->NUMBTOT, 1);
  EXPECT_EQ(s_->TOTCHI2, 1);
  EXPECT_EQ(s_->TOTGEXACT, 1);
  EXPECT_EQ(s_->NUMBR2, 1);
}

TEST_F(SumtestFileTest, FisherCombinationHasTwoDegreesOfFreedomPerLocus) {
  SwitchTests(0, 1);
  s_->NUMBLOCI = 3;
  s_->NUMB_NONFIXED_LOCI = 3;
  WRITE_TO_SUMTEST(*s_);
  const std::string line = RunLines();
  // The combined P itself follows in the last field.
  EXPECT_EQ(line.substr(0, kLeading.size() + 34 + 28),
            Blanks(6) + "2" + Blanks(5) + "3" + Blanks(7) + "5" + Blanks(3) + "2.50" +
                Blanks(34) + Blanks(10) + "6" + Blanks(10) + "10.1234");
  EXPECT_EQ(s_->NUMBR3, 0);
  EXPECT_EQ(s_->NUMBTOT, 1);
}

}  // namespace
}  // namespace gorvan
