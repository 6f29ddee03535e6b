// The capacities of the state's arrays, checked once after the parameter
// file is read. The reader refuses larger values with a message; from here
// on every loop over populations, loci and alleles relies on this check
// instead of bounding its counts again.
#pragma once

#include "state/state.h"

namespace gorvan {

// Reads NUMBPOPS, NUMBLOCI and ALLELES_PER_LOCUS; writes nothing. An
// internal fault unless 0 <= NUMBPOPS <= kMaxPops, 0 <= NUMBLOCI <= kMaxLoci
// and every locus in use has 0 to kMaxAlleles alleles.
void CheckCapacities(const State& s);

}  // namespace gorvan
