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

// With RUN = 0 notes the start time; with RUN = STOP_RUNS shows the elapsed
// time on the console.
void TIMER(State& s, const std::function<TimeOfDay()>& clock = LocalTimeOfDay);

}  // namespace gorvan
