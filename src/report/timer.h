// The timer: elapsed time of day between the first and the last run.
#pragma once

#include <cstdint>
#include <functional>

#include "state/state.h"

namespace gorvan {

struct TimeOfDay {
  uint16_t hour, minute, second, hundredths;
};

TimeOfDay LocalTimeOfDay();

// Reads RUN, STOP_RUNS and the clock; with RUN = 0 writes TIME1 (the
// start), with RUN = STOP_RUNS writes TIME2, TIMEDIFF and the elapsed time
// on the console.
void TIMER(State& s, const std::function<TimeOfDay()>& clock = LocalTimeOfDay);

}  // namespace gorvan
