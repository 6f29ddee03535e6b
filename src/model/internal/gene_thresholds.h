// The alleles of a locus as limits on the generator's 32-bit outputs.
//
// A gene drawn with output u goes to the first allele k whose cumulative
// frequency PR(k), summed in extended precision, is at least u x 2^-32.
// Both sides are exact in extended precision, and scaling by 2^32 is exact
// too, so u x 2^-32 <= PR(k) holds exactly when u <= floor(PR(k) x 2^32):
// with the sums made once per pass, in the same order, each allele becomes
// one integer limit and a gene one integer comparison per allele passed.
#pragma once

#include <cstdint>

#include "state/state.h"

namespace gorvan {

struct GeneThresholds {
  int alleles = 0;  // the locus's alleles, 1..kMaxAlleles
  // limit[k] for k in 1..alleles: the largest output that still goes to
  // allele k or an earlier one (2^32 - 1 once PR(k) reaches 1). Never
  // falling. limit[alleles + 1] is 2^32 - 1 and stands for the outputs above
  // every sum (frequencies summing to a little under 1).
  uint32_t limit[kMaxAlleles + 2] = {};
  // The allele that receives the outputs above every sum: the last one with
  // a frequency above 0, as the straightforward assignment chooses.
  int beyond = 0;
};

// The limits of a locus with 1..kMaxAlleles alleles, or false when the
// frequencies do not give rising cumulative sums of numbers (a negative or
// undefined frequency): such a locus is left to the straightforward
// assignment.
bool MakeGeneThresholds(const double (&frequency)[kMaxAlleles + 1], int allele_count,
                        GeneThresholds& thresholds);

// For each of 2^kGuideBits slices of the outputs, by their top bits: the
// first allele (1..alleles + 1) whose limit reaches into the slice. A gene
// whose output lies in the slice goes to that allele or a later one, and
// mostly to that one when the slices are narrower than the alleles.
inline constexpr int kGuideBits = 12;
struct AlleleGuide {
  uint8_t first[1 << kGuideBits] = {};
};
void MakeAlleleGuide(const GeneThresholds& thresholds, AlleleGuide& guide);

}  // namespace gorvan
