// The layout of SUMTEST.OUT: one line per accepted run with the sums over the
// tested loci and the two combined tests.
#pragma once

#include <cstdint>

#include "driver/state.h"
#include "textio/extended.h"
#include "textio/field_writer.h"

namespace gorvan {

// The combined tests of one run. A P of a test that is off is 0.
struct CombinedTests {
  Extended XCHI2 = 0;    // P of the summed chi-square
  int16_t DF_EXACT = 0;  // degrees of freedom of Fisher's combination
  Extended XGEXACT = 0;  // P of Fisher's combination
};

// An empty line, then the ten column titles (always all of them).
void WriteSumtestHeader(FieldWriter& out);

// The run's line from RUN, the per-run sums and `combined`; the fields of a
// test that is off are blank.
void WriteSumtestLine(FieldWriter& out, const State& s, const CombinedTests& combined);

}  // namespace gorvan
