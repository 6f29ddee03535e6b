#include "report/combined_results_file.h"

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "stats/combined/significance_tallies.h"
#include "testing/scoped_work_dir.h"
#include "testing/state_fixture.h"

namespace gorvan {
namespace {

std::string Blanks(int count) { return std::string(count, ' '); }

class CombinedResultsFileTest : public StateFixture {
 protected:
  // What the run loop does at the end of a run: combine, write, tally.
  void CombineWriteAndTally() {
    const CombinedTests combined = CombineTests(*s_);
    WRITE_TO_SUMTEST(*s_, combined);
    TallySignificance(*s_, combined.XCHI2, combined.XGEXACT);
  }
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
  const std::string kLeading =
      Blanks(6) + "2" + Blanks(5) + "2" + Blanks(7) + "5" + Blanks(3) + "2.50";
  const std::string kChi2Fields = Blanks(5) + "7.750" + Blanks(11) + "5" + Blanks(6) + "0.0123";
  const std::string kFisherFields =
      Blanks(10) + "4" + Blanks(10) + "10.1234" + Blanks(6) + "0.5000";
  const CombinedTests kCombined{0.0123L, 4, 0.5L};

  ScopedWorkDir dir_;
};

TEST_F(CombinedResultsFileTest, LinesWithBothEitherAndNoTests) {
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
                            kLeading + Blanks(34) + kFisherFields + "\r\n" + kLeading + Blanks(75) +
                            "\r\n");
}

TEST_F(CombinedResultsFileTest, RunWithoutTestsCountsTheirPOfZeroAsSignificant) {
  // With both tests off no probability is computed: the line has blanks and
  // the never reported counters of the tests advance.
  SwitchTests(0, 0);
  s_->NUMBLOCI = 2;
  CombineWriteAndTally();
  EXPECT_EQ(RunLines(), kLeading + Blanks(75) + "\r\n");
  EXPECT_EQ(s_->NUMBTOT, 1);
  EXPECT_EQ(s_->TOTCHI2, 1);
  EXPECT_EQ(s_->TOTGEXACT, 1);
  EXPECT_EQ(s_->NUMBR2, 1);
}

TEST_F(CombinedResultsFileTest, FisherCombinationHasTwoDegreesOfFreedomPerLocus) {
  SwitchTests(0, 1);
  s_->NUMBLOCI = 3;
  s_->NUMB_NONFIXED_LOCI = 3;
  CombineWriteAndTally();
  const std::string line = RunLines();
  // The combined P itself follows in the last field.
  EXPECT_EQ(line.substr(0, kLeading.size() + 34 + 28),
            Blanks(6) + "2" + Blanks(5) + "3" + Blanks(7) + "5" + Blanks(3) + "2.50" + Blanks(34) +
                Blanks(10) + "6" + Blanks(10) + "10.1234");
  EXPECT_EQ(s_->NUMBR3, 0);
  EXPECT_EQ(s_->NUMBTOT, 1);
}

}  // namespace
}  // namespace gorvan
