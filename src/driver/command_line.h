// The command line: no arguments, "--seed N", "--threads N", "--check" or
// "--help".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace gorvan {

struct CommandLine {
  enum class Action { kRun, kCheck, kHelp, kUsageError };
  Action action = Action::kRun;
  std::optional<int32_t> seed;
  // Threads that test loci; 0 asks for every processor the process may use.
  int threads = 1;
  std::string error;  // for kUsageError: what was wrong
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

// The short usage text (ends in a line end).
std::string UsageText();

}  // namespace gorvan
