// The tests of one locus on its table in memory, without the scratch file:
// what TEST_LOCUS_X does after writing CONTTAB.XYZ, made by the same
// chi-square and Fisher code, so that any thread can run it.
#pragma once

#include "base/extended.h"
#include "stats/table/locus_table.h"
#include "textio/console.h"

namespace gorvan {

// What the tests leave for the locus line and the sums. The values of a test
// that is off are 0 and not used.
struct LocusTestResult {
  Extended CHISQ = 0, DF = 0, PROB = 0;  // the chi-square test
  Extended HM = 0, HECA = 0;             // the Fisher test
};

// The chi-square test (when `run_chi2`), then the Fisher test (when
// `run_fisher`), with the results, console lines, pauses and stops they have
// on the table file. Touches nothing but its arguments.
LocusTestResult TestLocusTable(const LocusTable& table, bool run_chi2, bool run_fisher,
                               Console& console);

}  // namespace gorvan
