// Wright-Fisher drift of the subpopulations and the drawing of samples.
#pragma once

#include <cstdint>
#include <functional>

#include "state/state.h"

namespace gorvan {

void COPY_BASEPOP_TO_ALL_POPS_AFREQ(State& s);
// One sampling pass: ALL_POPS_ACOUNT from ALL_POPS_AFREQ and
// NUMB_DIPLOIDS_TO_SAMPLE, one RANDOM draw per gene.
void SAMPLE_ALLELES(State& s);
// The same pass with a chosen way of drawing the genes of one population at
// one locus (see gene_drawing.h).
using GeneDrawer = std::function<void(State& s, int pop, int locus, int32_t genes)>;
void SampleAllelesWith(State& s, const GeneDrawer& draw_genes);
void CALCULATE_AFREQS(State& s);
// The whole drift of one run, with CALCULATE_FST after every generation.
void DRIFT_APART(State& s);

}  // namespace gorvan
