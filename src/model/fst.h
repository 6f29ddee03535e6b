// Gene diversity within (HS) and among (HT) subpopulations, and F'st.
#pragma once

#include "state/state.h"

namespace gorvan {

// Reads ALL_POPS_AFREQ; writes HS_PER_POP, HS, HT and FSTPRIME.
void CALCULATE_FST(State& s);

}  // namespace gorvan
