#include "stats/fisher/fisher.h"

#include "base/program_stop.h"
#include "stats/fisher/fisher_chain_fast.h"

namespace gorvan {
namespace {

// The fast chain gives the straightforward one's results to the bit; a build
// with GORVAN_REFERENCE_LOOPS runs the straightforward one, so that the two
// can be compared on whole runs.
FisherResult RunChain(const FisherInput& input) {
#ifdef GORVAN_REFERENCE_LOOPS
  return RunFisherChain(input);
#else
  return RunFisherChainFast(input);
#endif
}

}  // namespace

void FISHER(State& s) {
  const FisherResult result = RunChain(READINFILE(s));
  s.HM = result.HM;
  s.HECA = result.HECA;
}

FisherResult FisherOnTable(const FisherInput& in, Console& console) {
  if (ReportUnusableTable(console, in)) throw ProgramStop{1};
  return RunChain(in);
}

}  // namespace gorvan
