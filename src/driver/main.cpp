// Program entry: the command line, the run, and the translation of stops
// into exit codes.
#include <iostream>
#include <memory>
#include <unistd.h>

#include "driver/command_line.h"
#include "driver/processors.h"
#include "driver/program.h"
#include "report/terminal_console.h"
#include "state/state.h"
#include "textio/program_stop.h"
#include "textio/runtime_error.h"

int main(int argc, char** argv) {
  using namespace gorvan;
  const CommandLine command_line = ParseCommandLine(argc, argv);
  if (command_line.action == CommandLine::Action::kHelp) {
    std::cout << UsageText();
    return 0;
  }
  if (command_line.action == CommandLine::Action::kUsageError) {
    std::cerr << "gorvan: " << command_line.error << "\n\n" << UsageText();
    return 2;
  }

  TerminalConsole console(std::cout, std::cin, isatty(STDOUT_FILENO) == 1);
  // The state is large (the frequency arrays), so it lives on the heap.
  auto state = std::make_unique<State>(console);
  try {
    const int threads = command_line.threads == 0 ? ProcessorsAvailable() : command_line.threads;
    RunProgram(*state, ProgramOptions{command_line.seed, threads});
  } catch (const ProgramStop& stop) {
    return stop.exit_code;
  } catch (const RuntimeError& error) {
    for (const std::string& line : error.ConsoleLines()) console.Text(line).EndLine();
    return error.number();
  }
  return 0;
}
