// The Fisher test's chain and the exact test's error rate. With too few
// counted steps (ITER2 x ITER3) the test rejects too often: at a P near 1%
// the estimate is 0 in about half the loci, and -2 ln P is steep near 0, so
// the under-estimates add far more to Fisher's combination than the
// over-estimates take away (an estimate of 0 enters as 0.00005 and alone
// rejects a run of 5 or fewer loci). A longer burn-in does not help. The
// rule measured on no-drift designs: counted steps of at least
// 100 x loci x the square root of the genes per table keep the excess
// rejection rate below 0.01.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "state/state.h"

namespace gorvan {

// The counted steps the rule asks for a design with `loci` loci and tables
// of `genes` genes.
int64_t SuggestedCountedSteps(int loci, int64_t genes);

// A warning when the Fisher test is on and its chain counts fewer steps than
// the rule asks; `chain_line` is the line of GORVAN.IN the lengths stood on.
std::optional<std::string> ShortChainWarning(const State& s, int chain_line);

// Counts, over a job, the tested loci whose exact-test P was estimated as 0.
class FisherZeroTally {
 public:
  // After the locus results of a tested locus have been copied for the
  // combination (GEXACT_P), before the zero is replaced.
  void NoteTestedLocus(const State& s);
  // The end-of-job line; nothing when the Fisher test is off.
  void Report(const State& s, std::ostream& notes) const;

 private:
  int64_t tested_ = 0;
  int64_t zero_ = 0;
};

}  // namespace gorvan
