// A fresh state record whose console writes into a string, as one value:
// for tests and benchmarks that need one or several.
#pragma once

#include <memory>
#include <sstream>

#include "report/terminal_console.h"
#include "state/state.h"

namespace gorvan {

struct TestState {
  std::ostringstream console_out;
  std::istringstream console_in;
  TerminalConsole console{console_out, console_in, false};
  std::unique_ptr<State> s = std::make_unique<State>(console);
};

}  // namespace gorvan
