// Placeholder until this module is built.
#include "model/drift.h"

namespace gorvan {

void COPY_BASEPOP_TO_ALL_POPS_AFREQ(State&) {}
void SAMPLE_ALLELES(State&) {}
void CALCULATE_AFREQS(State&) {}
void DRIFT_APART(State&) {}

}  // namespace gorvan
