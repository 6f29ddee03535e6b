// Counting the runs whose combined tests are significant, by class of run:
// all runs; runs with every locus tested and every base-population allele
// found (class 1); runs with every locus tested (class 2); runs with a locus
// fixed in the samples (class 3).
#pragma once

#include "base/extended.h"
#include "state/state.h"

namespace gorvan {

// A combined test is significant when its P is strictly below this level.
inline constexpr Extended kSignificanceLevel = 0.05L;

// Reads NUMB_NONFIXED_LOCI, NUMBLOCI, NUMB_ALLELES and STARTNUMBALLELES;
// writes the twelve tallies (NUMBTOT ... R3GEXACT) for the run whose
// combined tests gave XCHI2 and XGEXACT. A test that is off has P 0 and so
// counts as significant; its tallies are never reported.
void TallySignificance(State& s, Extended XCHI2, Extended XGEXACT);

}  // namespace gorvan
