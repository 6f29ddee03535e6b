#include "report/locus_results_file.h"

#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "report/output_file_names.h"
#include "stats/combined/combined.h"
#include "testing/scoped_work_dir.h"
#include "testing/state_fixture.h"

namespace gorvan {
namespace {

std::string Blanks(int count) { return std::string(count, ' '); }

// The columns in which the titles Run, Locus, Chi2, Chi2_df, Chi2_P,
// Fisher_P and SE end.
constexpr int kTitleEnds[] = {7, 14, 24, 32, 41, 55, 65};

const std::string kHeader = "\r\n" + Blanks(4) + "Run" + Blanks(2) + "Locus" + Blanks(6) + "Chi2" +
                            Blanks(1) + "Chi2_df" + Blanks(3) + "Chi2_P" + Blanks(6) + "Fisher_P" +
                            Blanks(8) + "SE\r\n";

class LocusResultsFileTest : public StateFixture {
 protected:
  // What the run loop does for each locus: the results taken over for the
  // combination, then the line.
  void TakeOverAndWrite() {
    TakeOverLocusResults(*s_);
    WRITE_TO_LOCUSTST(*s_);
  }
  void SetUp() override {
    INITIALIZE_LOCUSTST(*s_);
    s_->RUN = 3;
    s_->J = 2;
    s_->FIXED_LOCUS[2] = 0;
    // What the tests of locus 2 left.
    s_->CHISQ = 12.3456L;
    s_->DF = 4.9L;
    s_->PROB = 0.01234L;
    s_->HM = 0.0321L;
    s_->HECA = 0.00123L;
    // Copies left from an earlier locus.
    s_->CHI2 = 99;
    s_->CHI2_DF = 99;
    s_->CHI2_P = 0.99L;
    s_->GEXACT_P = 0.77L;
    s_->SE = 0.066L;
  }

  // The locus lines written after the header.
  std::string LocusLines() {
    s_->OUT8.Close();
    const std::string content = dir_.ReadFile("LOCUSTST.OUT");
    EXPECT_EQ(content.substr(0, kHeader.size()), kHeader);
    return content.substr(kHeader.size());
  }

  void SwitchTests(int chi2, int fisher) {
    s_->RUN_CHI2 = static_cast<int16_t>(chi2);
    s_->RUN_FISHER = static_cast<int16_t>(fisher);
  }

  const std::string kLeading = Blanks(6) + "3" + Blanks(6) + "2";
  const std::string kChi2Fields = Blanks(4) + "12.346" + Blanks(7) + "4" + Blanks(3) + "0.0123";
  const std::string kFisherFields = Blanks(8) + "0.0321" + Blanks(4) + "0.0012";

  ScopedWorkDir dir_;
};

TEST_F(LocusResultsFileTest, BothTestsValuesEndUnderTheirTitles) {
  SwitchTests(1, 1);
  TakeOverAndWrite();
  const std::string line = LocusLines();
  EXPECT_EQ(line, kLeading + kChi2Fields + kFisherFields + "\r\n");
  const std::string titles = kHeader.substr(2);
  for (int end : kTitleEnds) {
    EXPECT_NE(titles[end - 1], ' ') << "title ending in column " << end;
    EXPECT_NE(line[end - 1], ' ') << "value ending in column " << end;
    EXPECT_EQ(line[end], titles[end]) << "after column " << end;
  }
  EXPECT_EQ(s_->CHI2, 12.3456L);
  EXPECT_EQ(s_->CHI2_DF, 4);  // the whole part of 4.9
  EXPECT_EQ(s_->CHI2_P, 0.01234L);
  EXPECT_EQ(s_->GEXACT_P, 0.0321L);
  EXPECT_EQ(s_->SE, 0.00123L);
}

TEST_F(LocusResultsFileTest, ChiSquareOnlyKeepsTheFisherCopiesAndBlanksItsColumns) {
  SwitchTests(1, 0);
  TakeOverAndWrite();
  EXPECT_EQ(LocusLines(), kLeading + kChi2Fields + Blanks(9) + "\r\n");
  EXPECT_EQ(s_->CHI2_DF, 4);
  EXPECT_EQ(s_->GEXACT_P, 0.77L);
  EXPECT_EQ(s_->SE, 0.066L);
}

TEST_F(LocusResultsFileTest, FisherOnlyKeepsTheChiSquareCopiesAndBlanksItsColumns) {
  SwitchTests(0, 1);
  TakeOverAndWrite();
  const std::string line = LocusLines();
  EXPECT_EQ(line, kLeading + Blanks(27) + kFisherFields + "\r\n");
  EXPECT_EQ(line.substr(49, 6), "0.0321");  // under the title ending in column 55
  EXPECT_EQ(s_->CHI2, 99);
  EXPECT_EQ(s_->CHI2_DF, 99);
  EXPECT_EQ(s_->CHI2_P, 0.99L);
  EXPECT_EQ(s_->GEXACT_P, 0.0321L);
}

TEST_F(LocusResultsFileTest, NoTestLeavesTheRunAndLocusAndBlanks) {
  SwitchTests(0, 2);  // any value but 1 is off
  TakeOverAndWrite();
  EXPECT_EQ(LocusLines(), kLeading + Blanks(27) + Blanks(9) + "\r\n");
  EXPECT_EQ(s_->CHI2, 99);
  EXPECT_EQ(s_->GEXACT_P, 0.77L);
}

TEST_F(LocusResultsFileTest, FixedLocusGetsMarksWhateverTheTests) {
  const std::string marks =
      kLeading + Blanks(8) + "**" + Blanks(6) + "**" + Blanks(7) + "**" + Blanks(12) + "**\r\n";
  s_->FIXED_LOCUS[2] = 1;
  for (int chi2 : {0, 1}) {
    for (int fisher : {0, 1}) {
      SwitchTests(chi2, fisher);
      TakeOverAndWrite();
    }
  }
  const std::string lines = LocusLines();
  EXPECT_EQ(lines, marks + marks + marks + marks);
  for (int end : {24, 32, 41, 55}) EXPECT_EQ(lines.substr(end - 2, 2), "**") << end;
  // Nobody reads the copies of a fixed locus, but they are made all the same.
  EXPECT_EQ(s_->CHI2, 12.3456L);
  EXPECT_EQ(s_->GEXACT_P, 0.0321L);
}

}  // namespace
}  // namespace gorvan
