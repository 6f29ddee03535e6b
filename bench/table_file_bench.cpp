// What the table file CONTTAB.XYZ costs a locus test: its round trip
// (written by TEST_LOCUS_X, read back by the chi-square test and by the
// Fisher test's reader) against the whole test of the locus, both tests on,
// with a chain of 1000/100/1000, on a 10 x 10 table of 2000 genes per row.
#include <memory>
#include <sstream>
#include <time.h>

#include <benchmark/benchmark.h>

#include "model/drift.h"
#include "model/random_source.h"
#include "state/state.h"
#include "stats/chisquare/chisquare.h"
#include "stats/fisher/fisher_input.h"
#include "stats/locus/locus_analysis.h"
#include "testing/scoped_work_dir.h"
#include "testing/test_state.h"

namespace gorvan {
namespace {

constexpr int kPops = 10;
constexpr int kAlleles = 10;

struct LocusModel : TestState {
  LocusModel() {
    s->NUMBPOPS = kPops;
    s->NUMBLOCI = 1;
    s->ALLELES_PER_LOCUS[1] = kAlleles;
    for (int a = 1; a <= kAlleles; ++a) s->BASEPOP[1][a] = 1.0 / kAlleles;
    for (int p = 1; p <= kPops; ++p) s->NUMB_DIPLOIDS_TO_SAMPLE[p] = 1000;
    COPY_BASEPOP_TO_ALL_POPS_AFREQ(*s);
    RANDOMIZE(*s, 2026);
    SAMPLE_ALLELES(*s);
    s->ITER1 = 1000;
    s->ITER2 = 100;
    s->ITER3 = 1000;
    s->J = 1;
  }
};

double WallSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The file's round trip alone: written with both tests off, then read as
// the two tests read it.
void TableFileRoundTrip(State& s) {
  s.RUN_CHI2 = 0;
  s.RUN_FISHER = 0;
  TEST_LOCUS_X(s);
  DO_CHISQUARE(s);
  benchmark::DoNotOptimize(READINFILE(s));
}

// Wall time, not processor time: the file system's work counts.
void BM_TableFileShareOfLocusTest(benchmark::State& bench) {
  ScopedWorkDir dir;
  LocusModel model;
  State& s = *model.s;
  double round_trip_seconds = 0;
  double locus_test_seconds = 0;
  for (auto _ : bench) {
    double start = WallSeconds();
    TableFileRoundTrip(s);
    round_trip_seconds += WallSeconds() - start;
    s.RUN_CHI2 = 1;
    s.RUN_FISHER = 1;
    start = WallSeconds();
    TEST_LOCUS_X(s);
    locus_test_seconds += WallSeconds() - start;
    benchmark::DoNotOptimize(s.HM);
  }
  const double n = static_cast<double>(bench.iterations());
  bench.counters["round_trip_us"] = round_trip_seconds / n * 1e6;
  bench.counters["locus_test_us"] = locus_test_seconds / n * 1e6;
  bench.counters["share_percent"] = 100 * round_trip_seconds / locus_test_seconds;
}
BENCHMARK(BM_TableFileShareOfLocusTest)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace gorvan
