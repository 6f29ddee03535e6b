// The processor time each role of the threaded pipeline spends working, for
// the performance notes: how large the serial share (producer and writer)
// is. Shown on standard error when the environment sets
// GORVAN_PIPELINE_TIMES; the job's output is not touched.
#pragma once

#include <ostream>
#include <vector>

namespace gorvan {

// The processor time of the calling thread, in seconds: what it worked, not
// what it waited.
double ThreadCpuSeconds();

struct RoleTimes {
  double producer = 0;
  double writer = 0;
  std::vector<double> workers;
};

void ShowRoleTimes(const RoleTimes& times, std::ostream& notes);

}  // namespace gorvan
