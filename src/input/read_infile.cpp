#include "input/read_infile.h"

#include <cmath>
#include <cstdint>
#include <memory>

#include "base/checked_math.h"
#include "base/program_stop.h"
#include "input/parameter_checks.h"
#include "input/parameter_source.h"
#include "input/read_warnings.h"
#include "input/stop_messages.h"
#include "state/capacity_check.h"

namespace gorvan {
namespace {

// A stop on bad parameters is a failure, never reported as success.
constexpr int kBadParametersExitCode = 1;

// The frequencies of a locus may miss 1 by this much, compared in extended
// precision.
constexpr Extended kFrequencySumTolerance = 0.000001L;

[[noreturn]] void Halt(State& s) {
  s.INFILE.Close();
  throw ProgramStop{kBadParametersExitCode};
}

// Reads one integer and notes where it stood and what it was before any
// narrowing.
SourceInt ReadNoted(TextFile& file) {
  SourceInt number;
  number.as_read = file.ReadInt();
  number.place = {file.LastTokenLine(), file.LastTokenMissing()};
  return number;
}

// 16-bit fields keep the low 16 bits of what was read; the soundness checks
// later refuse a number that did not fit.
int16_t Narrow(const SourceInt& number) { return static_cast<int16_t>(number.as_read); }

// Lines 1 to 6: the comments, the chain lengths, the switches.
void ReadHead(State& s, ParameterSource& src) {
  s.COMMENT1 = s.INFILE.ReadLine(kCommentCapacity);
  s.INFILE.SkipLine();
  s.COMMENT2 = s.INFILE.ReadLine(kCommentCapacity);
  s.INFILE.SkipLine();

  src.ITER1 = ReadNoted(s.INFILE);
  src.ITER2 = ReadNoted(s.INFILE);
  src.ITER3 = ReadNoted(s.INFILE);
  s.ITER1 = src.ITER1.as_read;
  s.ITER2 = src.ITER2.as_read;
  s.ITER3 = src.ITER3.as_read;
  s.INFILE.SkipLine();

  src.RUN_CHI2 = ReadNoted(s.INFILE);
  src.RUN_FISHER = ReadNoted(s.INFILE);
  s.RUN_CHI2 = Narrow(src.RUN_CHI2);
  s.RUN_FISHER = Narrow(src.RUN_FISHER);
  NoteOddSwitch(src, "chi-square test", src.RUN_CHI2);
  NoteOddSwitch(src, "Fisher test", src.RUN_FISHER);
  s.INFILE.SkipLine();

  src.ERASE_DETAILED_OUTPUT = ReadNoted(s.INFILE);
  s.ERASE_DETAILED_OUTPUT = Narrow(src.ERASE_DETAILED_OUTPUT);
  s.INFILE.SkipLine();
  s.INFILE.SkipLine();  // a label line
}

// Lines 7 and 8, the numbers of loci and of populations: the capacity is
// checked on the value as stored, and nothing further is read beyond it.
void ReadCapacityLimitedCount(State& s, SourceInt& noted, int16_t& count, int limit,
                              std::string_view too_many) {
  noted = ReadNoted(s.INFILE);
  count = Narrow(noted);
  s.INFILE.SkipLine();
  if (count > limit) {
    WriteCapacityMessage(s.console, too_many, limit);
    Halt(s);
  }
}

// Lines 9 to 14. The sample sizes are read token after token, so a short
// line 11 takes its missing values from the lines below.
void ReadDriftSamplesAndRuns(State& s, ParameterSource& src) {
  src.DRIFT_SIZE = ReadNoted(s.INFILE);
  s.DRIFT_SIZE = Narrow(src.DRIFT_SIZE);
  s.INFILE.SkipLine();
  src.STOP_T = ReadNoted(s.INFILE);
  s.STOP_T = Narrow(src.STOP_T);
  s.INFILE.SkipLine();

  for (int pop = 1; pop <= s.NUMBPOPS; ++pop) {
    src.SAMPLESIZE[pop] = ReadNoted(s.INFILE);
    s.SAMPLESIZE[pop] = Narrow(src.SAMPLESIZE[pop]);
  }
  if (s.NUMBPOPS > 0) {
    NoteNumberAfterList(src, s.INFILE,
                        "the " + std::to_string(s.NUMBPOPS) + " sample sizes (" +
                            std::to_string(s.NUMBPOPS) + " subpopulations on line " +
                            std::to_string(src.NUMBPOPS.place.line) + ")");
  }
  s.INFILE.SkipLine();

  src.STOP_RUNS = ReadNoted(s.INFILE);
  s.STOP_RUNS = src.STOP_RUNS.as_read;
  s.INFILE.SkipLine();
  s.INFILE.SkipLine();  // two label lines
  s.INFILE.SkipLine();
}

// One locus line: the allele count, then that many frequencies. All of them
// are read, so the file position stays right, but only the first 50 are
// kept; a negative count reads none.
void ReadLocus(State& s, ParameterSource& src, int locus) {
  src.ALLELES_PER_LOCUS[locus] = ReadNoted(s.INFILE);
  s.ALLELES_PER_LOCUS[locus] = Narrow(src.ALLELES_PER_LOCUS[locus]);
  for (int allele = 1; allele <= s.ALLELES_PER_LOCUS[locus]; ++allele) {
    const double frequency = static_cast<double>(s.INFILE.ReadReal());
    if (allele > kMaxAlleles) continue;
    s.BASEPOP[locus][allele] = frequency;
    src.BASEPOP[locus][allele] = {s.INFILE.LastTokenLine(), s.INFILE.LastTokenMissing()};
    src.BASEPOP_TEXT[locus][allele] = s.INFILE.LastTokenText();
  }
  NoteNumberAfterList(src, s.INFILE,
                      "the " + std::to_string(s.ALLELES_PER_LOCUS[locus]) +
                          " frequencies of Locus " + std::to_string(locus));
  s.INFILE.SkipLine();
}

void ReadBasePopulation(State& s, ParameterSource& src) {
  for (int locus = 1; locus <= s.NUMBLOCI; ++locus) ReadLocus(s, src, locus);
  NoteUnreadLines(src, s.INFILE, s.NUMBLOCI);
}

// Made only once every locus line has been read.
void CheckAllelesPerLocus(State& s) {
  int TESTVAR = 0;
  for (int locus = 1; locus <= kMaxLoci; ++locus) {
    if (s.ALLELES_PER_LOCUS[locus] > kMaxAlleles) TESTVAR = 1;
  }
  if (TESTVAR > 0) {
    WriteCapacityMessage(s.console, kTooManyAlleles, kMaxAlleles);
    Halt(s);
  }
}

void CountStartAlleles(State& s) {
  int32_t total = 0;
  for (int locus = 1; locus <= kMaxLoci; ++locus) {
    total = CheckedAdd(total, s.ALLELES_PER_LOCUS[locus]);
  }
  s.STARTNUMBALLELES = static_cast<int16_t>(total);
}

// The sum is held as a double, each step added in extended precision and
// rounded on storing. A sum that is not a number fails.
double FrequencySum(const State& s, int locus) {
  double X = 0;
  for (int allele = 1; allele <= s.ALLELES_PER_LOCUS[locus]; ++allele) {
    X = static_cast<double>(static_cast<Extended>(X) + s.BASEPOP[locus][allele]);
  }
  return X;
}

bool SumsToOne(double X) {
  return std::fabs(static_cast<Extended>(X) - 1.0L) <= kFrequencySumTolerance;
}

// The first locus that fails is the one reported.
void CheckFrequencySums(State& s, ParameterSource& src) {
  for (int locus = 1; locus <= s.NUMBLOCI; ++locus) {
    const double X = FrequencySum(s, locus);
    if (SumsToOne(X)) continue;
    NoteFrequencySum(src, locus, X, "0.000001");
    WriteFrequencySumMessage(s.console, locus);
    Halt(s);
  }
}

void CheckSoundness(State& s, const ParameterSource& src) {
  const std::optional<std::string> reason = FirstUnsoundParameter(s, src);
  if (!reason) return;
  WriteUnsoundParameterMessage(s.console, *reason);
  Halt(s);
}

}  // namespace

void READ_INFILE(State& s) {
  auto source = std::make_unique<ParameterSource>();
  READ_INFILE(s, *source);
}

void READ_INFILE(State& s, ParameterSource& noted) {
  s.INFILE.Assign(kParameterFileName);
  s.INFILE.Reset();
  ReadHead(s, noted);
  ReadCapacityLimitedCount(s, noted.NUMBLOCI, s.NUMBLOCI, kMaxLoci, kTooManyLoci);
  ReadCapacityLimitedCount(s, noted.NUMBPOPS, s.NUMBPOPS, kMaxPops, kTooManyPopulations);
  ReadDriftSamplesAndRuns(s, noted);
  ReadBasePopulation(s, noted);
  CheckAllelesPerLocus(s);
  CountStartAlleles(s);
  CheckFrequencySums(s, noted);
  s.INFILE.Close();
  CheckSoundness(s, noted);
  CheckCapacities(s);
  WriteBanner(s.console);
}

}  // namespace gorvan
