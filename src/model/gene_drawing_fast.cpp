// The fast drawing of genes. The generator's words are taken as the
// straightforward draws would take them (ReadyNextWord, then word by word
// from MT.index on), but a whole run of them at once: regenerated and
// tempered in vector blocks, then sorted into alleles by the integer limits
// of GeneThresholds. The words, the index and RANDSEED end exactly where
// `genes` calls of RANDOM leave them, so the other users of the stream
// (the seeds of the Fisher test) see no difference.
#include "model/gene_drawing_fast.h"

#include <algorithm>

#include "model/gene_drawing.h"
#include "model/internal/gene_counting.h"
#include "model/internal/gene_thresholds.h"
#include "model/random_source.h"

namespace gorvan {
namespace {

// Up to this many alleles the genes are counted by comparing whole vectors
// of outputs with each limit; beyond it each output finds its allele through
// the guide. The comparisons cost one pass over the outputs per allele, so
// the wider AVX2 vectors pay off up to twice as many alleles (as measured
// with the sampling benchmark).
int MostAllelesToCompare(VectorCode code) { return code == VectorCode::kAvx2 ? 16 : 8; }

void RegeneratePortable(MersenneState& mt) { RegenerateMersenneWords(mt, VectorCode::kPortable); }
void RegenerateAvx2(MersenneState& mt) { RegenerateMersenneWords(mt, VectorCode::kAvx2); }

// Spends `count` outputs of the stream, handing them to `consume` in runs of
// at most 624, tempered.
template <typename Consume>
void TakeOutputs(State& s, int32_t count, VectorCode code, Consume consume) {
  const RegenerateWords regenerate =
      code == VectorCode::kAvx2 ? RegenerateAvx2 : RegeneratePortable;
  uint32_t tempered[kMersenneWords];
  while (count > 0) {
    ReadyNextWord(s, regenerate);
    const int run = static_cast<int>(std::min<int32_t>(count, kMersenneWords - s.MT.index));
    TemperMersenneWords(s.MT.words + s.MT.index, tempered, run, code);
    s.MT.index += run;
    count -= run;
    consume(tempered, run);
  }
}

// Genes per allele (1..alleles) and above every sum (alleles + 1).
void TallyGenes(State& s, const GeneThresholds& thresholds, int32_t genes, VectorCode code,
                AlleleTally& tally) {
  if (thresholds.alleles <= MostAllelesToCompare(code)) {
    AlleleTally at_or_below = {};
    TakeOutputs(s, genes, code, [&](const uint32_t* outputs, int run) {
      CountAtOrBelowLimits(outputs, run, thresholds, at_or_below, code);
    });
    for (int k = 1; k <= thresholds.alleles; ++k) tally[k] = at_or_below[k] - at_or_below[k - 1];
    tally[thresholds.alleles + 1] = genes - at_or_below[thresholds.alleles];
    return;
  }
  AlleleGuide guide;
  MakeAlleleGuide(thresholds, guide);
  TakeOutputs(s, genes, code, [&](const uint32_t* outputs, int run) {
    CountByGuide(outputs, run, thresholds, guide, tally);
  });
}

// The counts are 16-bit and wrap as the straightforward code's one-by-one
// increments wrap: adding a whole tally modulo 2^16 comes to the same.
void AddCount(int16_t& count, int32_t genes) {
  count = static_cast<int16_t>(static_cast<int32_t>(count) + genes);
}

}  // namespace

void DrawGenesFast(State& s, int pop, int locus, int32_t genes, VectorCode code) {
  if (genes <= 0) return;
  const int alleles = s.ALLELES_PER_LOCUS[locus];
  if (alleles == 0) {
    // Nowhere to put the genes; the draws are still spent.
    TakeOutputs(s, genes, code, [](const uint32_t*, int) {});
    return;
  }
  GeneThresholds thresholds;
  if (!MakeGeneThresholds(s.ALL_POPS_AFREQ[pop][locus], alleles, thresholds)) {
    DrawGenesStraightforward(s, pop, locus, genes);
    return;
  }
  AlleleTally tally = {};
  TallyGenes(s, thresholds, genes, code, tally);
  int16_t(&count)[kMaxAlleles + 1] = s.ALL_POPS_ACOUNT[pop][locus];
  for (int k = 1; k <= alleles; ++k) AddCount(count[k], tally[k]);
  AddCount(count[thresholds.beyond], tally[alleles + 1]);
}

}  // namespace gorvan
