// Draws per second of one sampling pass: 10 populations x 10 loci x 2000
// genes, with 2 and with 50 equally frequent alleles per locus (the search
// for the allele grows with their number).
#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>

#include "driver/state.h"
#include "model/drift.h"
#include "model/random_source.h"

namespace gorvan {
namespace {

constexpr int kPops = 10;
constexpr int kLoci = 10;
constexpr int kDiploids = 1000;  // 2000 genes per population and locus

void BM_SampleAlleles(benchmark::State& bench) {
  const int alleles = static_cast<int>(bench.range(0));
  std::ostringstream console_out;
  std::istringstream console_in;
  Console console(console_out, console_in, false);
  auto s = std::make_unique<State>(console);
  s->NUMBPOPS = kPops;
  s->NUMBLOCI = kLoci;
  for (int l = 1; l <= kLoci; ++l) {
    s->ALLELES_PER_LOCUS[l] = static_cast<int16_t>(alleles);
    for (int a = 1; a <= alleles; ++a) s->BASEPOP[l][a] = 1.0 / alleles;
  }
  for (int p = 1; p <= kPops; ++p) s->NUMB_DIPLOIDS_TO_SAMPLE[p] = kDiploids;
  COPY_BASEPOP_TO_ALL_POPS_AFREQ(*s);
  RANDOMIZE(*s, 12345);

  for (auto _ : bench) {
    SAMPLE_ALLELES(*s);
    benchmark::DoNotOptimize(s->ALL_POPS_ACOUNT);
  }
  const int64_t draws_per_pass = int64_t{kPops} * kLoci * 2 * kDiploids;
  bench.SetItemsProcessed(bench.iterations() * draws_per_pass);
}
BENCHMARK(BM_SampleAlleles)->Arg(2)->Arg(50)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace gorvan
