#include "report/terminal_console.h"

#include <chrono>
#include <string>
#include <thread>

namespace gorvan {

TerminalConsole::TerminalConsole(std::ostream& out, std::istream& in, bool is_terminal)
    : out_(out), in_(in), is_terminal_(is_terminal) {}

void TerminalConsole::ClearScreen() {
  if (!is_terminal_) return;
  out_ << "\x1b[2J\x1b[H";
  out_.flush();
}

void TerminalConsole::Alert() {
  if (!is_terminal_) return;
  out_ << '\a';
  out_.flush();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
}

void TerminalConsole::WaitForEnter() {
  std::string discarded;
  if (!std::getline(in_, discarded)) in_.clear(std::ios::eofbit);
}

void TerminalConsole::EmitLine(std::string_view line) {
  out_ << line;
  out_.flush();
}

}  // namespace gorvan
