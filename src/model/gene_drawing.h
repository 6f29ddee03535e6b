// Drawing the genes of one population at one locus: one RANDOM draw per gene,
// in gene order, each counted in ALL_POPS_ACOUNT for the allele it goes to.
// This is the straightforward way, draw by draw; gene_drawing_fast.h gives
// the same counts and leaves the stream in the same place.
#pragma once

#include <cstdint>

#include "state/state.h"

namespace gorvan {

// Reads ALL_POPS_AFREQ[pop][locus] and the stream; adds the genes to
// ALL_POPS_ACOUNT[pop][locus].
void DrawGenesStraightforward(State& s, int pop, int locus, int32_t genes);

}  // namespace gorvan
