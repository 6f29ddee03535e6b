#include "stats/combined/combined.h"

#include <cmath>

#include "base/checked_math.h"
#include "stats/chisquare/tail/gammq.h"
#include "stats/chisquare/tail/pause.h"
#include "stats/table/locus_table.h"

namespace gorvan {

void TakeOverLocusResults(State& s) {
  if (s.RUN_CHI2 == 1) {
    s.CHI2 = s.CHISQ;
    s.CHI2_DF = static_cast<int32_t>(s.DF);
    s.CHI2_P = s.PROB;
  }
  if (s.RUN_FISHER == 1) {
    s.GEXACT_P = s.HM;
    s.SE = s.HECA;
  }
}
namespace {

// The alleles of locus J found in the pooled samples of the run, that is the
// columns of its contingency table. Counted from the samples themselves, so
// the count holds whichever tests are on and whatever the samples' sizes.
int32_t AllelesInPooledSamples(const State& s) {
  int32_t present = 0;
  for (int allele = 1; allele <= s.ALLELES_PER_LOCUS[s.J]; ++allele) {
    if (PooledCount(s, s.J, allele) > 0) present = CheckedAdd(present, 1);
  }
  return present;
}

}  // namespace

void CLEAR_SUM_P_CHI2_DF(State& s) {
  s.SUM_CHI2 = 0;
  s.SUM_CHI2_DF = 0;
  s.SUM_LN_GEXACT_P = 0;
  s.NUMB_NONFIXED_LOCI = 0;
  s.NUMB_ALLELES = 0;
}

void SUM_FOR_TOTAL_P(State& s) {
  if (s.RUN_CHI2 == 1) {
    s.SUM_CHI2 += s.CHI2;
    s.SUM_CHI2_DF = CheckedAdd(s.SUM_CHI2_DF, s.CHI2_DF);
  }
  if (s.RUN_FISHER == 1) {
    // A chain that never met a table as probable as the observed one
    // estimates P as 0. The replacement is kept in GEXACT_P itself; the
    // locus line, written before, shows the 0.
    if (s.GEXACT_P == 0) s.GEXACT_P = kFisherPForZero;
    s.SUM_LN_GEXACT_P += Extended{-2} * std::log(s.GEXACT_P);
  }
  s.NUMB_NONFIXED_LOCI = static_cast<int16_t>(CheckedAdd(s.NUMB_NONFIXED_LOCI, 1));
  s.NUMB_ALLELES += AllelesInPooledSamples(s);
  s.MEAN_ALLELES_PER_LOCUS = static_cast<double>(Extended{s.NUMB_ALLELES} / s.NUMB_NONFIXED_LOCI);
}

CombinedTests CombineTests(State& s) {
  ConsolePause pause(s.console);
  CombinedTests combined;
  if (s.RUN_CHI2 == 1) {
    combined.XCHI2 = GAMMQ(static_cast<Extended>(s.SUM_CHI2_DF) / 2, s.SUM_CHI2 / 2, pause);
  }
  combined.DF_EXACT = static_cast<int16_t>(CheckedMul(2, s.NUMB_NONFIXED_LOCI));
  if (s.RUN_FISHER == 1) {
    combined.XGEXACT =
        GAMMQ(static_cast<Extended>(combined.DF_EXACT) / 2, s.SUM_LN_GEXACT_P / 2, pause);
  }
  return combined;
}

}  // namespace gorvan
