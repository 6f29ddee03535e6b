// The base population's allele frequencies, one line per locus, as they head
// GORVAN.OUT, SUBPOPS.OUT and SAMPLES.OUT.
#pragma once

#include "state/state.h"
#include "textio/field_writer.h"

namespace gorvan {

// For every locus: "  Locus ", its number in width 2, ":", then each allele's
// frequency in width 7 with 3 decimals.
void WriteBaseFrequencyLines(FieldWriter& out, const State& s);

}  // namespace gorvan
