// Running the built program on a design and reading back what the
// validation looks at.
#pragma once

#include <string>

#include "output_files.h"
#include "parameter_file.h"

namespace gorvan::validation {

struct DesignOutcome {
  bool completed = false;  // exit code 0; a test failure is recorded otherwise
  e2e::MainReport report;
  std::string fst_out;      // FST.OUT, when the design keeps its detail files
  std::string sumtest_out;  // SUMTEST.OUT, likewise
};

DesignOutcome RunDesign(const e2e::Design& design, int seed);

// The Fisher chain of the validation designs. In the test suite it is shorter,
// with fewer batches, but still counts twenty thousand steps: with far fewer
// the estimated P of a locus in the tail is often 0, which makes the
// combined exact test reject too often (see the type I error tests).
void UseValidationChain(e2e::Design& design);

// The all-runs row of the power table.
const e2e::PowerRow* AllRunsRow(const e2e::MainReport& report);

// Expected Fst after t generations at effective size ne: 1 - (1 - 1/(2 ne))^t.
double ExpectedFst(int ne, int t);

}  // namespace gorvan::validation
