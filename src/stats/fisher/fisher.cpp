#include "stats/fisher/fisher.h"

#include "stats/fisher/fisher_chain.h"
#include "stats/fisher/fisher_chain_fast.h"
#include "stats/fisher/fisher_input.h"

namespace gorvan {

void FISHER(State& s) {
  const FisherInput input = READINFILE(s);
  // The fast chain gives the straightforward one's results to the bit; a
  // build with GORVAN_REFERENCE_LOOPS runs the straightforward one, so that
  // the two can be compared on whole runs.
#ifdef GORVAN_REFERENCE_LOOPS
  const FisherResult result = RunFisherChain(input);
#else
  const FisherResult result = RunFisherChainFast(input);
#endif
  s.HM = result.HM;
  s.HECA = result.HECA;
}

}  // namespace gorvan
