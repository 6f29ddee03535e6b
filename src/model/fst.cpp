// Gene diversity within and among subpopulations, from the true
// subpopulation frequencies (never the samples), and F'st. Every sum runs in
// a fixed order in extended precision, which fixes its rounding.
#include "model/fst.h"

namespace gorvan {
namespace {

Extended Square(double frequency) {
  const Extended x = frequency;
  return x * x;
}

// Mean over the loci of 1 - sum of squared frequencies, for each population.
void WithinPopulationDiversity(State& s, int pops, int loci) {
  for (int i = 1; i <= pops; ++i) {
    Extended x = 0;
    for (int l = 1; l <= loci; ++l) {
      const int alleles = s.ALLELES_PER_LOCUS[l];
      for (int a = 1; a <= alleles; ++a) x += Square(s.ALL_POPS_AFREQ[i][l][a]);
    }
    s.HS_PER_POP[i] = (loci - x) / loci;
  }
  Extended sum = 0;
  for (int i = 1; i <= pops; ++i) sum += s.HS_PER_POP[i];
  s.HS = sum / pops;
}

// Mean over the loci of 1 - sum of squared mean frequencies.
void TotalDiversity(State& s, int pops, int loci) {
  Extended x = 0;
  for (int l = 1; l <= loci; ++l) {
    const int alleles = s.ALLELES_PER_LOCUS[l];
    for (int a = 1; a <= alleles; ++a) {
      Extended y = 0;
      for (int i = 1; i <= pops; ++i) y += s.ALL_POPS_AFREQ[i][l][a];
      y = y / pops;
      x += y * y;
    }
  }
  s.HT = (loci - x) / loci;
}

// The diversity between populations corrected for their number, relative
// to the total. With one population there is nothing between populations
// (and the correction would divide by 0); with HT at 0 every locus is fixed
// for one allele everywhere.
Extended FstPrime(Extended ht, Extended hs, int pops) {
  if (pops < 2 || !(ht > 0)) return 0;
  const Extended dprime = (ht - hs) * pops / (pops - 1);
  const Extended fst = dprime / (hs + dprime);
  // HT and HS nearly equal can round to a small negative value.
  return fst < 0 ? 0 : fst;
}

}  // namespace

void CALCULATE_FST(State& s) {
  const int pops = s.NUMBPOPS;
  const int loci = s.NUMBLOCI;
  if (pops < 1 || loci < 1) {
    // No diversity to average: every result is 0 rather than 0 / 0.
    for (int i = 1; i <= pops; ++i) s.HS_PER_POP[i] = 0;
    s.HS = s.HT = s.FSTPRIME = 0;
    return;
  }
  WithinPopulationDiversity(s, pops, loci);
  TotalDiversity(s, pops, loci);
  s.FSTPRIME = FstPrime(s.HT, s.HS, pops);
}

}  // namespace gorvan
