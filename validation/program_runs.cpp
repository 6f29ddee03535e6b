#include "program_runs.h"

#include <cmath>

#include <gtest/gtest.h>

#include "harness.h"
#include "validation_scale.h"

namespace gorvan::validation {

DesignOutcome RunDesign(const e2e::Design& design, int seed) {
  DesignOutcome outcome;
  e2e::ScratchDir dir;
  dir.Write("GORVAN.IN", design.ToText());
  const e2e::RunResult result = e2e::RunGorvan(dir.path(), {"--seed", std::to_string(seed)});
  if (result.exit_code != 0) {
    ADD_FAILURE() << "gorvan exited with " << result.exit_code << "\n" << result.output;
    return outcome;
  }
  outcome.completed = true;
  outcome.report =
      e2e::ParseGorvanOut(dir.Read("GORVAN.OUT"), design.run_chi2 == 1, design.run_fisher == 1);
  if (dir.Exists("FST.OUT")) outcome.fst_out = dir.Read("FST.OUT");
  if (dir.Exists("SUMTEST.OUT")) outcome.sumtest_out = dir.Read("SUMTEST.OUT");
  return outcome;
}

const e2e::PowerRow* AllRunsRow(const e2e::MainReport& report) {
  for (const e2e::PowerRow& row : report.rows) {
    if (row.loci == "Tot") return &row;
  }
  ADD_FAILURE() << "the power table has no all-runs row";
  return nullptr;
}

double ExpectedFst(int ne, int t) { return 1 - std::pow(1 - 1.0 / (2.0 * ne), t); }

void UseValidationChain(e2e::Design& design) {
  const bool long_chain = LongValidation();
  design.iter1 = long_chain ? 1000 : 100;
  design.iter2 = long_chain ? 100 : 20;
  design.iter3 = 1000;
}

}  // namespace gorvan::validation
