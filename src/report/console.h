// The console: lines of text on standard output, each flushed when its line
// end is written, and lines read from standard input in the pauses.
#pragma once

#include <istream>
#include <ostream>

#include "textio/field_writer.h"

namespace gorvan {

class Console : public FieldWriter {
 public:
  // `is_terminal`: standard output is a terminal, so the screen can be
  // cleared and the alert sounded with control characters. Redirected output
  // gets none.
  Console(std::ostream& out, std::istream& in, bool is_terminal);

  // Fills the window with blanks and puts the cursor at the top left.
  void ClearScreen();
  // The standard alert, then a wait of 500 ms so that it is heard.
  void Alert();
  // Reads one line of input and discards it; at the end of input it returns
  // at once, so that an unattended run never hangs.
  void WaitForEnter();

  bool is_terminal() const { return is_terminal_; }

 protected:
  void EmitLine(std::string_view line) override;

 private:
  std::ostream& out_;
  std::istream& in_;
  bool is_terminal_;
};

}  // namespace gorvan
