// Drawing the genes of one population at one locus: one RANDOM draw per gene,
// in gene order, each counted in ALL_POPS_ACOUNT for the allele it goes to.
// Two ways give the same counts and leave the stream in the same place: the
// straightforward one, draw by draw, and the fast one, which takes the
// generator's words in blocks and compares them as integers.
#pragma once

#include <cstdint>

#include "driver/state.h"
#include "model/mersenne_block.h"

namespace gorvan {

void DrawGenesStraightforward(State& s, int pop, int locus, int32_t genes);

void DrawGenesFast(State& s, int pop, int locus, int32_t genes,
                   VectorCode code = FastestVectorCode());

}  // namespace gorvan
