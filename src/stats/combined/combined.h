// The combined tests of a run over its tested loci: the summed chi-square
// and Fisher's method of combining the exact tests' P values.
#pragma once

#include <cstdint>

#include "state/state.h"

namespace gorvan {

// A Fisher P estimated as 0 is combined as this value, so that its logarithm
// is finite.
inline constexpr Extended kFisherPForZero = 0.00005L;

// The combined tests of one run. A P of a test that is off is 0.
struct CombinedTests {
  Extended XCHI2 = 0;    // P of the summed chi-square
  int16_t DF_EXACT = 0;  // degrees of freedom of Fisher's combination
  Extended XGEXACT = 0;  // P of Fisher's combination
};

// Reads the test switches and the results the tests left for locus J
// (CHISQ, DF, PROB; HM, HECA); writes them into CHI2, CHI2_DF (the whole
// part of DF, cut toward zero), CHI2_P, GEXACT_P and SE. A test that is off
// leaves its copies as they were. Done for every locus, fixed ones too.
void TakeOverLocusResults(State& s);

// Reads nothing; writes the per-run sums (SUM_CHI2, SUM_CHI2_DF,
// SUM_LN_GEXACT_P, NUMB_NONFIXED_LOCI, NUMB_ALLELES) as zero.
void CLEAR_SUM_P_CHI2_DF(State& s);

// Reads the results of locus J (CHI2, CHI2_DF, GEXACT_P), the test switches
// and the samples' counts; adds them to the per-run sums and updates
// MEAN_ALLELES_PER_LOCUS. A Fisher P of 0 is replaced in GEXACT_P.
void SUM_FOR_TOTAL_P(State& s);

// Reads the per-run sums and the test switches; writes nothing. The P values
// of the run's two combined tests.
CombinedTests CombineTests(State& s);

}  // namespace gorvan
