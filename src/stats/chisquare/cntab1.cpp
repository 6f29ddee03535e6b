// Pearson's chi-square of a contingency table, its degrees of freedom and its
// P value. Rows and columns whose total is 0 take part in the sums but not in
// the degrees of freedom.
#include "stats/chisquare/cntab1.h"

#include <string>

#include "base/checked_math.h"
#include "base/internal_check.h"
#include "stats/chisquare/tail/gammq.h"

namespace gorvan {
namespace {

// Keeps the expected count of an empty row or column from giving 0/0.
constexpr Extended TINY = 1.0E-30L;

struct Margins {
  Extended SUMI[kMaxPops + 1] = {};
  Extended SUMJ[kMaxAlleles + 1] = {};
  Extended SUM = 0;
  int32_t NNI = 0;  // rows with a non-zero total
  int32_t NNJ = 0;  // columns with a non-zero total
};

Margins TableMargins(const int32_t (&NN)[kMaxPops + 1][kMaxAlleles + 1], int32_t NI, int32_t NJ) {
  Margins m;
  m.NNI = NI;
  m.NNJ = NJ;
  for (int32_t I = 1; I <= NI; ++I) {
    for (int32_t J = 1; J <= NJ; ++J) {
      m.SUMI[I] = m.SUMI[I] + NN[I][J];
      m.SUM = m.SUM + NN[I][J];
    }
    if (m.SUMI[I] == 0) m.NNI = CheckedSub(m.NNI, 1);
  }
  for (int32_t J = 1; J <= NJ; ++J) {
    for (int32_t I = 1; I <= NI; ++I) m.SUMJ[J] = m.SUMJ[J] + NN[I][J];
    if (m.SUMJ[J] == 0) m.NNJ = CheckedSub(m.NNJ, 1);
  }
  return m;
}

// Sum over every cell, rows outer, of (observed - expected)^2 / expected.
Extended PearsonStatistic(const int32_t (&NN)[kMaxPops + 1][kMaxAlleles + 1], int32_t NI,
                          int32_t NJ, const Margins& m) {
  Extended CHISQ = 0;
  for (int32_t I = 1; I <= NI; ++I) {
    for (int32_t J = 1; J <= NJ; ++J) {
      const Extended EXPCTD = m.SUMJ[J] * m.SUMI[I] / m.SUM;
      const Extended difference = NN[I][J] - EXPCTD;
      CHISQ = CHISQ + difference * difference / (EXPCTD + TINY);
    }
  }
  return CHISQ;
}

}  // namespace

void CNTAB1(const int32_t (&NN)[kMaxPops + 1][kMaxAlleles + 1], int32_t NI, int32_t NJ,
            Extended& CHISQ, Extended& DF, Extended& PROB, Pause& pause) {
  if (NI < 0 || NI > kMaxPops || NJ < 0 || NJ > kMaxAlleles) {
    InternalFault("CNTAB1: a " + std::to_string(NI) + " x " + std::to_string(NJ) +
                  " table does not fit the table array");
  }
  const Margins m = TableMargins(NN, NI, NJ);
  if (m.SUM == 0) {
    // An empty table has no expected counts and no evidence against
    // homogeneity: nothing is computed, and there is nothing to pause on.
    CHISQ = 0;
    DF = 0;
    PROB = 1;
    return;
  }
  // (NNI - 1) x (NNJ - 1), multiplied out.
  DF = CheckedAdd(CheckedSub(CheckedSub(CheckedMul(m.NNI, m.NNJ), m.NNI), m.NNJ), 1);
  CHISQ = PearsonStatistic(NN, NI, NJ, m);
  PROB = GAMMQ(0.5L * DF, 0.5L * CHISQ, pause);
}

}  // namespace gorvan
