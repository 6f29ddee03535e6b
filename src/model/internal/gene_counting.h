// Counting which allele each of a run of generator outputs gives, by the
// integer limits of GeneThresholds: the same alleles as the straightforward
// assignment, found without any extended arithmetic.
#pragma once

#include <cstdint>

#include "model/internal/gene_thresholds.h"
#include "model/internal/mersenne_block.h"

namespace gorvan {

// Places per allele: 1..alleles, and alleles + 1 for the outputs above every
// cumulative sum.
using AlleleTally = int32_t[kMaxAlleles + 2];

// For loci with few alleles: adds to at_or_below[k], k = 1..alleles, the
// number of outputs u <= limit[k], a vector of outputs at a time. Since the
// limits never fall, allele k received at_or_below[k] - at_or_below[k - 1]
// of them.
void CountAtOrBelowLimits(const uint32_t* outputs, int count, const GeneThresholds& thresholds,
                          AlleleTally& at_or_below, VectorCode code);

// For loci with many alleles: adds 1 to tally[k] for every output, k being
// the allele it goes to (alleles + 1 above every sum), found from the guide
// slice of its top bits and at most a few limits after it.
void CountByGuide(const uint32_t* outputs, int count, const GeneThresholds& thresholds,
                  const AlleleGuide& guide, AlleleTally& tally);

}  // namespace gorvan
