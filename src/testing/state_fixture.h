// A fresh state record whose console writes into a string, for the tests of
// every procedure that takes the state.
#pragma once

#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "report/terminal_console.h"
#include "state/state.h"
#include "testing/test_state.h"

namespace gorvan {

class StateFixture : public ::testing::Test {
 protected:
  // Everything written on the console so far.
  std::string ConsoleText() const { return console_out_.str(); }

  std::ostringstream console_out_;
  std::istringstream console_in_;
  TerminalConsole console_{console_out_, console_in_, false};
  std::unique_ptr<State> s_ = std::make_unique<State>(console_);
};

}  // namespace gorvan
