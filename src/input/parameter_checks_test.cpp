#include "input/parameter_checks.h"

#include <cmath>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "testing/parameter_file_test_support.h"
#include "testing/test_state.h"

namespace gorvan {
namespace {

using testing::ExampleLines;
using testing::HaltedBecause;
using testing::With;

using LineEdits = std::vector<std::pair<size_t, std::string>>;

std::vector<std::string> ExampleWith(const LineEdits& edits) {
  std::vector<std::string> lines = ExampleLines();
  for (const auto& [number, text] : edits) lines = With(lines, number, text);
  return lines;
}

struct RefusedCase {
  const char* name;
  LineEdits edits;
  const char* reason;
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class RefusedParameterTest : public testing::ParameterFileTest,
                             public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedParameterTest, StopsWithItsReasonAndExitCode1BeforeAnyFileExists) {
  EXPECT_EQ(Read(ExampleWith(GetParam().edits)), 1);
  EXPECT_EQ(ConsoleText(), HaltedBecause(GetParam().reason));
  EXPECT_FALSE(s_->INFILE.is_open());
  EXPECT_EQ(FilesInWorkDir(), std::vector<std::string>{"GORVAN.IN"});
}

INSTANTIATE_TEST_SUITE_P(
    Counts, RefusedParameterTest,
    ::testing::Values(
        RefusedCase{"NoLocus",
                    {{7, "0"}},
                    "Number of loci is 0 on line 7 of GORVAN.IN; at least 1 is needed."},
        RefusedCase{"NegativeLoci",
                    {{7, "-3"}},
                    "Number of loci is -3 on line 7 of GORVAN.IN; at least 1 is needed."},
        RefusedCase{"OnePopulation",
                    {{8, "1"}},
                    "Number of subpopulations is 1 on line 8 of GORVAN.IN; at least 2 are needed."},
        RefusedCase{"EmptySample",
                    {{11, "50 0 50"}},
                    "Sample size of subpopulation 2 is 0 on line 11 of GORVAN.IN; every sample "
                    "needs at least 1 diploid."},
        RefusedCase{"PooledSamplesTooLarge",
                    {{11, "5461 5461 5462"}},
                    "Sample sizes add up to 16384 diploids on line 11 of GORVAN.IN; together at "
                    "most 16383 can be sampled."},
        RefusedCase{"PooledSamplesOverTwoLines",
                    {{11, "8000 8000"},
                     {12, "384"},
                     {13, "1000"},
                     {14, "label"},
                     {15, "label"},
                     {16, "2 0.5 0.5"},
                     {17, "3 0.2 0.3 0.5"}},
                    "Sample sizes add up to 16384 diploids on lines 11 to 12 of GORVAN.IN; "
                    "together at most 16383 can be sampled."},
        RefusedCase{"NegativeGenerations",
                    {{10, "-1"}},
                    "Number of generations is -1 on line 10 of GORVAN.IN; it cannot be negative."},
        RefusedCase{"NoEffectiveSize",
                    {{9, "0"}},
                    "Effective size is 0 on line 9 of GORVAN.IN; with drift it must lie between 1 "
                    "and 16383."},
        RefusedCase{"EffectiveSizeTooLarge",
                    {{9, "16384"}},
                    "Effective size is 16384 on line 9 of GORVAN.IN; with drift it must lie "
                    "between 1 and 16383."},
        RefusedCase{"NoRuns",
                    {{12, "0"}},
                    "Number of runs is 0 on line 12 of GORVAN.IN; at least 1 is needed."},
        RefusedCase{"NegativeRuns",
                    {{12, "-5"}},
                    "Number of runs is -5 on line 12 of GORVAN.IN; at least 1 is needed."}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Frequencies, RefusedParameterTest,
    ::testing::Values(
        RefusedCase{"AboveOne",
                    {{15, "2 1.5 -0.5"}},
                    "Frequency of allele 1 at Locus 1 is 1.5 on line 15 of GORVAN.IN; it must lie "
                    "between 0 and 1."},
        RefusedCase{"Negative",
                    {{16, "3 0.5 -0.25 0.75"}},
                    "Frequency of allele 2 at Locus 2 is -0.25 on line 16 of GORVAN.IN; it must "
                    "lie between 0 and 1."},
        RefusedCase{"OnTheNextLine",
                    {{15, "2 0.5"}, {16, "0.5"}, {17, "3 -0.2 0.7 0.5"}},
                    "Frequency of allele 1 at Locus 2 is -0.2 on line 17 of GORVAN.IN; it must "
                    "lie between 0 and 1."},
        RefusedCase{"NoLocusCanVary",
                    {{15, "2 1 0"}, {16, "1 1"}},
                    "No locus has two alleles with a frequency above 0 on lines 15 to 16 of "
                    "GORVAN.IN; every sample would hold a single allele and no run could be "
                    "accepted."}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    FisherChain, RefusedParameterTest,
    ::testing::Values(
        RefusedCase{"NegativeDememorisation",
                    {{3, "-1 100 1000"}},
                    "Number of dememorisation steps of the Fisher test is -1 on line 3 of "
                    "GORVAN.IN; it cannot be negative."},
        RefusedCase{"OneBatch",
                    {{3, "1000 1 1000"}},
                    "Number of batches of the Fisher test is 1 on line 3 of GORVAN.IN; at least 2 "
                    "are needed for a standard error."},
        RefusedCase{"EmptyBatches",
                    {{3, "1000 100 0"}},
                    "Number of iterations per batch of the Fisher test is 0 on line 3 of "
                    "GORVAN.IN; at least 1 is needed."}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    NumbersBeyond16Bits, RefusedParameterTest,
    ::testing::Values(
        RefusedCase{"ChiSquareSwitch",
                    {{4, "65537 1"}},
                    "Chi-square test switch is 65537 on line 4 of GORVAN.IN; the largest value "
                    "this version can hold there is 32767."},
        RefusedCase{"FisherSwitch",
                    {{4, "1 -32769"}},
                    "Fisher test switch is -32769 on line 4 of GORVAN.IN; the smallest value this "
                    "version can hold there is -32768."},
        RefusedCase{"Populations",
                    {{8, "65539"}},
                    "Number of subpopulations is 65539 on line 8 of GORVAN.IN; the largest value "
                    "this version can hold there is 32767."},
        RefusedCase{"Generations",
                    {{10, "65546"}},
                    "Number of generations is 65546 on line 10 of GORVAN.IN; the largest value "
                    "this version can hold there is 32767."},
        RefusedCase{"SampleSize",
                    {{11, "50 50 65586"}},
                    "Sample size of subpopulation 3 is 65586 on line 11 of GORVAN.IN; the largest "
                    "value this version can hold there is 32767."},
        RefusedCase{"Alleles",
                    {{15, "65538 0.5 0.5"}},
                    "Number of alleles at Locus 1 is 65538 on line 15 of GORVAN.IN; the largest "
                    "value this version can hold there is 32767."}),
    [](const auto& info) { return std::string(info.param.name); });

// Which problem is named when there are several.
INSTANTIATE_TEST_SUITE_P(
    Precedence, RefusedParameterTest,
    ::testing::Values(
        // A number too wide for its field comes first, wherever it stands.
        RefusedCase{"WidthBeforeRange",
                    {{7, "0"}, {4, "1 1"}, {10, "70000"}},
                    "Number of generations is 70000 on line 10 of GORVAN.IN; the largest value "
                    "this version can hold there is 32767."},
        // Then the order of the file.
        RefusedCase{"EarlierLineFirst",
                    {{8, "1"}, {12, "0"}},
                    "Number of subpopulations is 1 on line 8 of GORVAN.IN; at least 2 are needed."},
        RefusedCase{"FisherChainBeforeCounts",
                    {{3, "0 0 0"}, {7, "0"}},
                    "Number of batches of the Fisher test is 0 on line 3 of GORVAN.IN; at least 2 "
                    "are needed for a standard error."},
        // The 16-bit switch value 1 of 65537 must not turn the test on.
        RefusedCase{"WideSwitchBeforeTheChainItWouldSelect",
                    {{3, "0 0 0"}, {4, "1 65537"}},
                    "Fisher test switch is 65537 on line 4 of GORVAN.IN; the largest value this "
                    "version can hold there is 32767."}),
    [](const auto& info) { return std::string(info.param.name); });

class SoundParameterTest : public testing::ParameterFileTest {};

TEST_F(SoundParameterTest, BoundaryValuesAreAccepted) {
  const std::vector<LineEdits> accepted = {
      {{11, "5461 5461 5461"}},  // 16383 diploids pooled
      {{9, "16383"}},            // the largest effective size
      {{9, "0"}, {10, "0"}},     // no drift: the effective size is unused
      {{9, "-7"}, {10, "0"}},
      {{8, "2"}, {11, "1 1"}},               // the smallest samples
      {{7, "1"}, {12, "1"}},                 // one locus, one run
      {{4, "1 0"}, {3, "-5 0 0"}},           // the chain is not used without the test
      {{3, "0 2 1"}},                        // the shortest chain
      {{15, "1 1"}, {16, "3 0 1e-300 1"}},   // one locus that can vary is enough
      {{4, "-32768 32767"}, {5, "-32768"}},  // switches at the ends of their field
  };
  for (const LineEdits& edits : accepted) {
    console_out_.str("");
    EXPECT_EQ(Read(ExampleWith(edits)), std::nullopt)
        << "line " << edits.front().first << ": " << ConsoleText();
  }
}

// The soundness checks come after the capacity and frequency-sum checks.
TEST_F(SoundParameterTest, CapacityAndSumMessagesComeFirst) {
  EXPECT_EQ(Read(ExampleWith({{7, "51"}, {12, "0"}})), 1);
  EXPECT_EQ(ConsoleText(),
            std::string(17, '\n') + "  TOO MANY LOCI!\n  Maximum for this version is 50.\n");

  console_out_.str("");
  EXPECT_EQ(Read(ExampleWith({{8, "1"}, {16, "3 0.1 0.1 0.1"}})), 1);
  EXPECT_EQ(ConsoleText(), std::string(10, '\n') + "   PROGRAM HALTED\n" +
                               "   Allele frequencies do not sum to unity at Locus  2\n");
}

// 65586 loci keep 50 in 16 bits, so the capacity check passes and 50 locus
// lines are read. With fewer lines the frequency check fails first at the
// first missing locus; with 50 good lines the width check names the count.
TEST_F(SoundParameterTest, SixtyFiveThousandLociAreCaughtAfterTheCapacityAndSumChecks) {
  EXPECT_EQ(Read(ExampleWith({{7, "65586"}})), 1);
  EXPECT_EQ(ConsoleText(), std::string(10, '\n') + "   PROGRAM HALTED\n" +
                               "   Allele frequencies do not sum to unity at Locus  3\n");

  console_out_.str("");
  std::vector<std::string> lines = ExampleWith({{7, "65586"}});
  lines.resize(14);
  for (int locus = 1; locus <= 50; ++locus) lines.push_back("2 0.5 0.5");
  EXPECT_EQ(Read(lines), 1);
  EXPECT_EQ(ConsoleText(),
            HaltedBecause("Number of loci is 65586 on line 7 of GORVAN.IN; the largest value this "
                          "version can hold there is 32767."));
  EXPECT_EQ(FilesInWorkDir(), std::vector<std::string>{"GORVAN.IN"});
}

// A frequency that is not a number cannot come from a token; the check
// refuses it all the same.
TEST(FirstUnsoundParameterTest, AFrequencyThatIsNotANumberIsRefused) {
  TestState t;
  State* const s = t.s.get();
  auto source = std::make_unique<ParameterSource>();
  s->NUMBLOCI = 1;
  s->NUMBPOPS = 2;
  s->SAMPLESIZE[1] = s->SAMPLESIZE[2] = 10;
  s->STOP_RUNS = 1;
  s->ALLELES_PER_LOCUS[1] = 2;
  s->BASEPOP[1][1] = 0.5;
  s->BASEPOP[1][2] = 0.5;
  source->NUMBLOCI.as_read = 1;
  source->NUMBPOPS.as_read = 2;
  source->SAMPLESIZE[1].as_read = source->SAMPLESIZE[2].as_read = 10;
  source->ALLELES_PER_LOCUS[1].as_read = 2;
  source->BASEPOP[1][2].line = 15;
  ASSERT_EQ(FirstUnsoundParameter(*s, *source), std::nullopt);

  s->BASEPOP[1][2] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(FirstUnsoundParameter(*s, *source),
            "Frequency of allele 2 at Locus 1 is NaN on line 15 of GORVAN.IN; it must lie "
            "between 0 and 1.");
  s->BASEPOP[1][2] = -std::numeric_limits<double>::infinity();
  EXPECT_EQ(FirstUnsoundParameter(*s, *source),
            "Frequency of allele 2 at Locus 1 is -Inf on line 15 of GORVAN.IN; it must lie "
            "between 0 and 1.");
}

}  // namespace
}  // namespace gorvan
