// Steps per second of the Fisher chain: the straightforward chain (the
// baseline), the fast chain, and both side by side with their ratio.
#include <string>

#include <benchmark/benchmark.h>

#include "side_by_side.h"
#include "stats/fisher/fisher_chain.h"
#include "stats/fisher/fisher_chain_fast.h"
#include "stats/fisher/fisher_input.h"
#include "stats/fisher/internal/universal_rng_block.h"

namespace gorvan {
namespace {

// A fixed 10 x 10 table, each row a sample of 100 genes drawn once at random
// with unequal allele frequencies.
constexpr int32_t kTenByTen[10][10] = {
    {5, 11, 9, 16, 14, 6, 11, 9, 9, 10},  {17, 15, 15, 7, 8, 1, 7, 16, 8, 6},
    {15, 20, 10, 6, 14, 3, 12, 3, 13, 4}, {10, 21, 14, 11, 9, 10, 8, 9, 4, 4},
    {11, 24, 12, 7, 15, 5, 7, 7, 7, 5},   {12, 25, 9, 8, 9, 3, 7, 7, 9, 11},
    {9, 29, 4, 7, 9, 2, 15, 11, 10, 4},   {9, 21, 10, 9, 7, 4, 10, 6, 14, 10},
    {14, 23, 11, 9, 2, 3, 9, 10, 8, 11},  {13, 19, 7, 12, 6, 7, 8, 11, 10, 7},
};

// A table like the shipped example's: four samples of 60 genes, three
// alleles.
constexpr int32_t kFourByThree[4][3] = {{14, 19, 27}, {9, 22, 29}, {12, 15, 33}, {16, 20, 24}};

FisherInput TenByTenInput() {
  FisherInput in;
  in.N = 10;
  in.M = 10;
  in.UU1 = 17;
  in.UU2 = 92;
  in.UU3 = 140;
  in.UU4 = 5;
  in.MEM = 1000;
  in.B = 100;
  in.C = 1000;
  for (int row = 1; row <= 10; ++row) {
    for (int column = 1; column <= 10; ++column)
      in.MM[row][column] = kTenByTen[row - 1][column - 1];
  }
  return in;
}

// Two samples of 60 genes at a locus with two alleles, the smallest table.
FisherInput TwoByTwoInput() {
  FisherInput in = TenByTenInput();
  in.N = 2;
  in.M = 2;
  in.MM[1][1] = 34;
  in.MM[1][2] = 26;
  in.MM[2][1] = 27;
  in.MM[2][2] = 33;
  return in;
}

FisherInput FourByThreeInput() {
  FisherInput in = TenByTenInput();
  in.N = 4;
  in.M = 3;
  for (int row = 1; row <= 4; ++row) {
    for (int column = 1; column <= 3; ++column) {
      in.MM[row][column] = kFourByThree[row - 1][column - 1];
    }
  }
  return in;
}

void BM_StraightforwardChainTenByTen(benchmark::State& state) {
  const FisherInput in = TenByTenInput();
  const int64_t steps_per_chain = int64_t{in.MEM} + int64_t{in.B} * in.C;
  for (auto _ : state) {
    FisherResult result = RunFisherChain(in);
    benchmark::DoNotOptimize(result);
  }
  state.counters["steps_per_second"] = benchmark::Counter(
      static_cast<double>(steps_per_chain * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_StraightforwardChainTenByTen)->Unit(benchmark::kMillisecond);

void BM_FastChainTenByTen(benchmark::State& state) {
  const FisherInput in = TenByTenInput();
  const int64_t steps_per_chain = int64_t{in.MEM} + int64_t{in.B} * in.C;
  for (auto _ : state) {
    FisherResult result = RunFisherChainFast(in);
    benchmark::DoNotOptimize(result);
  }
  state.counters["steps_per_second"] = benchmark::Counter(
      static_cast<double>(steps_per_chain * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FastChainTenByTen)->Unit(benchmark::kMillisecond);

// Both chains in turn on the same table and seeds, so that a change of load
// on the machine hits both alike; their results must agree to the bit.
// Arguments: the table (0: 10 x 10, 1: 4 x 3, 2: 2 x 2) and the generator's code
// (0: AVX2 where the processor has it, 1: portable).
void BM_FisherChainSideBySide(benchmark::State& state) {
  const int64_t table = state.range(0);
  FisherInput in = table == 0 ? TenByTenInput() : table == 1 ? FourByThreeInput() : TwoByTwoInput();
  FastChainTuning tuning;
  tuning.portable_generator = state.range(1) == 1;
  const int64_t steps_per_chain = int64_t{in.MEM} + int64_t{in.B} * in.C;
  double straightforward_seconds = 0;
  double fast_seconds = 0;
  int16_t seed = 1;
  for (auto _ : state) {
    // A new seed every time, so that the comparison covers many chains.
    seed = static_cast<int16_t>(seed % 168 + 1);
    in.UU4 = seed;
    double start = ThreadSeconds();
    const FisherResult straightforward = RunFisherChain(in);
    straightforward_seconds += ThreadSeconds() - start;
    start = ThreadSeconds();
    FastChainCounts counts;
    const FisherResult fast = RunFisherChainFast(in, tuning, counts);
    fast_seconds += ThreadSeconds() - start;
    if (straightforward.HM != fast.HM || straightforward.HECA != fast.HECA) {
      state.SkipWithError("the results differ");
      return;
    }
  }
  const double steps = static_cast<double>(steps_per_chain * state.iterations());
  ReportSideBySide(state, "steps", steps, straightforward_seconds, fast_seconds);
  const bool avx2 = !tuning.portable_generator && FastestVectorCode() == VectorCode::kAvx2;
  state.SetLabel(std::string(table == 0   ? "10x10"
                             : table == 1 ? "4x3"
                                          : "2x2") +
                 (avx2 ? " avx2" : " portable"));
}
BENCHMARK(BM_FisherChainSideBySide)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace gorvan
