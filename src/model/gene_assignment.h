// Which allele a gene drawn from a locus's frequencies becomes.
#pragma once

#include "state/state.h"

namespace gorvan {

// The first allele k in 1..allele_count whose cumulative frequency
// frequency[1] + ... + frequency[k], summed in extended precision, is at
// least `draw`. So a draw on a cumulative boundary goes to the lower allele,
// and a draw of 0 goes to allele 1 even when its frequency is 0.
//
// A draw above the last cumulative frequency (frequencies summing to a little
// under 1) goes to the last allele with a frequency above 0, so that every
// gene lands on one of the locus's own alleles; failing such an allele, to
// allele `allele_count`. Returns 0 only when the locus has no alleles.
// `allele_count` is held to 0..kMaxAlleles.
int AssignGene(const double (&frequency)[kMaxAlleles + 1], int allele_count, Extended draw);

// The allele that receives a draw above the last cumulative frequency: the
// last one with a frequency above 0, or `allele_count` when there is none.
// `allele_count` must lie in 0..kMaxAlleles.
int AlleleBeyondTheLastSum(const double (&frequency)[kMaxAlleles + 1], int allele_count);

}  // namespace gorvan
