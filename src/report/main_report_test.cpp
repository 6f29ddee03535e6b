#include "report/main_report.h"

#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "report/final_results.h"
#include "report/output_file_names.h"
#include "testing/scoped_work_dir.h"
#include "testing/state_fixture.h"

namespace gorvan {
namespace {

std::string Blanks(int count) { return std::string(count, ' '); }

const std::string kTitles = " Loci Alleles  Runs #Chi2    Chi2 #Fisher  Fisher";

class MainReportTest : public StateFixture {
 protected:
  void SetUp() override {
    State& s = *s_;
    s.COMMENT1 = "Two loci, three samples";
    s.COMMENT2 = "drift for 10 generations at Ne = 100";
    s.ITER1 = 1000;
    s.ITER2 = 100;
    s.ITER3 = 1000;
    s.RUN_CHI2 = 1;
    s.RUN_FISHER = 1;
    s.NUMBLOCI = 2;
    s.NUMBPOPS = 3;
    s.DRIFT_SIZE = 100;
    s.STOP_T = 10;
    s.SAMPLESIZE[1] = s.SAMPLESIZE[2] = s.SAMPLESIZE[3] = 50;
    s.STOP_RUNS = 100;
    s.ALLELES_PER_LOCUS[1] = 2;
    s.BASEPOP[1][1] = s.BASEPOP[1][2] = 0.5;
    s.ALLELES_PER_LOCUS[2] = 3;
    s.BASEPOP[2][1] = 0.2;
    s.BASEPOP[2][2] = 0.3;
    s.BASEPOP[2][3] = 0.5;
    s.STARTNUMBALLELES = 5;
    s.RUN = 100;
    s.SUM_FST = 5;
    s.SUM_HT = 50;
    s.SUM_HS = 48;
  }

  // 100 runs: 80 with every locus and allele found, 95 with every locus
  // polymorphic, 5 with a fixed locus.
  void SetPowerTally() {
    State& s = *s_;
    s.NUMBR1 = 80, s.R1CHI2 = 40, s.R1GEXACT = 20;
    s.NUMBR2 = 95, s.R2CHI2 = 45, s.R2GEXACT = 24;
    s.NUMBR3 = 5, s.R3CHI2 = 1, s.R3GEXACT = 0;
    s.NUMBTOT = 100, s.TOTCHI2 = 46, s.TOTGEXACT = 24;
  }

  std::string HeaderOnly() {
    WRITE_OUTFILE(*s_);
    s_->OUT1.Close();
    return dir_.ReadFile("GORVAN.OUT");
  }

  // What follows the power table's title line.
  std::string Results() {
    WRITE_OUTFILE(*s_);
    WRITE_FINAL_RESULTS(*s_);
    s_->OUT1.Close();
    const std::string content = dir_.ReadFile("GORVAN.OUT");
    const size_t titles = content.find(kTitles);
    EXPECT_NE(titles, std::string::npos);
    return content.substr(titles + kTitles.size());
  }

  // The line of the results that begins with `start`, without its line end.
  std::string ResultLine(const std::string& start) {
    const std::string results = Results();
    const size_t begin = results.find("\r\n" + start);
    if (begin == std::string::npos) return "(no line " + start + ")";
    return results.substr(begin + 2, results.find("\r\n", begin + 2) - begin - 2);
  }

  ScopedWorkDir dir_;
};

TEST_F(MainReportTest, HeaderWithBothTestsLeavesTheTitlesOpen) {
  EXPECT_EQ(HeaderOnly(),
            "Two loci, three samples\r\n"
            "drift for 10 generations at Ne = 100\r\n"
            "Iteration factors:  1000  100  1000\r\n"
            "Statistical test: Chi2 Fisher\r\n"
            "\r\n"
            "Number of loci =   2\r\n"
            "Number of populations =   3\r\n"
            "Effective size when drifting apart =   100\r\n"
            "Generations of drift =    10\r\n"
            "Number of runs/replicates =      100\r\n"
            "Diploid sample sizes =  50 50 50\r\n"
            "\r\n"
            "Base population allele frequencies:\r\n"
            "  Locus  1:  0.500  0.500\r\n"
            "  Locus  2:  0.200  0.300  0.500\r\n"
            "\r\n"
            "Total number of alleles in base population =   5\r\n" +
                std::string(70, '-') +
                "\r\n"
                "\r\n"
                "Proportion of significances (P<0.05) for summed/combined test statistics:\r\n"
                "\r\n" +
                kTitles);
}

TEST_F(MainReportTest, HeaderNamesOnlyTheTestsSwitchedOn) {
  s_->RUN_FISHER = 0;
  EXPECT_NE(HeaderOnly().find("\r\nStatistical test: Chi2\r\n\r\n"), std::string::npos);
  s_->RUN_CHI2 = 0;
  s_->RUN_FISHER = 1;
  EXPECT_NE(HeaderOnly().find("\r\nStatistical test: Fisher\r\n\r\n"), std::string::npos);
  s_->RUN_FISHER = 0;
  const std::string neither = HeaderOnly();
  EXPECT_NE(neither.find("\r\nStatistical test:\r\n\r\n"), std::string::npos);
  EXPECT_EQ(neither.substr(neither.size() - kTitles.size()), kTitles);
}

TEST_F(MainReportTest, WithoutDriftTheHeaderSaysSoAndNothingIsExpected) {
  s_->STOP_T = 0;
  s_->DRIFT_SIZE = 0;
  const std::string header = HeaderOnly();
  EXPECT_NE(header.find("Iteration factors:  1000  100  1000\r\n"
                        "NO DRIFT!!!  Samples are drawn directly from base population!!!\r\n"
                        "Statistical test:"),
            std::string::npos);
  EXPECT_EQ(header.find("Effective size"), std::string::npos);
  EXPECT_NE(header.find("Number of populations =   3\r\nGenerations of drift =     0\r\n"),
            std::string::npos);
  EXPECT_EQ(ResultLine("Expected Fst"), "Expected Fst =     0.0000");
  // Negative generations make no drift either.
  s_->STOP_T = -5;
  s_->DRIFT_SIZE = 50;
  EXPECT_EQ(ResultLine("Expected Fst"), "Expected Fst =     0.0000");
}

TEST_F(MainReportTest, PowerTableAndSummaryWithBothTests) {
  SetPowerTally();
  EXPECT_EQ(Results(),
            "\r\n"
            "    2       5    80    40  0.5000      20  0.2500\r\n"
            "    2   =<  5    95    45  0.4737      24  0.2526\r\n"
            " <  2     ***     5     1  0.2000       0  0.0000\r\n"
            "  Tot     ***   100    46  0.4600      24  0.2400\r\n"
            "\r\n"
            "\r\n"
            "-----\r\n"
            "Average F'st over all the 100 runs =     0.0500\r\n"
            "Expected Fst =     0.0489\r\n"
            "F'st calculated from average Hs and Ht =     0.0588\r\n");
}

TEST_F(MainReportTest, EmptyClassesHaveNoRow) {
  s_->NUMBR2 = 3, s_->R2CHI2 = 1, s_->R2GEXACT = 3;
  s_->NUMBTOT = 3, s_->TOTCHI2 = 1, s_->TOTGEXACT = 3;
  const std::string results = Results();
  EXPECT_EQ(results.substr(0, results.find("-----")),
            "\r\n"
            "    2   =<  5     3     1  0.3333       3  1.0000\r\n"
            "  Tot     ***     3     1  0.3333       3  1.0000\r\n"
            "\r\n"
            "\r\n");
}

TEST_F(MainReportTest, AlleleTotalWiderThanThreeDigitsStaysWholeAndRightAligned) {
  s_->STARTNUMBALLELES = 1234;
  s_->NUMBR1 = 1, s_->NUMBR2 = 1, s_->NUMBTOT = 1;
  const std::string results = Results();
  EXPECT_EQ(results.substr(0, results.find("\r\n  Tot")),
            "\r\n"
            "    2    1234     1     0  0.0000       0  0.0000\r\n"
            "    2  =<1234     1     0  0.0000       0  0.0000");
}

TEST_F(MainReportTest, ChiSquareOnlyBlanksTheFisherColumnsAndLeavesOneEmptyLine) {
  SetPowerTally();
  s_->RUN_FISHER = 0;
  const std::string results = Results();
  EXPECT_EQ(results.substr(0, results.find("Average")),
            "\r\n"
            "    2       5    80    40  0.5000" +
                Blanks(16) + "\r\n" + "    2   =<  5    95    45  0.4737" + Blanks(16) + "\r\n" +
                " <  2     ***     5     1  0.2000" + Blanks(16) + "\r\n" +
                "  Tot     ***   100    46  0.4600" + Blanks(16) + "\r\n" +
                "\r\n"
                "-----\r\n");
}

TEST_F(MainReportTest, FisherOnlyBlanksTheChiSquareColumns) {
  SetPowerTally();
  s_->RUN_CHI2 = 0;
  const std::string results = Results();
  EXPECT_EQ(results.substr(0, results.find("-----")),
            "\r\n"
            "    2       5    80" +
                Blanks(14) + "      20  0.2500\r\n" + "    2   =<  5    95" + Blanks(14) +
                "      24  0.2526\r\n" + " <  2     ***     5" + Blanks(14) +
                "       0  0.0000\r\n" + "  Tot     ***   100" + Blanks(14) +
                "      24  0.2400\r\n" +
                "\r\n"
                "\r\n");
}

TEST_F(MainReportTest, ExpectedFstAfterDrift) {
  s_->DRIFT_SIZE = 50;
  s_->STOP_T = 10;
  EXPECT_EQ(ResultLine("Expected Fst"), "Expected Fst =     0.0956");
}

TEST_F(MainReportTest, FstFromAveragedDiversities) {
  s_->NUMBPOPS = 2;
  s_->RUN = 4;
  s_->SUM_HT = 2.0L;
  s_->SUM_HS = 1.92L;
  EXPECT_EQ(ResultLine("F'st calculated"), "F'st calculated from average Hs and Ht =     0.0769");
  // No diversity in any run: no differentiation rather than 0/0.
  s_->SUM_HT = 0;
  s_->SUM_HS = 0;
  EXPECT_EQ(ResultLine("F'st calculated"), "F'st calculated from average Hs and Ht =     0.0000");
}

}  // namespace
}  // namespace gorvan
