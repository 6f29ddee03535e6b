#include "report/timer.h"

#include <ctime>

#include "report/elapsed_time.h"

namespace gorvan {
namespace {

// Reads the clock into HOUR, MIN, SEC and HUND and gives the time of day in
// seconds.
Extended NoteTimeOfDay(State& s, const std::function<TimeOfDay()>& clock) {
  const TimeOfDay now = clock();
  s.HOUR = now.hour;
  s.MIN = now.minute;
  s.SEC = now.second;
  s.HUND = now.hundredths;
  return SecondsOfDay(now);
}

void ShowElapsed(State& s) {
  s.console.Text(" Approximate CPU-time: ")
      .Int(s.HOUR)
      .Text(" hours, ")
      .Int(s.MIN)
      .Text(" minutes, ")
      .Int(s.SEC)
      .Text(" seconds")
      .EndLine();
}

}  // namespace

TimeOfDay LocalTimeOfDay() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  constexpr long kNanosecondsPerHundredth = 10'000'000;
  return {static_cast<uint16_t>(local.tm_hour), static_cast<uint16_t>(local.tm_min),
          static_cast<uint16_t>(local.tm_sec),
          static_cast<uint16_t>(now.tv_nsec / kNanosecondsPerHundredth)};
}

void TIMER(State& s, const std::function<TimeOfDay()>& clock) {
  const int32_t K = s.RUN;
  if (K == 0) s.TIME1 = NoteTimeOfDay(s, clock);
  if (K == s.STOP_RUNS) {
    s.TIME2 = NoteTimeOfDay(s, clock);
    s.TIMEDIFF = ElapsedBetween(s.TIME1, s.TIME2);
    const ElapsedClock shown = SplitElapsed(s.TIMEDIFF);
    s.HOUR = shown.hours;
    s.MIN = shown.minutes;
    s.SEC = shown.seconds;
    ShowElapsed(s);
  }
}

}  // namespace gorvan
