#include "state/state.h"

#include <algorithm>
#include <iterator>

namespace gorvan {

void INITIALIZE_ARRAYS(State& s) {
  std::fill(&s.BASEPOP[0][0], &s.BASEPOP[0][0] + sizeof s.BASEPOP / sizeof(double), 0.0);
  std::fill(&s.ALL_POPS_ACOUNT[0][0][0],
            &s.ALL_POPS_ACOUNT[0][0][0] + sizeof s.ALL_POPS_ACOUNT / sizeof(int16_t), int16_t{0});
  std::fill(&s.ALL_POPS_AFREQ[0][0][0],
            &s.ALL_POPS_AFREQ[0][0][0] + sizeof s.ALL_POPS_AFREQ / sizeof(double), 0.0);
  std::fill(std::begin(s.ALLELES_PER_LOCUS), std::end(s.ALLELES_PER_LOCUS), int16_t{0});
  s.NUMBR1 = s.R1CHI2 = s.R1GEXACT = 0;
  s.NUMBR2 = s.R2CHI2 = s.R2GEXACT = 0;
  s.NUMBR3 = s.R3CHI2 = s.R3GEXACT = 0;
  s.NUMBTOT = s.TOTCHI2 = s.TOTGEXACT = 0;
}

}  // namespace gorvan
