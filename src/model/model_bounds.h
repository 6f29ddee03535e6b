// The populations, loci and alleles in use, kept within the capacity of the
// arrays. The parameter reader already refuses larger values; these bounds
// make sure that no state, however it was reached, leads a loop outside the
// arrays.
#pragma once

#include <algorithm>

#include "state/state.h"

namespace gorvan {

inline int PopsInUse(const State& s) { return std::clamp<int>(s.NUMBPOPS, 0, kMaxPops); }

inline int LociInUse(const State& s) { return std::clamp<int>(s.NUMBLOCI, 0, kMaxLoci); }

// `locus` must lie in 1..kMaxLoci.
inline int AllelesInUse(const State& s, int locus) {
  return std::clamp<int>(s.ALLELES_PER_LOCUS[locus], 0, kMaxAlleles);
}

}  // namespace gorvan
