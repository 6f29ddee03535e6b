// Draws per second of one sampling pass: 10 populations x 10 loci x 2000
// genes, with 2, 12 and 50 equally frequent alleles per locus (the search
// for the allele grows with their number).
#include <cstring>
#include <memory>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>

#include "model/drift.h"
#include "model/gene_drawing.h"
#include "model/gene_drawing_fast.h"
#include "model/random_source.h"
#include "side_by_side.h"
#include "state/state.h"
#include "testing/test_state.h"

namespace gorvan {
namespace {

constexpr int kPops = 10;
constexpr int kLoci = 10;
constexpr int kDiploids = 1000;  // 2000 genes per population and locus
constexpr int64_t kDrawsPerPass = int64_t{kPops} * kLoci * 2 * kDiploids;

struct SamplingModel : TestState {
  explicit SamplingModel(int alleles) {
    s->NUMBPOPS = kPops;
    s->NUMBLOCI = kLoci;
    for (int l = 1; l <= kLoci; ++l) {
      s->ALLELES_PER_LOCUS[l] = static_cast<int16_t>(alleles);
      for (int a = 1; a <= alleles; ++a) s->BASEPOP[l][a] = 1.0 / alleles;
    }
    for (int p = 1; p <= kPops; ++p) s->NUMB_DIPLOIDS_TO_SAMPLE[p] = kDiploids;
    COPY_BASEPOP_TO_ALL_POPS_AFREQ(*s);
    RANDOMIZE(*s, 12345);
  }
};

// The pass as the program runs it (fast, unless built with reference loops).
void BM_SampleAlleles(benchmark::State& bench) {
  SamplingModel model(static_cast<int>(bench.range(0)));
  for (auto _ : bench) {
    SAMPLE_ALLELES(*model.s);
    benchmark::DoNotOptimize(model.s->ALL_POPS_ACOUNT);
  }
  bench.SetItemsProcessed(bench.iterations() * kDrawsPerPass);
}
BENCHMARK(BM_SampleAlleles)->Arg(2)->Arg(12)->Arg(50)->Unit(benchmark::kMillisecond);

bool SameCountsAndStream(const State& a, const State& b) {
  return std::memcmp(a.ALL_POPS_ACOUNT, b.ALL_POPS_ACOUNT, sizeof a.ALL_POPS_ACOUNT) == 0 &&
         std::memcmp(a.MT.words, b.MT.words, sizeof a.MT.words) == 0 && a.MT.index == b.MT.index;
}

// Both drawings in turn, each on its own copy of the model with the same
// seed, so that a change of load on the machine hits both alike; after every
// pass their counts and generator states must agree. Arguments: alleles per
// locus, and the vector code (0: AVX2 where the processor has it,
// 1: portable).
void BM_SampleAllelesSideBySide(benchmark::State& bench) {
  const int alleles = static_cast<int>(bench.range(0));
  const VectorCode code = bench.range(1) == 1 ? VectorCode::kPortable : FastestVectorCode();
  SamplingModel straightforward(alleles);
  SamplingModel fast(alleles);
  double straightforward_seconds = 0;
  double fast_seconds = 0;
  for (auto _ : bench) {
    double start = ThreadSeconds();
    SampleAllelesWith(*straightforward.s, DrawGenesStraightforward);
    straightforward_seconds += ThreadSeconds() - start;
    start = ThreadSeconds();
    SampleAllelesWith(*fast.s, [code](State& s, int pop, int locus, int32_t genes) {
      DrawGenesFast(s, pop, locus, genes, code);
    });
    fast_seconds += ThreadSeconds() - start;
    if (!SameCountsAndStream(*straightforward.s, *fast.s)) {
      bench.SkipWithError("the counts or the generator states differ");
      return;
    }
  }
  const double draws = static_cast<double>(kDrawsPerPass * bench.iterations());
  ReportSideBySide(bench, "draws", draws, straightforward_seconds, fast_seconds);
  bench.SetLabel(std::to_string(alleles) + " alleles" +
                 (code == VectorCode::kAvx2 ? " avx2" : " portable"));
}
BENCHMARK(BM_SampleAllelesSideBySide)
    ->ArgsProduct({{2, 50}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace gorvan
