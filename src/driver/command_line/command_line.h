// The command line: no arguments, "--seed N", "--threads N", "--check",
// "--version" or "--help".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace gorvan {

struct CommandLine {
  enum class Action { kRun, kCheck, kVersion, kHelp, kUsageError };
  Action action = Action::kRun;
  std::optional<int32_t> seed;
  // Threads that test loci; 0 asks for every processor the process may use.
  int threads = 1;
  std::string error;  // for kUsageError: what was wrong
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

// The usage text: the options, the parameter file's lines, the files
// written and the exit codes (ends in a line end).
std::string UsageText();

}  // namespace gorvan
