// A console that keeps what is written to it, to be shown on the real
// console later and in order. Work done away from the console (on another
// thread) writes here; whoever holds the console replays it at the point
// where the work belongs.
#pragma once

#include <string>
#include <vector>

#include "textio/console.h"

namespace gorvan {

struct ConsoleEvent {
  enum class Kind { kLine, kClearScreen, kAlert, kWaitForEnter };
  Kind kind = Kind::kLine;
  std::string text;  // for kLine: the line without its line end
};

class RecordedConsole final : public Console {
 public:
  void ClearScreen() override { events_.push_back({ConsoleEvent::Kind::kClearScreen, {}}); }
  void Alert() override { events_.push_back({ConsoleEvent::Kind::kAlert, {}}); }
  // Nothing is read now: the wait happens when the events are replayed.
  void WaitForEnter() override { events_.push_back({ConsoleEvent::Kind::kWaitForEnter, {}}); }

  // The events so far, in order; the record starts afresh. An unfinished
  // line stays behind.
  std::vector<ConsoleEvent> TakeEvents();

 protected:
  void EmitLine(std::string_view line) override;

 private:
  std::vector<ConsoleEvent> events_;
};

// Does on `console` what the events record, in their order: lines are
// written, waits wait for the Enter key.
void ReplayConsole(const std::vector<ConsoleEvent>& events, Console& console);

}  // namespace gorvan
