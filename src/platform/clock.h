// The clocks the program reads.
#pragma once

#include <cstdint>

namespace gorvan {

// Milliseconds since the system started (counting suspend where the system
// does), as a free-running counter.
uint64_t MillisecondsSinceStart();

struct LocalTime {
  int hour = 0, minute = 0, second = 0;
  int hundredths = 0;
};
// The wall-clock time of day in the local time zone.
LocalTime LocalTimeNow();

// The processor time of the calling thread, in seconds.
double ThreadProcessorSeconds();

}  // namespace gorvan
