#include "model/gene_drawing.h"

#include "base/checked_math.h"
#include "model/gene_assignment.h"
#include "model/random_source.h"

namespace gorvan {

void DrawGenesStraightforward(State& s, int pop, int locus, int32_t genes) {
  const double(&frequency)[kMaxAlleles + 1] = s.ALL_POPS_AFREQ[pop][locus];
  int16_t(&count)[kMaxAlleles + 1] = s.ALL_POPS_ACOUNT[pop][locus];
  const int alleles = s.ALLELES_PER_LOCUS[locus];
  for (int32_t gene = 0; gene < genes; ++gene) {
    const int allele = AssignGene(frequency, alleles, RANDOM(s));
    // A locus without alleles has nowhere to put the gene; the draw is still
    // spent so that the stream stays in step.
    if (allele > 0) count[allele] = static_cast<int16_t>(CheckedAdd(count[allele], 1));
  }
}

}  // namespace gorvan
