// The last line of defence: whatever a run lets escape is a fault of the
// program. It is named on standard error and the program exits with 70,
// never with an abort and no word.
#pragma once

#include <functional>
#include <ostream>

namespace gorvan {

// Returns what `body` returns; if it throws, writes an "internal error"
// message to `err` and returns kInternalErrorExitCode.
int RunGuarded(const std::function<int()>& body, std::ostream& err);

}  // namespace gorvan
