// What a tested locus costs the Fisher chain, fixed costs included: the
// generator's seeding, the logarithm table's set-up and the chain itself, on
// many small loci (bench/small_loci.h), each with its own seeds. Chain
// lengths (the argument): 0 is the shortest chain the checks allow, 2 steps,
// so nearly all of it is fixed cost; 1 a short chain of 100/10/100
// (1,100 steps); 2 the usual 1000/100/1000 (101,000 steps).
//
// It uses only the chain's entry point and the table, so the same file
// builds on earlier versions of the program (with their include paths), for
// a before-and-after comparison.
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "small_loci.h"
#include "stats/fisher/fisher_chain_fast.h"
#include "stats/fisher/fisher_input.h"

namespace gorvan {
namespace {

struct ChainLengths {
  int32_t MEM, B, C;
};
constexpr ChainLengths kLengths[] = {{0, 2, 1}, {100, 10, 100}, {1000, 100, 1000}};

void BM_FisherChainPerLocus(benchmark::State& state) {
  const ChainLengths lengths = kLengths[state.range(0)];
  const std::vector<FisherInput> loci = SmallLoci(256, lengths.MEM, lengths.B, lengths.C);
  size_t next = 0;
  for (auto _ : state) {
    FisherResult result = RunFisherChainFast(loci[next]);
    benchmark::DoNotOptimize(result);
    next = (next + 1) % loci.size();
  }
  // One locus per iteration: the time column is the time per locus.
  state.counters["loci_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.SetLabel("chain " + std::to_string(lengths.MEM) + "/" + std::to_string(lengths.B) + "/" +
                 std::to_string(lengths.C));
}
BENCHMARK(BM_FisherChainPerLocus)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace gorvan
