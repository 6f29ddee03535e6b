#include "stats/combined/significance_tallies.h"

#include "base/checked_math.h"

namespace gorvan {
namespace {

bool IsSignificant(Extended p) { return p < kSignificanceLevel; }

void CountRunInClass(int32_t& runs, int32_t& chi2_significant, int32_t& fisher_significant,
                     Extended XCHI2, Extended XGEXACT) {
  runs = CheckedAdd(runs, 1);
  if (IsSignificant(XCHI2)) chi2_significant = CheckedAdd(chi2_significant, 1);
  if (IsSignificant(XGEXACT)) fisher_significant = CheckedAdd(fisher_significant, 1);
}

}  // namespace

void TallySignificance(State& s, Extended XCHI2, Extended XGEXACT) {
  CountRunInClass(s.NUMBTOT, s.TOTCHI2, s.TOTGEXACT, XCHI2, XGEXACT);
  const bool every_locus_tested = s.NUMB_NONFIXED_LOCI == s.NUMBLOCI;
  const bool no_allele_lost = s.NUMB_ALLELES == s.STARTNUMBALLELES;
  if (every_locus_tested && no_allele_lost) {
    CountRunInClass(s.NUMBR1, s.R1CHI2, s.R1GEXACT, XCHI2, XGEXACT);
  }
  if (every_locus_tested) CountRunInClass(s.NUMBR2, s.R2CHI2, s.R2GEXACT, XCHI2, XGEXACT);
  if (s.NUMB_NONFIXED_LOCI < s.NUMBLOCI) {
    CountRunInClass(s.NUMBR3, s.R3CHI2, s.R3GEXACT, XCHI2, XGEXACT);
  }
}

}  // namespace gorvan
