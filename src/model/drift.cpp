// Wright-Fisher drift: each generation's genes are drawn one by one, with
// replacement, from the current frequencies; the samples are drawn the same
// way from the last generation.
#include "model/drift.h"

#include <algorithm>

#include "base/checked_math.h"
#include "model/fst.h"
#include "model/gene_drawing.h"
#include "model/gene_drawing_fast.h"
#include "model/random_source.h"

namespace gorvan {
namespace {

// The whole array, not only the populations, loci and alleles in use, so
// that nothing of an earlier pass with more of them survives.
void ClearAllCounts(State& s) {
  int16_t* first = &s.ALL_POPS_ACOUNT[0][0][0];
  std::fill(first, first + sizeof s.ALL_POPS_ACOUNT / sizeof(int16_t), int16_t{0});
}

// Leaves the frequencies as they are when nothing was counted, rather than
// dividing by 0.
void CountsToFrequencies(State& s, int pop, int locus) {
  const int alleles = s.ALLELES_PER_LOCUS[locus];
  const int16_t(&count)[kMaxAlleles + 1] = s.ALL_POPS_ACOUNT[pop][locus];
  int32_t total = 0;  // SUMN
  for (int a = 1; a <= alleles; ++a) total = CheckedAdd(total, count[a]);
  if (total == 0) return;
  double(&frequency)[kMaxAlleles + 1] = s.ALL_POPS_AFREQ[pop][locus];
  for (int a = 1; a <= alleles; ++a) {
    frequency[a] = static_cast<double>(static_cast<Extended>(count[a]) / total);
  }
}

}  // namespace

void COPY_BASEPOP_TO_ALL_POPS_AFREQ(State& s) {
  const int pops = s.NUMBPOPS;
  const int loci = s.NUMBLOCI;
  for (int p = 1; p <= pops; ++p) {
    for (int l = 1; l <= loci; ++l) {
      const int alleles = s.ALLELES_PER_LOCUS[l];
      for (int a = 1; a <= alleles; ++a) s.ALL_POPS_AFREQ[p][l][a] = s.BASEPOP[l][a];
    }
  }
}

void SAMPLE_ALLELES(State& s) {
  // The fast drawing gives the straightforward one's counts and leaves the
  // stream where it would; a build with GORVAN_REFERENCE_LOOPS draws gene by
  // gene, so that the two can be compared on whole runs.
#ifdef GORVAN_REFERENCE_LOOPS
  SampleAllelesWith(s, DrawGenesStraightforward);
#else
  SampleAllelesWith(s, [](State& state, int pop, int locus, int32_t genes) {
    DrawGenesFast(state, pop, locus, genes);
  });
#endif
}

void SampleAllelesWith(State& s, const GeneDrawer& draw_genes) {
  ClearAllCounts(s);
  const int pops = s.NUMBPOPS;
  const int loci = s.NUMBLOCI;
  for (int p = 1; p <= pops; ++p) {
    // Two genes per diploid; none for a size of 0 or less.
    const int32_t genes = CheckedMul(2, s.NUMB_DIPLOIDS_TO_SAMPLE[p]);
    for (int l = 1; l <= loci; ++l) draw_genes(s, p, l, genes);
  }
}

void CALCULATE_AFREQS(State& s) {
  const int pops = s.NUMBPOPS;
  const int loci = s.NUMBLOCI;
  for (int p = 1; p <= pops; ++p) {
    for (int l = 1; l <= loci; ++l) CountsToFrequencies(s, p, l);
  }
}

void DRIFT_APART(State& s) {
  COPY_BASEPOP_TO_ALL_POPS_AFREQ(s);
  CALCULATE_FST(s);
  // Without generations T keeps its value and the samples come straight from
  // the base frequencies.
  if (s.STOP_T <= 0) return;
  s.T = 0;
  while (s.T != s.STOP_T) {
    SAMPLE_ALLELES(s);
    CALCULATE_AFREQS(s);
    CALCULATE_FST(s);
    s.T = static_cast<int16_t>(CheckedAdd(s.T, 1));
  }
}

}  // namespace gorvan
