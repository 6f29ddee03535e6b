// Wright-Fisher drift of the subpopulations and the drawing of samples.
#pragma once

#include <cstdint>
#include <functional>

#include "state/state.h"

namespace gorvan {

// Reads BASEPOP; writes ALL_POPS_AFREQ of every population in use.
void COPY_BASEPOP_TO_ALL_POPS_AFREQ(State& s);
// One sampling pass, one RANDOM draw per gene. Reads ALL_POPS_AFREQ and
// NUMB_DIPLOIDS_TO_SAMPLE; writes ALL_POPS_ACOUNT and the stream.
void SAMPLE_ALLELES(State& s);
// The same pass with a chosen way of drawing the genes of one population at
// one locus (see gene_drawing.h).
using GeneDrawer = std::function<void(State& s, int pop, int locus, int32_t genes)>;
void SampleAllelesWith(State& s, const GeneDrawer& draw_genes);
// Reads ALL_POPS_ACOUNT and NUMB_DIPLOIDS_TO_SAMPLE; writes ALL_POPS_AFREQ.
void CALCULATE_AFREQS(State& s);
// The whole drift of one run, with CALCULATE_FST after the copy and after
// every generation. Reads BASEPOP, DRIFT_SIZE and STOP_T; writes T,
// ALL_POPS_AFREQ, ALL_POPS_ACOUNT, HS_PER_POP, HS, HT, FSTPRIME and the
// stream.
void DRIFT_APART(State& s);

}  // namespace gorvan
