// The arithmetic of the timer, apart from the clock and the console.
#pragma once

#include <cstdint>

#include "base/extended.h"
#include "report/timer.h"

namespace gorvan {

inline constexpr int32_t kSecondsPerDay = 86400;

// An elapsed time as shown: whole hours and minutes, cut toward zero, and the
// rest rounded to whole seconds (so 60 seconds can show).
struct ElapsedClock {
  uint16_t hours, minutes, seconds;
};

// The time of day in seconds: the hundredths in extended precision added to
// the whole seconds counted in 32-bit integers.
Extended SecondsOfDay(const TimeOfDay& time);

// From one time of day to a later one. The clock carries no date, so an end
// that reads earlier than the start lies on the next day.
Extended ElapsedBetween(Extended start, Extended end);

ElapsedClock SplitElapsed(Extended seconds);

}  // namespace gorvan
