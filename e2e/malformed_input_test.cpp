// Parameter files as people and tools really produce them: truncated,
// binary, enormous, with foreign line ends, a byte-order mark, tabs, signs,
// other bases, numbers beyond 32 bits, negative zero, NaN and infinities.
// Each has its expected outcome: the job runs as for the plain file, or the
// program stops with the right exit code and a message saying what is wrong.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"
#include "parameter_file.h"

namespace gorvan::e2e {
namespace {

constexpr const char* kSeed = "17";

// Its chain is just long enough not to draw the short-chain warning, so
// that any warning comes from the variant.
Design PlainDesign() {
  Design design;
  design.iter1 = 20;
  design.iter2 = 2;
  design.iter3 = 800;
  design.stop_runs = 2;
  return design;
}

std::vector<std::string> SplitLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string JoinLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// The plain file with its line `number` (1-based) replaced.
std::string WithLine(int number, const std::string& line) {
  std::vector<std::string> lines = SplitLf(PlainDesign().ToText());
  lines.at(static_cast<size_t>(number - 1)) = line;
  return JoinLf(lines);
}

// The plain file with every blank after the comment lines turned into `by`,
// and `prefix` put before every token that starts with a digit.
std::string Retokenised(char by, const std::string& prefix) {
  std::vector<std::string> lines = SplitLf(PlainDesign().ToText());
  for (size_t i = 2; i < lines.size(); ++i) {
    std::string out;
    bool token_start = true;
    for (char c : lines[i]) {
      if (token_start && c >= '0' && c <= '9') out += prefix;
      token_start = c == ' ';
      out += c == ' ' ? by : c;
    }
    lines[i] = out;
  }
  return JoinLf(lines);
}

// Bytes from a fixed linear congruential sequence: the same "random" file
// on every machine.
std::string Garbage(size_t size) {
  std::string bytes(size, '\0');
  uint32_t x = 12345;
  for (char& c : bytes) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

RunResult RunText(const ScratchDir& dir, const std::string& text) {
  dir.Write("GORVAN.IN", text);
  return RunGorvan(dir.path(), {"--seed", kSeed});
}

// The report of the plain file, against which accepted variants are held.
const std::string& PlainReport() {
  static const std::string report = [] {
    ScratchDir dir;
    const RunResult run = RunText(dir, PlainDesign().ToText());
    EXPECT_EQ(run.exit_code, 0) << run.output;
    return dir.Read("GORVAN.OUT");
  }();
  return report;
}

// ---- Files that are read as the plain one ----

struct AcceptedCase {
  const char* name;
  std::string text;
};

// Test listings show the case's name, not the bytes of its file.
void PrintTo(const AcceptedCase& c, std::ostream* out) { *out << c.name; }

class AcceptedInputTest : public testing::TestWithParam<AcceptedCase> {};

TEST_P(AcceptedInputTest, RunsTheSameJobAsThePlainFile) {
  ScratchDir dir;
  const RunResult run = RunText(dir, GetParam().text);
  ASSERT_EQ(run.exit_code, 0) << run.output;
  EXPECT_EQ(UnexpectedErrors(run.errors), "");
  EXPECT_EQ(run.errors.find("warning"), std::string::npos) << run.errors;
  EXPECT_EQ(dir.Read("GORVAN.OUT"), PlainReport());
}

Design WithLocus2(std::vector<double> frequencies) {
  Design design = PlainDesign();
  design.loci[1] = std::move(frequencies);
  return design;
}

INSTANTIATE_TEST_SUITE_P(
    Variants, AcceptedInputTest,
    testing::Values(AcceptedCase{"CrOnlyLineEnds", PlainDesign().ToText("\r")},
                    AcceptedCase{"CrLfLineEnds", PlainDesign().ToText("\r\n")},
                    AcceptedCase{"Tabs", Retokenised('\t', "")},
                    AcceptedCase{"PlusSigns", Retokenised(' ', "+")},
                    // 2 loci, 3 populations, 10 diploids each, 2 runs, in four bases.
                    AcceptedCase{"OtherBases",
                                 [] {
                                   std::string text = WithLine(7, "$2");
                                   std::vector<std::string> lines = SplitLf(text);
                                   lines[7] = "0x3";
                                   lines[10] = "%1010 &12 $A";
                                   lines[11] = "0X2";
                                   return JoinLf(lines);
                                 }()},
                    // Negative zero is zero: a switch of -0, a frequency of -0.0.
                    AcceptedCase{"NegativeZero",
                                 [] {
                                   std::vector<std::string> lines = SplitLf(PlainDesign().ToText());
                                   lines[4] = "-0";
                                   return JoinLf(lines);
                                 }()}),
    [](const testing::TestParamInfo<AcceptedCase>& info) { return std::string(info.param.name); });

// ---- Files read as always, with a warning on standard error ----

// What is probably a mistake is read exactly as before, and standard error
// says what was ignored, with its line; a label where a number might stand
// draws no warning.
struct NoticedCase {
  const char* name;
  std::string text;
  std::string same_job_as;  // the file whose report the job must give
  std::string warning;      // a line of standard error, or "" for none
};

void PrintTo(const NoticedCase& c, std::ostream* out) { *out << c.name; }

class NoticedInputTest : public testing::TestWithParam<NoticedCase> {};

TEST_P(NoticedInputTest, RunsAsWrittenAndSaysWhatWasIgnored) {
  const NoticedCase& c = GetParam();
  ScratchDir dir, reference;
  const RunResult run = RunText(dir, c.text);
  ASSERT_EQ(run.exit_code, 0) << run.output;
  ASSERT_EQ(RunText(reference, c.same_job_as).exit_code, 0);
  EXPECT_EQ(dir.Read("GORVAN.OUT"), reference.Read("GORVAN.OUT"));
  EXPECT_EQ(UnexpectedErrors(run.errors), "");
  if (c.warning.empty()) {
    EXPECT_EQ(run.errors.find("warning"), std::string::npos) << run.errors;
  } else {
    EXPECT_NE(run.errors.find("gorvan: warning: " + c.warning + "\n"), std::string::npos)
        << run.errors;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Variants, NoticedInputTest,
    testing::Values(
        NoticedCase{"NumberAfterTheSampleSizes", WithLine(11, "10 10 10 10"),
                    PlainDesign().ToText(),
                    "line 11 of GORVAN.IN: \"10\" after the 3 sample sizes (3 subpopulations on "
                    "line 8) is not read."},
        NoticedCase{"LabelAfterTheSampleSizes", WithLine(11, "10 10 10 diploids"),
                    PlainDesign().ToText(), ""},
        NoticedCase{"NumberAfterALocusLine", WithLine(15, "2 0.5 0.5 0.25"), PlainDesign().ToText(),
                    "line 15 of GORVAN.IN: \"0.25\" after the 2 frequencies of Locus 1 is not "
                    "read."},
        NoticedCase{"LabelAfterALocusLine", WithLine(15, "2 0.5 0.5 locus-A 7"),
                    PlainDesign().ToText(), ""},
        NoticedCase{"LinesAfterTheLastLocus", PlainDesign().ToText() + "2 0.5 0.5\n\nmore\n",
                    PlainDesign().ToText(),
                    "lines 17 to 19 of GORVAN.IN are not read: the file describes 2 loci, whose "
                    "lines end before."},
        NoticedCase{"BlankLinesAfterTheLastLocus", PlainDesign().ToText() + "\n \t\n\n",
                    PlainDesign().ToText(), ""},
        NoticedCase{"FisherSwitchOfTwo", WithLine(4, "1 2"), WithLine(4, "1 0"),
                    "line 4 of GORVAN.IN: the Fisher test switch is 2; only 1 turns the test on, "
                    "so the Fisher test is off."},
        NoticedCase{"ChiSquareSwitchOfMinusOne", WithLine(4, "-1 1"), WithLine(4, "0 1"),
                    "line 4 of GORVAN.IN: the chi-square test switch is -1; only 1 turns the "
                    "test on, so the chi-square test is off."}),
    [](const testing::TestParamInfo<NoticedCase>& info) { return std::string(info.param.name); });

TEST(MalformedInputTest, NegativeZeroFrequencyIsAnAbsentAllele) {
  ScratchDir with_minus, with_plain;
  const RunResult minus = RunText(with_minus, WithLocus2({0.5, 0.5, -0.0}).ToText());
  const RunResult plain = RunText(with_plain, WithLocus2({0.5, 0.5, 0.0}).ToText());
  ASSERT_EQ(minus.exit_code, 0) << minus.output;
  ASSERT_EQ(plain.exit_code, 0) << plain.output;
  EXPECT_EQ(with_minus.Read("GORVAN.OUT"), with_plain.Read("GORVAN.OUT"));
  EXPECT_EQ(with_minus.Read("SAMPLES.OUT"), with_plain.Read("SAMPLES.OUT"));
}

// A byte-order mark is part of the first comment line, which the report
// echoes; everything else is as for the plain file.
TEST(MalformedInputTest, AByteOrderMarkStaysInTheFirstComment) {
  ScratchDir dir;
  const std::string bom = "\xEF\xBB\xBF";
  const RunResult run = RunText(dir, bom + PlainDesign().ToText());
  ASSERT_EQ(run.exit_code, 0) << run.output;
  EXPECT_EQ(dir.Read("GORVAN.OUT"), bom + PlainReport());
}

// A comment line of 10 MB: its first 80 characters are kept, and line 2 is
// still read from the next line.
TEST(MalformedInputTest, ATenMegabyteCommentLineIsCutTo80Characters) {
  ScratchDir dir;
  const RunResult run = RunText(dir, WithLine(1, std::string(10'000'000, 'x')));
  ASSERT_EQ(run.exit_code, 0) << run.output;
  const std::vector<std::string> report = SplitCrLf(dir.Read("GORVAN.OUT"));
  ASSERT_GE(report.size(), 2u);
  EXPECT_EQ(report[0], std::string(80, 'x'));
  EXPECT_EQ(report[1], PlainDesign().comment2);
}

// ---- Files that stop the program ----

struct RefusedCase {
  const char* name;
  std::string text;
  int exit_code;
  std::string message;    // a console line, or the part of one that matters
  std::string note = "";  // a part of a line on standard error, if any
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }

class RefusedInputTest : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedInputTest, StopsWithItsExitCodeAndMessage) {
  const RefusedCase& c = GetParam();
  ScratchDir dir;
  const RunResult run = RunText(dir, c.text);
  EXPECT_EQ(run.exit_code, c.exit_code) << run.output;
  EXPECT_EQ(UnexpectedErrors(run.errors), "");
  EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
  EXPECT_NE(run.errors.find(c.note), std::string::npos) << run.errors;
  // Bad input is found before any output file exists.
  EXPECT_EQ(dir.Files(), std::vector<std::string>{"GORVAN.IN"});
}

std::string Truncated(size_t keep_lines) {
  std::vector<std::string> lines = SplitLf(PlainDesign().ToText());
  lines.resize(keep_lines);
  return JoinLf(lines);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, RefusedInputTest,
    testing::Values(
        RefusedCase{"EmptyFile", "", 1, "Number of loci is 0 (missing: GORVAN.IN ends before it)"},
        RefusedCase{"TruncatedBeforeTheLoci", Truncated(14), 1,
                    "   Allele frequencies do not sum to unity at Locus  1",
                    "gorvan: the allele frequencies of Locus 1 (GORVAN.IN ends before its line) "
                    "sum to 0; they must sum to 1 within 0.000001.\n"},
        RefusedCase{"FrequenciesSummingTo099", WithLine(16, "3 0.2 0.3 0.49"), 1,
                    "   Allele frequencies do not sum to unity at Locus  2",
                    "gorvan: the allele frequencies of Locus 2 on line 16 of GORVAN.IN sum to "
                    "0.99; they must sum to 1 within 0.000001.\n"},
        RefusedCase{"TruncatedInsideAFrequency",
                    PlainDesign().ToText().substr(0, PlainDesign().ToText().size() - 2), 106,
                    "line 16: \"0.\" is not a valid number"},
        RefusedCase{"BinaryGarbage", Garbage(4096), 106, "is not a valid integer"},
        RefusedCase{"BinaryAfterTheComments", "one\ntwo\n" + Garbage(4096), 106,
                    "reading an integer from file GORVAN.IN, line 3"},
        RefusedCase{"TenMegabyteNumber", WithLine(3, "1" + std::string(10'000'000, '0')), 106,
                    "line 3: \"1000000000000000000000000000000000000000...\" is not a valid "
                    "integer"},
        RefusedCase{"TwoToThe31", WithLine(12, "2147483648"), 106,
                    "line 12: \"2147483648\" is not a valid integer"},
        RefusedCase{"TwoToThe32InHex", WithLine(12, "$100000000"), 106,
                    "line 12: \"$100000000\" is not a valid integer"},
        RefusedCase{"MinusTwoToThe31Loci", WithLine(7, "-2147483648"), 1,
                    "   Number of loci is -2147483648 on line 7 of GORVAN.IN; the smallest value "
                    "this version can hold there is -32768."},
        RefusedCase{"LociBeyond16Bits", WithLine(7, "65538"), 1,
                    "   Number of loci is 65538 on line 7 of GORVAN.IN; the largest value this "
                    "version can hold there is 32767."},
        RefusedCase{"AllOnesInHexIsMinusOne", WithLine(12, "$FFFFFFFF"), 1,
                    "   Number of runs is -1 on line 12 of GORVAN.IN; at least 1 is needed."},
        RefusedCase{"DecimalPointInACount", WithLine(7, "2.0"), 106,
                    "line 7: \"2.0\" is not a valid integer"},
        RefusedCase{"HexadecimalFrequency", WithLine(15, "2 0x0.8 0.5"), 106,
                    "line 15: \"0x0.8\" is not a valid number"},
        RefusedCase{"NaNFrequency", WithLine(15, "2 NaN 0.5"), 106,
                    "line 15: \"NaN\" is not a valid number"},
        RefusedCase{"InfFrequency", WithLine(15, "2 inf 0.5"), 106,
                    "line 15: \"inf\" is not a valid number"},
        RefusedCase{"FrequencyBeyondTheExtendedRange", WithLine(15, "2 1e5000 0.5"), 106,
                    "line 15: \"1e5000\" is not a valid number"},
        // Finite in extended precision, infinite as a double: the sum fails.
        RefusedCase{"FrequencyBeyondTheDoubleRange", WithLine(15, "2 1e400 -1e400"), 1,
                    "   Allele frequencies do not sum to unity at Locus  1"}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace gorvan::e2e
