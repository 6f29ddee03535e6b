// Numerical trouble in the tail probability is not fatal: the user is shown
// what went wrong and asked to press Enter, then the computation goes on.
#pragma once

#include <string_view>

#include "report/console.h"

namespace gorvan {

// Writes `message` as one console line and waits for one line of input. At
// the end of input the wait returns at once, so a batch run never hangs.
inline void PauseWith(Console& console, std::string_view message) {
  console.Text(message).EndLine();
  console.WaitForEnter();
}

}  // namespace gorvan
