#include "input/read_infile.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/runtime_error.h"
#include "testing/parameter_file_test_support.h"

namespace gorvan {
namespace {

using testing::ExampleLines;
using testing::Join;
using testing::With;

constexpr const char* kBannerScreen = "\n\n\nGORVAN ver. 4.1;   compiled in July 2011\n\n";

std::string CapacityMessage(const std::string& title, int limit) {
  return std::string(17, '\n') + title + "\n  Maximum for this version is " +
         std::to_string(limit) + ".\n";
}

std::string FrequencyMessage(const std::string& locus_field) {
  return std::string(10, '\n') + "   PROGRAM HALTED\n" +
         "   Allele frequencies do not sum to unity at Locus " + locus_field + "\n";
}

// A file of `loci` loci, all with the frequencies `locus_line`.
std::vector<std::string> LinesWithLoci(int loci, const std::string& locus_line) {
  std::vector<std::string> lines = ExampleLines();
  lines.resize(14);
  lines[6] = std::to_string(loci);
  for (int i = 0; i < loci; ++i) lines.push_back(locus_line);
  return lines;
}

class ReadInfileTest : public testing::ParameterFileTest {};

// ---- A good file ----

TEST_F(ReadInfileTest, TheExampleFileFillsEveryParameterAndShowsTheBanner) {
  UseTerminalConsole();
  ASSERT_EQ(Read(ExampleLines()), std::nullopt) << ConsoleText();

  EXPECT_EQ(s_->COMMENT1, "Two loci, three samples");
  EXPECT_EQ(s_->COMMENT2, "drift for 10 generations at Ne = 100");
  EXPECT_EQ(s_->ITER1, 1000);
  EXPECT_EQ(s_->ITER2, 100);
  EXPECT_EQ(s_->ITER3, 1000);
  EXPECT_EQ(s_->RUN_CHI2, 1);
  EXPECT_EQ(s_->RUN_FISHER, 1);
  EXPECT_EQ(s_->ERASE_DETAILED_OUTPUT, 0);
  EXPECT_EQ(s_->NUMBLOCI, 2);
  EXPECT_EQ(s_->NUMBPOPS, 3);
  EXPECT_EQ(s_->DRIFT_SIZE, 100);
  EXPECT_EQ(s_->STOP_T, 10);
  EXPECT_EQ(s_->SAMPLESIZE[1], 50);
  EXPECT_EQ(s_->SAMPLESIZE[2], 50);
  EXPECT_EQ(s_->SAMPLESIZE[3], 50);
  EXPECT_EQ(s_->SAMPLESIZE[4], 0);
  EXPECT_EQ(s_->STOP_RUNS, 1000);
  EXPECT_EQ(s_->ALLELES_PER_LOCUS[1], 2);
  EXPECT_EQ(s_->ALLELES_PER_LOCUS[2], 3);
  EXPECT_EQ(s_->ALLELES_PER_LOCUS[3], 0);
  EXPECT_EQ(s_->BASEPOP[1][1], 0.5);
  EXPECT_EQ(s_->BASEPOP[1][2], 0.5);
  EXPECT_EQ(s_->BASEPOP[2][1], static_cast<double>(0.2L));
  EXPECT_EQ(s_->BASEPOP[2][2], static_cast<double>(0.3L));
  EXPECT_EQ(s_->BASEPOP[2][3], 0.5);
  EXPECT_EQ(s_->STARTNUMBALLELES, 5);

  EXPECT_EQ(ConsoleText(), std::string("\x1b[2J\x1b[H") + kBannerScreen);
  EXPECT_FALSE(s_->INFILE.is_open());
  EXPECT_EQ(FilesInWorkDir(), std::vector<std::string>{"GORVAN.IN"});
}

TEST_F(ReadInfileTest, ACommentKeepsItsFirst80CharactersAndTheNextLineIsStillLine2) {
  const std::string hundred = std::string(79, 'a') + "bcdefghijklmnopqrstuvw";
  ASSERT_EQ(hundred.size(), 101u);
  const std::string comment = hundred.substr(0, 100);
  ASSERT_EQ(Read(With(ExampleLines(), 1, comment)), std::nullopt) << ConsoleText();
  EXPECT_EQ(s_->COMMENT1, comment.substr(0, 80));
  EXPECT_EQ(s_->COMMENT2, "drift for 10 generations at Ne = 100");
  EXPECT_EQ(s_->ITER1, 1000);
}

class LineEndTest : public testing::ParameterFileTest,
                    public ::testing::WithParamInterface<const char*> {};

TEST_P(LineEndTest, EveryKindOfLineEndReadsTheSame) {
  ASSERT_EQ(Read(Join(ExampleLines(), GetParam())), std::nullopt) << ConsoleText();
  EXPECT_EQ(s_->COMMENT1, "Two loci, three samples");
  EXPECT_EQ(s_->COMMENT2, "drift for 10 generations at Ne = 100");
  EXPECT_EQ(s_->NUMBLOCI, 2);
  EXPECT_EQ(s_->SAMPLESIZE[3], 50);
  EXPECT_EQ(s_->STOP_RUNS, 1000);
  EXPECT_EQ(s_->ALLELES_PER_LOCUS[2], 3);
  EXPECT_EQ(s_->BASEPOP[2][3], 0.5);
}

INSTANTIATE_TEST_SUITE_P(CrLfAndCrAndLf, LineEndTest, ::testing::Values("\r\n", "\r", "\n"));

// ---- Values running over lines ----

TEST_F(ReadInfileTest, AGroupTakesMissingValuesFromTheLinesBelowAndSkipsTheRestOfItsLastLine) {
  std::vector<std::string> lines = ExampleLines();
  lines.resize(10);
  // The third size stands on line 12 and the rest of that line is passed
  // over, so the runs come from line 13 and every later line moves down.
  for (const char* line : {"50 40", "30 1000 the rest is ignored", "1000", "label", "label",
                           "2 0.5", "0.5 the rest is ignored", "3 0.2 0.3 0.5 9 9"}) {
    lines.push_back(line);
  }
  ASSERT_EQ(Read(lines), std::nullopt) << ConsoleText();
  EXPECT_EQ(s_->SAMPLESIZE[1], 50);
  EXPECT_EQ(s_->SAMPLESIZE[2], 40);
  EXPECT_EQ(s_->SAMPLESIZE[3], 30);
  EXPECT_EQ(s_->STOP_RUNS, 1000);
  EXPECT_EQ(s_->ALLELES_PER_LOCUS[1], 2);
  EXPECT_EQ(s_->BASEPOP[1][2], 0.5);
  EXPECT_EQ(s_->ALLELES_PER_LOCUS[2], 3);
  EXPECT_EQ(s_->BASEPOP[2][3], 0.5);
}

TEST_F(ReadInfileTest, AShortSampleLineShiftsEveryLaterLineDown) {
  // The third size comes from line 12, so the runs are read from the label
  // on line 13.
  try {
    Read(With(ExampleLines(), 11, "50 50"));
    FAIL() << "the label was read as a number";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), kInvalidNumericFormat);
    EXPECT_NE(error.detail().find("line 13"), std::string::npos) << error.detail();
  }
  EXPECT_EQ(s_->SAMPLESIZE[3], 1000);
}

// ---- Reading failures ----

TEST_F(ReadInfileTest, AMissingFileIsError2) {
  try {
    ReadWritten();
    FAIL() << "no error for a missing GORVAN.IN";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), kFileNotFound);
  }
  EXPECT_TRUE(FilesInWorkDir().empty());
}

TEST_F(ReadInfileTest, ASwitchWithADecimalPointIsError106) {
  try {
    Read(With(ExampleLines(), 4, "1.0 1"));
    FAIL() << "1.0 was read as an integer";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), kInvalidNumericFormat);
  }
  EXPECT_EQ(ConsoleText(), "");
}

TEST_F(ReadInfileTest, AnEmptyFileReadsZerosAndIsRefusedForItsNumberOfLoci) {
  EXPECT_EQ(Read(std::string()), 1);
  EXPECT_EQ(s_->COMMENT1, "");
  EXPECT_EQ(s_->COMMENT2, "");
  EXPECT_EQ(s_->NUMBLOCI, 0);
  EXPECT_EQ(s_->NUMBPOPS, 0);
  EXPECT_EQ(s_->STOP_RUNS, 0);
  EXPECT_EQ(ConsoleText(),
            testing::HaltedBecause(
                "Number of loci is 0 (missing: GORVAN.IN ends before it); at least 1 is needed."));
  EXPECT_EQ(FilesInWorkDir(), std::vector<std::string>{"GORVAN.IN"});
}

// ---- Frequencies ----

TEST_F(ReadInfileTest, FrequenciesMayBeWrittenWithOrWithoutPointOrExponent) {
  std::vector<std::string> lines = With(ExampleLines(), 7, "3");
  lines = With(lines, 15, "2 5E-1 0.5e0");
  lines = With(lines, 16, "3 2e-1 3E-1 0.05e+1");
  lines = With(lines, 17, "2 1 0");
  ASSERT_EQ(Read(lines), std::nullopt) << ConsoleText();
  EXPECT_EQ(s_->BASEPOP[1][1], 0.5);
  EXPECT_EQ(s_->BASEPOP[1][2], 0.5);
  EXPECT_EQ(s_->BASEPOP[2][1], static_cast<double>(0.2L));
  EXPECT_EQ(s_->BASEPOP[2][2], static_cast<double>(0.3L));
  EXPECT_EQ(s_->BASEPOP[2][3], 0.5);
  EXPECT_EQ(s_->BASEPOP[3][1], 1.0);
  EXPECT_EQ(s_->BASEPOP[3][2], 0.0);
}

TEST_F(ReadInfileTest, TheSumMayMissOneByLessThanAMillionth) {
  ASSERT_EQ(Read(With(ExampleLines(), 16, "3 0.2 0.3 0.4999995")), std::nullopt) << ConsoleText();
  EXPECT_EQ(ConsoleText(), kBannerScreen);
}

TEST_F(ReadInfileTest, ASumOffByMoreStopsAtThatLocus) {
  EXPECT_EQ(Read(With(ExampleLines(), 16, "3 0.2 0.3 0.49")), 1);
  EXPECT_EQ(ConsoleText(), FrequencyMessage(" 2"));
  EXPECT_FALSE(s_->INFILE.is_open());
  EXPECT_EQ(FilesInWorkDir(), std::vector<std::string>{"GORVAN.IN"});
}

TEST_F(ReadInfileTest, TheFrequencyMessageBeginsWithTheAlert) {
  UseTerminalConsole();
  EXPECT_EQ(Read(With(ExampleLines(), 15, "2 0.5 0.4")), 1);
  EXPECT_EQ(ConsoleText(), "\a" + FrequencyMessage(" 1"));
}

TEST_F(ReadInfileTest, OnlyTheFirstBadLocusIsReported) {
  std::vector<std::string> lines = LinesWithLoci(6, "2 0.5 0.5");
  lines[14 + 2 - 1] = "2 0.5 0.6";
  lines[14 + 5 - 1] = "2 0.1 0.1";
  EXPECT_EQ(Read(lines), 1);
  EXPECT_EQ(ConsoleText(), FrequencyMessage(" 2"));
}

TEST_F(ReadInfileTest, ATwoDigitLocusFillsItsField) {
  std::vector<std::string> lines = LinesWithLoci(12, "2 0.5 0.5");
  lines[14 + 12 - 1] = "2 0.5 0.25";
  EXPECT_EQ(Read(lines), 1);
  EXPECT_EQ(ConsoleText(), FrequencyMessage("12"));
}

TEST_F(ReadInfileTest, ALocusWithoutAllelesOrWithANegativeCountFails) {
  std::vector<std::string> lines = With(ExampleLines(), 15, "-2 0.5 0.5");
  EXPECT_EQ(Read(lines), 1);
  EXPECT_EQ(ConsoleText(), FrequencyMessage(" 1"));
  EXPECT_EQ(s_->BASEPOP[1][1], 0.0);  // a negative count reads no frequencies
  EXPECT_EQ(s_->ALLELES_PER_LOCUS[2], 3);
}

TEST_F(ReadInfileTest, ASumThatIsNotANumberOrInfiniteFails) {
  // Beyond the range of a double the frequencies are stored as infinities.
  EXPECT_EQ(Read(With(ExampleLines(), 15, "2 1e400 -1e400")), 1);
  EXPECT_EQ(ConsoleText(), FrequencyMessage(" 1"));
  console_out_.str("");
  EXPECT_EQ(Read(With(ExampleLines(), 16, "1 1e400")), 1);
  EXPECT_EQ(ConsoleText(), FrequencyMessage(" 2"));
}

// ---- Capacities ----

TEST_F(ReadInfileTest, TooManyLociStopsAtOnceWithoutReadingFurther) {
  std::vector<std::string> lines = With(ExampleLines(), 7, "51");
  lines = With(lines, 8, "not a number");
  EXPECT_EQ(Read(lines), 1);
  EXPECT_EQ(ConsoleText(), CapacityMessage("  TOO MANY LOCI!", 50));
  EXPECT_EQ(s_->NUMBPOPS, 0);
  EXPECT_FALSE(s_->INFILE.is_open());
  EXPECT_EQ(FilesInWorkDir(), std::vector<std::string>{"GORVAN.IN"});
}

TEST_F(ReadInfileTest, TooManyPopulationsStopsAtOnceWithoutReadingFurther) {
  std::vector<std::string> lines = With(ExampleLines(), 8, "31");
  lines = With(lines, 9, "not a number");
  EXPECT_EQ(Read(lines), 1);
  EXPECT_EQ(ConsoleText(), CapacityMessage("  TOO MANY POPULATIONS!", 30));
  EXPECT_EQ(FilesInWorkDir(), std::vector<std::string>{"GORVAN.IN"});
}

TEST_F(ReadInfileTest, CapacitiesAreCheckedOnTheStoredLow16Bits) {
  // 65567 keeps 31 in 16 bits: the populations message, as for 31.
  EXPECT_EQ(Read(With(ExampleLines(), 8, "65567")), 1);
  EXPECT_EQ(ConsoleText(), CapacityMessage("  TOO MANY POPULATIONS!", 30));
}

TEST_F(ReadInfileTest, TooManyAllelesIsFoundAfterAllLociAndBeforeTheSums) {
  std::string fifty_one = "51";
  for (int i = 1; i <= 51; ++i) fifty_one += " " + std::to_string(i);
  std::vector<std::string> lines = LinesWithLoci(5, "2 0.5 0.5");
  lines[14 + 1 - 1] = "2 0.5 0.7";  // a bad sum before the wide locus
  lines[14 + 4 - 1] = fifty_one;
  lines[14 + 5 - 1] = "4 0.25 0.25 0.25 0.25";
  EXPECT_EQ(Read(lines), 1);
  EXPECT_EQ(ConsoleText(), CapacityMessage("  TOO MANY ALLELES/LOCUS!", 50));
  // All 51 values were read, only 50 kept, and locus 5 came from its line.
  EXPECT_EQ(s_->BASEPOP[4][50], 50.0);
  EXPECT_EQ(s_->BASEPOP[5][0], 0.0);
  EXPECT_EQ(s_->ALLELES_PER_LOCUS[5], 4);
  EXPECT_EQ(s_->BASEPOP[5][4], 0.25);
  EXPECT_EQ(FilesInWorkDir(), std::vector<std::string>{"GORVAN.IN"});
}

TEST_F(ReadInfileTest, FiftyLociOfFiftyAllelesInThirtyPopulationsAreAccepted) {
  std::string locus = "50";
  for (int i = 1; i <= 50; ++i) locus += " 0.02";
  std::vector<std::string> lines = LinesWithLoci(50, locus);
  lines[8 - 1] = "30";
  std::string sizes;
  for (int i = 1; i <= 30; ++i) sizes += "10 ";
  lines[11 - 1] = sizes;
  ASSERT_EQ(Read(lines), std::nullopt) << ConsoleText();
  EXPECT_EQ(s_->NUMBLOCI, 50);
  EXPECT_EQ(s_->NUMBPOPS, 30);
  EXPECT_EQ(s_->SAMPLESIZE[30], 10);
  EXPECT_EQ(s_->ALLELES_PER_LOCUS[50], 50);
  EXPECT_EQ(s_->BASEPOP[50][50], 0.02);
  EXPECT_EQ(s_->STARTNUMBALLELES, 2500);
  EXPECT_EQ(ConsoleText(), kBannerScreen);
}

}  // namespace
}  // namespace gorvan
