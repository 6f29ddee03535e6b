#include "state/capacity_check.h"

#include "base/internal_check.h"

namespace gorvan {

void CheckCapacities(const State& s) {
  Check(s.NUMBPOPS >= 0 && s.NUMBPOPS <= kMaxPops, "more populations than the arrays hold");
  Check(s.NUMBLOCI >= 0 && s.NUMBLOCI <= kMaxLoci, "more loci than the arrays hold");
  for (int locus = 1; locus <= s.NUMBLOCI; ++locus) {
    Check(s.ALLELES_PER_LOCUS[locus] >= 0 && s.ALLELES_PER_LOCUS[locus] <= kMaxAlleles,
          "more alleles at a locus than the arrays hold");
  }
}

}  // namespace gorvan
