#include "input/parameter_checks.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "input/read_infile.h"
#include "textio/number_format.h"

namespace gorvan {
namespace {

using Reason = std::optional<std::string>;

std::string LineText(int line) {
  return "line " + std::to_string(line) + " of " + kParameterFileName;
}

// "on line 7 of GORVAN.IN", or why the number stands on no line.
std::string Where(const SourcePlace& place) {
  if (place.missing) return std::string("(missing: ") + kParameterFileName + " ends before it)";
  return "on " + LineText(place.line);
}

std::string LinesText(int first, int last) {
  if (first == last) return LineText(first);
  return "lines " + std::to_string(first) + " to " + std::to_string(last) + " of " +
         kParameterFileName;
}

std::string Complaint(std::string_view what, std::string_view value, const SourcePlace& place,
                      std::string_view requirement) {
  return std::string(what) + " is " + std::string(value) + " " + Where(place) + "; " +
         std::string(requirement) + ".";
}

std::string Complaint(std::string_view what, const SourceInt& number,
                      std::string_view requirement) {
  return Complaint(what, std::to_string(number.as_read), number.place, requirement);
}

std::string SampleName(int pop) { return "Sample size of subpopulation " + std::to_string(pop); }
std::string AllelesName(int locus) { return "Number of alleles at Locus " + std::to_string(locus); }

// ---- Numbers that do not fit their 16-bit fields ----

Reason DoesNotFit(std::string_view what, const SourceInt& number) {
  constexpr int32_t kLowest = std::numeric_limits<int16_t>::min();
  constexpr int32_t kHighest = std::numeric_limits<int16_t>::max();
  if (number.as_read > kHighest) {
    return Complaint(
        what, number,
        "the largest value this version can hold there is " + std::to_string(kHighest));
  }
  if (number.as_read < kLowest) {
    return Complaint(
        what, number,
        "the smallest value this version can hold there is " + std::to_string(kLowest));
  }
  return std::nullopt;
}

Reason FirstNumberTooWide(const State& s, const ParameterSource& src) {
  if (auto r = DoesNotFit("Chi-square test switch", src.RUN_CHI2)) return r;
  if (auto r = DoesNotFit("Fisher test switch", src.RUN_FISHER)) return r;
  if (auto r = DoesNotFit("Detail file switch", src.ERASE_DETAILED_OUTPUT)) return r;
  if (auto r = DoesNotFit("Number of loci", src.NUMBLOCI)) return r;
  if (auto r = DoesNotFit("Number of subpopulations", src.NUMBPOPS)) return r;
  if (auto r = DoesNotFit("Effective size", src.DRIFT_SIZE)) return r;
  if (auto r = DoesNotFit("Number of generations", src.STOP_T)) return r;
  // The counts above fit, so the stored values bound these loops as read.
  for (int pop = 1; pop <= s.NUMBPOPS; ++pop) {
    if (auto r = DoesNotFit(SampleName(pop), src.SAMPLESIZE[pop])) return r;
  }
  for (int locus = 1; locus <= s.NUMBLOCI; ++locus) {
    if (auto r = DoesNotFit(AllelesName(locus), src.ALLELES_PER_LOCUS[locus])) return r;
  }
  return std::nullopt;
}

// ---- Values the simulation cannot run with ----

Reason FisherChainTooShort(const State& s, const ParameterSource& src) {
  if (s.RUN_FISHER != 1) return std::nullopt;
  if (s.ITER1 < 0) {
    return Complaint("Number of dememorisation steps of the Fisher test", src.ITER1,
                     "it cannot be negative");
  }
  if (s.ITER2 < 2) {
    return Complaint("Number of batches of the Fisher test", src.ITER2,
                     "at least 2 are needed for a standard error");
  }
  if (s.ITER3 < 1) {
    return Complaint("Number of iterations per batch of the Fisher test", src.ITER3,
                     "at least 1 is needed");
  }
  return std::nullopt;
}

Reason BadCounts(const State& s, const ParameterSource& src) {
  if (s.NUMBLOCI < 1) return Complaint("Number of loci", src.NUMBLOCI, "at least 1 is needed");
  if (s.NUMBPOPS < 2) {
    return Complaint("Number of subpopulations", src.NUMBPOPS, "at least 2 are needed");
  }
  return std::nullopt;
}

// A drift draws twice the effective size in genes into one 16-bit count.
Reason BadDrift(const State& s, const ParameterSource& src) {
  if (s.STOP_T > 0 && (s.DRIFT_SIZE < 1 || s.DRIFT_SIZE > kMaxDiploids)) {
    return Complaint("Effective size", src.DRIFT_SIZE,
                     "with drift it must lie between 1 and " + std::to_string(kMaxDiploids));
  }
  if (s.STOP_T < 0) {
    return Complaint("Number of generations", src.STOP_T, "it cannot be negative");
  }
  return std::nullopt;
}

// The samples of all subpopulations are pooled into 16-bit counts.
Reason BadSampleSizes(const State& s, const ParameterSource& src) {
  int64_t total = 0;
  for (int pop = 1; pop <= s.NUMBPOPS; ++pop) {
    if (s.SAMPLESIZE[pop] < 1) {
      return Complaint(SampleName(pop), src.SAMPLESIZE[pop],
                       "every sample needs at least 1 diploid");
    }
    total += s.SAMPLESIZE[pop];
  }
  if (total > kMaxDiploids) {
    const int first = src.SAMPLESIZE[1].place.line;
    const int last = src.SAMPLESIZE[s.NUMBPOPS].place.line;
    return "Sample sizes add up to " + std::to_string(total) + " diploids on " +
           LinesText(first, last) + "; together at most " + std::to_string(kMaxDiploids) +
           " can be sampled.";
  }
  return std::nullopt;
}

Reason BadRuns(const State& s, const ParameterSource& src) {
  if (s.STOP_RUNS < 1) return Complaint("Number of runs", src.STOP_RUNS, "at least 1 is needed");
  return std::nullopt;
}

Reason BadFrequency(const State& s, const ParameterSource& src) {
  for (int locus = 1; locus <= s.NUMBLOCI; ++locus) {
    for (int allele = 1; allele <= s.ALLELES_PER_LOCUS[locus]; ++allele) {
      const double frequency = s.BASEPOP[locus][allele];
      if (frequency >= 0.0 && frequency <= 1.0) continue;  // NaN fails too
      return Complaint(
          "Frequency of allele " + std::to_string(allele) + " at Locus " + std::to_string(locus),
          ShortestText(frequency), src.BASEPOP[locus][allele], "it must lie between 0 and 1");
    }
  }
  return std::nullopt;
}

bool HasTwoAllelesPresent(const State& s, int locus) {
  int present = 0;
  for (int allele = 1; allele <= s.ALLELES_PER_LOCUS[locus]; ++allele) {
    if (s.BASEPOP[locus][allele] > 0.0) ++present;
  }
  return present >= 2;
}

// Without a locus that can vary every sample is monomorphic at every locus,
// every run is discarded and the program would never end.
Reason NoPolymorphicLocus(const State& s, const ParameterSource& src) {
  for (int locus = 1; locus <= s.NUMBLOCI; ++locus) {
    if (HasTwoAllelesPresent(s, locus)) return std::nullopt;
  }
  const int first = src.ALLELES_PER_LOCUS[1].place.line;
  const int last = src.ALLELES_PER_LOCUS[s.NUMBLOCI].place.line;
  return "No locus has two alleles with a frequency above 0 on " + LinesText(first, last) +
         "; every sample would hold a single allele and no run could be accepted.";
}

}  // namespace

std::optional<std::string> FirstUnsoundParameter(const State& s, const ParameterSource& source) {
  if (auto r = FirstNumberTooWide(s, source)) return r;
  if (auto r = FisherChainTooShort(s, source)) return r;
  if (auto r = BadCounts(s, source)) return r;
  if (auto r = BadDrift(s, source)) return r;
  if (auto r = BadSampleSizes(s, source)) return r;
  if (auto r = BadRuns(s, source)) return r;
  if (auto r = BadFrequency(s, source)) return r;
  return NoPolymorphicLocus(s, source);
}

}  // namespace gorvan
