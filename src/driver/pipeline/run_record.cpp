#include "driver/pipeline/run_record.h"

#include <algorithm>

namespace gorvan {
namespace {

// Calls visit(population, locus, allele) for every cell a run uses, in one
// fixed order.
template <typename Visit>
void ForEachUsedCell(const State& s, Visit visit) {
  for (int pop = 1; pop <= s.NUMBPOPS; ++pop) {
    for (int locus = 1; locus <= s.NUMBLOCI; ++locus) {
      for (int allele = 1; allele <= s.ALLELES_PER_LOCUS[locus]; ++allele) {
        visit(pop, locus, allele);
      }
    }
  }
}

template <typename T, size_t N>
void CopyArray(const T (&from)[N], T (&to)[N]) {
  std::copy(std::begin(from), std::end(from), std::begin(to));
}

}  // namespace

void SaveRunSnapshot(const State& s, RunSnapshot& snapshot) {
  snapshot.RUN = s.RUN;
  snapshot.T = s.T;
  snapshot.HT = s.HT;
  snapshot.HS = s.HS;
  snapshot.FSTPRIME = s.FSTPRIME;
  CopyArray(s.FIXED_LOCUS, snapshot.FIXED_LOCUS);
  snapshot.NUMB_NONFIXED_LOCI = s.NUMB_NONFIXED_LOCI;
  snapshot.frequencies.clear();
  snapshot.counts.clear();
  ForEachUsedCell(s, [&](int pop, int locus, int allele) {
    snapshot.frequencies.push_back(s.ALL_POPS_AFREQ[pop][locus][allele]);
    snapshot.counts.push_back(s.ALL_POPS_ACOUNT[pop][locus][allele]);
  });
}

void RestoreRunSnapshot(const RunSnapshot& snapshot, State& s) {
  s.RUN = snapshot.RUN;
  s.T = snapshot.T;
  s.HT = snapshot.HT;
  s.HS = snapshot.HS;
  s.FSTPRIME = snapshot.FSTPRIME;
  CopyArray(snapshot.FIXED_LOCUS, s.FIXED_LOCUS);
  s.NUMB_NONFIXED_LOCI = snapshot.NUMB_NONFIXED_LOCI;
  size_t next = 0;
  ForEachUsedCell(s, [&](int pop, int locus, int allele) {
    s.ALL_POPS_AFREQ[pop][locus][allele] = snapshot.frequencies[next];
    s.ALL_POPS_ACOUNT[pop][locus][allele] = snapshot.counts[next];
    ++next;
  });
}

void CopyParametersAndStream(const State& from, State& to) {
  to.COMMENT1 = from.COMMENT1;
  to.COMMENT2 = from.COMMENT2;
  to.ITER1 = from.ITER1;
  to.ITER2 = from.ITER2;
  to.ITER3 = from.ITER3;
  to.RUN_CHI2 = from.RUN_CHI2;
  to.RUN_FISHER = from.RUN_FISHER;
  to.ERASE_DETAILED_OUTPUT = from.ERASE_DETAILED_OUTPUT;
  to.NUMBLOCI = from.NUMBLOCI;
  to.NUMBPOPS = from.NUMBPOPS;
  to.DRIFT_SIZE = from.DRIFT_SIZE;
  to.STOP_T = from.STOP_T;
  CopyArray(from.SAMPLESIZE, to.SAMPLESIZE);
  to.STOP_RUNS = from.STOP_RUNS;
  CopyArray(from.ALLELES_PER_LOCUS, to.ALLELES_PER_LOCUS);
  for (int locus = 0; locus <= kMaxLoci; ++locus) CopyArray(from.BASEPOP[locus], to.BASEPOP[locus]);
  to.STARTNUMBALLELES = from.STARTNUMBALLELES;
  to.RUN = from.RUN;
  to.T = from.T;
  to.RANDSEED = from.RANDSEED;
  to.OLDRANDSEED = from.OLDRANDSEED;
  to.MT = from.MT;
}

}  // namespace gorvan
