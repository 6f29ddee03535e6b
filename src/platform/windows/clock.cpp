#include "platform/clock.h"

#include <windows.h>

namespace gorvan {

uint64_t MillisecondsSinceStart() { return ::GetTickCount64(); }

LocalTime LocalTimeNow() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return {now.wHour, now.wMinute, now.wSecond, now.wMilliseconds / 10};
}

double ThreadProcessorSeconds() {
  FILETIME created{}, ended{}, kernel{}, user{};
  if (!::GetThreadTimes(::GetCurrentThread(), &created, &ended, &kernel, &user)) return 0;
  const auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) *
           1e-7;
  };
  return seconds(kernel) + seconds(user);
}

}  // namespace gorvan
