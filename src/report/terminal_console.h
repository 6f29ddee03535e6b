// The terminal console: lines of text on standard output, each flushed when
// its line end is written, and lines read from standard input in the pauses.
#pragma once

#include <istream>
#include <ostream>

#include "textio/console.h"

namespace gorvan {

class TerminalConsole final : public Console {
 public:
  // `is_terminal`: standard output is a terminal, so the screen can be
  // cleared and the alert sounded with control characters. Redirected output
  // gets none.
  TerminalConsole(std::ostream& out, std::istream& in, bool is_terminal);

  void ClearScreen() override;
  // The alert is followed by a wait of 500 ms.
  void Alert() override;
  void WaitForEnter() override;

  bool is_terminal() const { return is_terminal_; }

 protected:
  void EmitLine(std::string_view line) override;

 private:
  std::ostream& out_;
  std::istream& in_;
  bool is_terminal_;
};

}  // namespace gorvan
