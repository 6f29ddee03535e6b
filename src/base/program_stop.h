// A stop on bad input: the console message has been written, and the
// program ends with `exit_code` (1: a failure, never reported as success).
#pragma once

namespace gorvan {

struct ProgramStop {
  int exit_code;
};

}  // namespace gorvan
