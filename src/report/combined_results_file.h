// SUMTEST.OUT: one line per accepted run with the sums over the tested loci
// and the two combined tests.
#pragma once

#include "report/output_file_names.h"
#include "state/state.h"
#include "stats/combined/combined.h"
#include "textio/field_writer.h"

namespace gorvan {

// Reads nothing; writes OUT10: SUMTEST.OUT created with its header.
void INITIALIZE_SUMTEST(State& s);

// Reads the per-run sums, RUN and the test switches; writes the run's line
// with its `combined` tests to OUT10.
void WRITE_TO_SUMTEST(State& s, const CombinedTests& combined);

// An empty line, then the ten column titles (always all of them).
void WriteSumtestHeader(FieldWriter& out);

// The run's line from RUN, the per-run sums and `combined`; the fields of a
// test that is off are blank.
void WriteSumtestLine(FieldWriter& out, const State& s, const CombinedTests& combined);

}  // namespace gorvan
