// The GoogleTest fixture of every test of a procedure that takes the state:
// one TestState, with its parts under the names the tests use.
#pragma once

#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "state/state.h"
#include "testing/test_state.h"

namespace gorvan {

class StateFixture : public ::testing::Test {
 protected:
  // Everything written on the console so far.
  std::string ConsoleText() const { return test_state_.console_out.str(); }

  TestState test_state_;
  std::ostringstream& console_out_ = test_state_.console_out;
  std::istringstream& console_in_ = test_state_.console_in;
  TerminalConsole& console_ = test_state_.console;
  std::unique_ptr<State>& s_ = test_state_.s;
};

}  // namespace gorvan
