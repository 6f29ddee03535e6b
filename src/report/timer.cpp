#include "report/timer.h"

#include "platform/clock.h"
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
  const LocalTime now = LocalTimeNow();
  return {static_cast<uint16_t>(now.hour), static_cast<uint16_t>(now.minute),
          static_cast<uint16_t>(now.second), static_cast<uint16_t>(now.hundredths)};
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
