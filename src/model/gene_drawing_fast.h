// The fast way of drawing the genes of one population at one locus: the
// generator's words are taken in blocks and compared as integers with
// per-allele limits. Counts and the stream's position come out exactly as
// DrawGenesStraightforward leaves them.
#pragma once

#include <cstdint>

#include "simd/cpu_features.h"
#include "state/state.h"

namespace gorvan {

// Reads ALL_POPS_AFREQ[pop][locus] and the stream; adds the genes to
// ALL_POPS_ACOUNT[pop][locus].
void DrawGenesFast(State& s, int pop, int locus, int32_t genes,
                   VectorCode code = FastestVectorCode());

}  // namespace gorvan
