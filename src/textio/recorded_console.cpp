#include "textio/recorded_console.h"

#include <utility>

namespace gorvan {

std::vector<ConsoleEvent> RecordedConsole::TakeEvents() { return std::exchange(events_, {}); }

void RecordedConsole::EmitLine(std::string_view line) {
  // The console's line end is "\n"; the real console adds its own.
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  events_.push_back({ConsoleEvent::Kind::kLine, std::string(line)});
}

void ReplayConsole(const std::vector<ConsoleEvent>& events, Console& console) {
  for (const ConsoleEvent& event : events) {
    switch (event.kind) {
      case ConsoleEvent::Kind::kLine:
        console.Text(event.text).EndLine();
        break;
      case ConsoleEvent::Kind::kClearScreen:
        console.ClearScreen();
        break;
      case ConsoleEvent::Kind::kAlert:
        console.Alert();
        break;
      case ConsoleEvent::Kind::kWaitForEnter:
        console.WaitForEnter();
        break;
    }
  }
}

}  // namespace gorvan
