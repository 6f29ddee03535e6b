#include "tests/fisher.h"

#include "tests/fisher_chain.h"
#include "tests/fisher_input.h"

namespace gorvan {

void FISHER(State& s) {
  const FisherInput input = READINFILE(s);
  const FisherResult result = RunFisherChain(input);
  s.HM = result.HM;
  s.HECA = result.HECA;
}

}  // namespace gorvan
