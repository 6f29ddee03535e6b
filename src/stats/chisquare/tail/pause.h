// Numerical trouble in the tail probability is not fatal: the user is shown
// what went wrong and asked to press Enter, then the computation goes on.
// The tail probability sees only this interface, not the screen.
#pragma once

#include <string_view>

#include "textio/console.h"

namespace gorvan {

class Pause {
 public:
  virtual ~Pause() = default;
  // Shows `message` and waits until the user goes on.
  virtual void PauseWith(std::string_view message) = 0;
};

// The pause on the program's console: the message as one line, then a wait
// for one line of input. At the end of input the wait returns at once, so a
// batch run never hangs.
class ConsolePause final : public Pause {
 public:
  explicit ConsolePause(Console& console) : console_(console) {}
  void PauseWith(std::string_view message) override {
    console_.Text(message).EndLine();
    console_.WaitForEnter();
  }

 private:
  Console& console_;
};

}  // namespace gorvan
