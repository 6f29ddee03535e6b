#include "driver/pipeline/role_times.h"

#include <cstdio>
#include <cstdlib>

#include "driver/job/job_notes.h"
#include "platform/clock.h"

namespace gorvan {

double ThreadCpuSeconds() { return ThreadProcessorSeconds(); }

void ShowRoleTimes(const RoleTimes& times, std::ostream& notes) {
  if (std::getenv("GORVAN_PIPELINE_TIMES") == nullptr) return;
  double workers = 0;
  for (double worker : times.workers) workers += worker;
  char text[160];
  std::snprintf(text, sizeof text,
                "processor seconds: producer %.3f, writer %.3f, %zu test threads %.3f",
                times.producer, times.writer, times.workers.size(), workers);
  WriteNote(notes, text);
}

}  // namespace gorvan
