#include "report/elapsed_time.h"

#include <cmath>

#include "base/checked_math.h"
#include "base/rounding.h"

namespace gorvan {

Extended SecondsOfDay(const TimeOfDay& time) {
  const int32_t whole =
      CheckedAdd(CheckedAdd(CheckedMul(time.hour, 3600), CheckedMul(time.minute, 60)), time.second);
  return static_cast<Extended>(time.hundredths) / 100 + static_cast<Extended>(whole);
}

Extended ElapsedBetween(Extended start, Extended end) {
  Extended elapsed = end - start;
  if (elapsed < 0) elapsed += kSecondsPerDay;
  return elapsed;
}

ElapsedClock SplitElapsed(Extended seconds) {
  const auto hours = static_cast<uint16_t>(std::trunc(seconds / 3600));
  const Extended after_hours = seconds - static_cast<Extended>(CheckedMul(hours, 3600));
  const auto minutes = static_cast<uint16_t>(std::trunc(after_hours / 60));
  const Extended rest = after_hours - static_cast<Extended>(CheckedMul(minutes, 60));
  const auto whole_seconds = static_cast<uint16_t>(RoundHalfEven(rest));
  return {hours, minutes, whole_seconds};
}

}  // namespace gorvan
