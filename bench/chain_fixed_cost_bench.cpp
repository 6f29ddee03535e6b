// The Fisher chain's fixed costs per locus, the former way and the present
// way side by side on the same small loci (bench/small_loci.h):
// - the seeding of the chain's generator: formerly the extended seeding
//   (MAKE_RANDOM) taken over by the block generator, now the integer
//   seeding; the draws must agree;
// - the logarithm table's set-up at the finest scale, as the chain sets it
//   up (once when made, once more when the chain sets its scale): formerly
//   with logl and rounding over all of its entries for every locus, now with
//   the entries shared by the process; the entries must agree.
#include <cmath>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "side_by_side.h"
#include "small_loci.h"
#include "stats/fisher/internal/fisher_chain_log_table.h"
#include "stats/fisher/internal/universal_rng_block.h"
#include "stats/fisher/universal_rng.h"

namespace gorvan {
namespace {

constexpr int kLoci = 256;

void BM_ChainSeedingSideBySide(benchmark::State& state) {
  const std::vector<FisherInput> loci = SmallLoci(kLoci, 0, 2, 1);
  auto former = std::make_unique<UniversalRngBlock>();
  auto present = std::make_unique<UniversalRngBlock>();
  double former_seconds = 0;
  double present_seconds = 0;
  size_t next = 0;
  for (auto _ : state) {
    const FisherInput& in = loci[next];
    next = (next + 1) % loci.size();
    double start = ThreadSeconds();
    UniversalRng reference;
    MAKE_RANDOM(reference, in.UU1, in.UU2, in.UU3, in.UU4);
    former->FromReference(reference, 0);
    former_seconds += ThreadSeconds() - start;
    start = ThreadSeconds();
    present->Seed(in.UU1, in.UU2, in.UU3, in.UU4);
    present_seconds += ThreadSeconds() - start;
    for (int draw = 0; draw < 4; ++draw) {
      if (former->Next() != present->Next()) {
        state.SkipWithError("the draws differ");
        return;
      }
    }
  }
  ReportSideBySide(state, "seedings", static_cast<double>(state.iterations()), former_seconds,
                   present_seconds);
}
BENCHMARK(BM_ChainSeedingSideBySide)->Unit(benchmark::kMicrosecond);

// What each chain did for its table before the entries were shared, beyond
// what it does now: logl for every entry, then the entries at the finest
// scale, twice.
std::vector<int64_t> FormerEntries(uint32_t size) {
  std::vector<Extended> logs(size, 0);
  for (uint32_t m = 1; m < size; ++m) logs[m] = logl(static_cast<Extended>(m));
  std::vector<int64_t> entries;
  const Extended units_per_one = ldexpl(1, FixedLogTable::kFinestFractionBits);
  for (int pass = 0; pass < 2; ++pass) {
    entries.resize(size);
    for (uint32_t m = 0; m < size; ++m) entries[m] = llroundl(logs[m] * units_per_one);
  }
  return entries;
}

void BM_ChainLogTableSideBySide(benchmark::State& state) {
  const std::vector<FisherInput> loci = SmallLoci(kLoci, 0, 2, 1);
  double former_seconds = 0;
  double present_seconds = 0;
  size_t next = 0;
  for (auto _ : state) {
    const FisherInput& in = loci[next];
    next = (next + 1) % loci.size();
    double start = ThreadSeconds();
    FixedLogTable former_table(in);
    former_table.SetFractionBits(FixedLogTable::kFinestFractionBits);
    const std::vector<int64_t> former = FormerEntries(former_table.size());
    former_seconds += ThreadSeconds() - start;
    start = ThreadSeconds();
    FixedLogTable present(in);
    present.SetFractionBits(FixedLogTable::kFinestFractionBits);
    present_seconds += ThreadSeconds() - start;
    for (uint32_t m = 0; m < present.size(); ++m) {
      if (former[m] != present[m]) {
        state.SkipWithError("the entries differ");
        return;
      }
    }
  }
  ReportSideBySide(state, "tables", static_cast<double>(state.iterations()), former_seconds,
                   present_seconds);
}
BENCHMARK(BM_ChainLogTableSideBySide)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace gorvan
