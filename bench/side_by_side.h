// Timing two versions of a loop side by side in one benchmark run: each is
// timed on this thread's processor clock, so that other work on the machine
// does not count, and the report carries both rates and their ratio.
#pragma once

#include <string>
#include <time.h>

#include <benchmark/benchmark.h>

namespace gorvan {

inline double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Counters "straightforward_<unit>_per_s", "fast_<unit>_per_s" and "ratio".
inline void ReportSideBySide(benchmark::State& bench, const std::string& unit, double items,
                             double straightforward_seconds, double fast_seconds) {
  bench.counters["straightforward_" + unit + "_per_s"] = items / straightforward_seconds;
  bench.counters["fast_" + unit + "_per_s"] = items / fast_seconds;
  bench.counters["ratio"] = straightforward_seconds / fast_seconds;
}

}  // namespace gorvan
