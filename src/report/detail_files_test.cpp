#include "report/detail_files.h"

#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "base/runtime_error.h"
#include "report/fst_file.h"
#include "report/locus_results_file.h"
#include "report/output_file_names.h"
#include "report/population_files.h"
#include "testing/scoped_work_dir.h"
#include "testing/state_fixture.h"

namespace gorvan {
namespace {

std::string Blanks(int count) { return std::string(count, ' '); }

class DetailFilesTest : public StateFixture {
 protected:
  // Two loci: the first with two alleles, the second with a single one.
  void SetUpTwoLociThreeAlleles() {
    s_->NUMBLOCI = 2;
    s_->NUMBPOPS = 2;
    s_->ALLELES_PER_LOCUS[1] = 2;
    s_->BASEPOP[1][1] = 0.5;
    s_->BASEPOP[1][2] = 0.5;
    s_->ALLELES_PER_LOCUS[2] = 1;
    s_->BASEPOP[2][1] = 1.0;
  }

  ScopedWorkDir dir_;
};

TEST_F(DetailFilesTest, FstFileValuesEndUnderTheirTitles) {
  s_->OUT5.Assign("FST.OUT");
  s_->OUT5.Rewrite();
  WRITE_FST_HEADER(*s_);
  s_->RUN = 1;
  s_->T = 10;
  s_->HT = 0.5L;
  s_->HS = 0.48L;
  s_->FSTPRIME = 0.0769L;
  WRITE_TO_FST(*s_);
  // Without drift: t stays 0 and Ht equals Hs.
  s_->RUN = 2;
  s_->T = 0;
  s_->HT = 0.375L;
  s_->HS = 0.375L;
  s_->FSTPRIME = 0;
  WRITE_TO_FST(*s_);
  s_->OUT5.Close();

  const std::string expected =
      "\r\n" + Blanks(7) + "Run" + Blanks(7) + "t" + Blanks(9) + "Ht" + Blanks(9) + "Hs" +
      Blanks(7) + "F'st\r\n" +                                                            //
      Blanks(9) + "1" + Blanks(6) + "10" + Blanks(5) + "0.5000" + Blanks(5) + "0.4800" +  //
      Blanks(5) + "0.0769\r\n" +                                                          //
      Blanks(9) + "2" + Blanks(7) + "0" + Blanks(5) + "0.3750" + Blanks(5) + "0.3750" +   //
      Blanks(5) + "0.0000\r\n";
  EXPECT_EQ(dir_.ReadFile("FST.OUT"), expected);
}

const char kBaseFrequencyLines[] =
    "Base population allele frequencies\r\n"
    "\r\n"
    "  Locus  1:  0.500  0.500\r\n"
    "  Locus  2:  1.000\r\n"
    "----------------------------------------\r\n";

TEST_F(DetailFilesTest, SubpopsAndSamplesHeadersShowTheBaseFrequencies) {
  SetUpTwoLociThreeAlleles();
  INITIALIZE_SUBPOPS(*s_);
  INITIALIZE_SAMPLES(*s_);
  s_->OUT6.Close();
  s_->OUT7.Close();
  EXPECT_EQ(dir_.ReadFile("SUBPOPS.OUT"),
            std::string(kBaseFrequencyLines) +
                "Allele frequencies for each run, locus, and subpopulation after the\r\n"
                "\"drift-apart\" process is completed (cf. FST.OUT):\r\n"
                "\r\n");
  EXPECT_EQ(dir_.ReadFile("SAMPLES.OUT"),
            std::string(kBaseFrequencyLines) +
                "Alleles sampled from the final subpopulations (after drifting apart).\r\n"
                "Number of alleles of each type per run, locus, and subpopulation:\r\n"
                "\r\n");
}

TEST_F(DetailFilesTest, SubpopsAndSamplesRunBlocks) {
  SetUpTwoLociThreeAlleles();
  INITIALIZE_SUBPOPS(*s_);
  INITIALIZE_SAMPLES(*s_);
  const size_t subpops_header = dir_.ReadFile("SUBPOPS.OUT").size();
  const size_t samples_header = dir_.ReadFile("SAMPLES.OUT").size();
  s_->RUN = 1;
  s_->T = 10;
  s_->FSTPRIME = 0.0769L;
  s_->ALL_POPS_AFREQ[1][1][1] = 0.6;
  s_->ALL_POPS_AFREQ[1][1][2] = 0.4;
  s_->ALL_POPS_AFREQ[2][1][1] = 0.25;
  s_->ALL_POPS_AFREQ[2][1][2] = 0.75;
  s_->ALL_POPS_AFREQ[1][2][1] = 1.0;
  s_->ALL_POPS_AFREQ[2][2][1] = 1.0;
  s_->ALL_POPS_ACOUNT[1][1][1] = 12;
  s_->ALL_POPS_ACOUNT[1][1][2] = 8;
  s_->ALL_POPS_ACOUNT[2][1][1] = 5;
  s_->ALL_POPS_ACOUNT[2][1][2] = 15;
  s_->ALL_POPS_ACOUNT[1][2][1] = 20;
  s_->ALL_POPS_ACOUNT[2][2][1] = 20;
  WRITE_TO_SUBPOPS(*s_);
  WRITE_TO_SAMPLES(*s_);
  s_->OUT6.Close();
  s_->OUT7.Close();

  const std::string run_line = "Run =     1,   t =  10,  Fst = 0.0769";
  ASSERT_EQ(run_line.size(), 37u);
  EXPECT_EQ(run_line[10], '1');
  EXPECT_EQ(run_line.substr(20, 2), "10");
  EXPECT_EQ(run_line.substr(31, 6), "0.0769");
  EXPECT_EQ(dir_.ReadFile("SUBPOPS.OUT").substr(subpops_header), run_line + "\r\n" +
                                                                     "Locus  1\r\n"
                                                                     "Pop  1    0.600  0.400\r\n"
                                                                     "Pop  2    0.250  0.750\r\n"
                                                                     "\r\n"
                                                                     "Locus  2\r\n"
                                                                     "Pop  1    1.000\r\n"
                                                                     "Pop  2    1.000\r\n"
                                                                     "\r\n");
  EXPECT_EQ(dir_.ReadFile("SAMPLES.OUT").substr(samples_header), run_line + "\r\n" +
                                                                     "Locus  1\r\n"
                                                                     "Pop  1       12      8\r\n"
                                                                     "Pop  2        5     15\r\n"
                                                                     "\r\n"
                                                                     "Locus  2\r\n"
                                                                     "Pop  1       20\r\n"
                                                                     "Pop  2       20\r\n"
                                                                     "\r\n");
}

TEST_F(DetailFilesTest, SixDigitRunNumberWidensTheRunLine) {
  s_->NUMBLOCI = 0;
  INITIALIZE_SUBPOPS(*s_);
  INITIALIZE_SAMPLES(*s_);
  const size_t subpops_header = dir_.ReadFile("SUBPOPS.OUT").size();
  const size_t samples_header = dir_.ReadFile("SAMPLES.OUT").size();
  s_->RUN = 123456;
  s_->T = 10;
  s_->FSTPRIME = 0.0769L;
  WRITE_TO_SUBPOPS(*s_);
  WRITE_TO_SAMPLES(*s_);
  s_->OUT6.Close();
  s_->OUT7.Close();
  const std::string run_line = "Run = 123456,   t =  10,  Fst = 0.0769\r\n";
  EXPECT_EQ(dir_.ReadFile("SUBPOPS.OUT").substr(subpops_header), run_line);
  EXPECT_EQ(dir_.ReadFile("SAMPLES.OUT").substr(samples_header), run_line);
}

const char* const kDetailFiles[] = {"FST.OUT", "SUBPOPS.OUT", "SAMPLES.OUT", "LOCUSTST.OUT",
                                    "SUMTEST.OUT"};

TEST_F(DetailFilesTest, EraseDeletesTheFiveDetailFilesOnly) {
  for (const char* name : kDetailFiles) dir_.WriteFile(name, "x\r\n");
  dir_.WriteFile("GORVAN.OUT", "report\r\n");
  ERASE_OUTFILES(*s_);
  for (const char* name : kDetailFiles) EXPECT_FALSE(dir_.Exists(name)) << name;
  EXPECT_TRUE(dir_.Exists("GORVAN.OUT"));
}

TEST_F(DetailFilesTest, EraseStopsAtAMissingFileAndKeepsTheRest) {
  for (const char* name : kDetailFiles) dir_.WriteFile(name, "x\r\n");
  std::filesystem::remove(dir_.path() / "SAMPLES.OUT");
  try {
    ERASE_OUTFILES(*s_);
    FAIL() << "a missing detail file must stop the program";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), 2);
  }
  EXPECT_FALSE(dir_.Exists("FST.OUT"));
  EXPECT_FALSE(dir_.Exists("SUBPOPS.OUT"));
  EXPECT_TRUE(dir_.Exists("LOCUSTST.OUT"));
  EXPECT_TRUE(dir_.Exists("SUMTEST.OUT"));
}

}  // namespace
}  // namespace gorvan
