#include "platform/clock.h"

#include <ctime>

namespace gorvan {

uint64_t MillisecondsSinceStart() {
  timespec now{};
#ifdef CLOCK_BOOTTIME
  if (clock_gettime(CLOCK_BOOTTIME, &now) != 0) clock_gettime(CLOCK_MONOTONIC, &now);
#else
  clock_gettime(CLOCK_MONOTONIC, &now);
#endif
  return static_cast<uint64_t>(now.tv_sec) * 1000U + static_cast<uint64_t>(now.tv_nsec) / 1000000U;
}

LocalTime LocalTimeNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  constexpr long kNanosecondsPerHundredth = 10'000'000;
  return {local.tm_hour, local.tm_min, local.tm_sec,
          static_cast<int>(now.tv_nsec / kNanosecondsPerHundredth)};
}

double ThreadProcessorSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace gorvan
