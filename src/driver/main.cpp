// Program entry: the command line, the run, and the translation of stops
// into exit codes.
#include <iostream>
#include <memory>
#include <optional>

#include "base/program_stop.h"
#include "base/runtime_error.h"
#include "driver/command_line/build_info.h"
#include "driver/command_line/check_design.h"
#include "driver/command_line/command_line.h"
#include "driver/job/fault_guard.h"
#include "driver/job/interruption.h"
#include "driver/job/job_lock.h"
#include "driver/job/job_notes.h"
#include "driver/program.h"
#include "platform/processors.h"
#include "platform/standard_streams.h"
#include "report/terminal_console.h"
#include "state/state.h"
#include "textio/file_size_signal.h"

namespace gorvan {
namespace {

int RunJob(const CommandLine& command_line) {
  TerminalConsole console(std::cout, std::cin, StandardOutputIsTerminal());
  // The state is large (the frequency arrays), so it lives on the heap.
  auto state = std::make_unique<State>(console);
  std::optional<JobLock> lock;  // held until the process ends
  try {
    lock.emplace();
    if (!MayRun(*lock, std::cerr)) return kAnotherJobExitCode;
    CatchInterruptions();
    ProgramOptions options;
    options.seed = command_line.seed;
    options.threads = command_line.threads == 0 ? ProcessorsAvailable() : command_line.threads;
    RunProgram(*state, options);
  } catch (const JobInterrupted& interrupted) {
    WriteNote(std::cerr, InterruptedNote(interrupted, state->STOP_RUNS));
    return 128 + interrupted.signal;
  } catch (const ProgramStop& stop) {
    return stop.exit_code;
  } catch (const RuntimeError& error) {
    for (const std::string& line : error.ConsoleLines()) console.Text(line).EndLine();
    return error.number();
  }
  return 0;
}

int Dispatch(int argc, char** argv) {
  MakeStandardStreamsBinary();
  ReportFileSizeLimitAsWriteError();
  const CommandLine command_line = ParseCommandLine(argc, argv);
  switch (command_line.action) {
    case CommandLine::Action::kHelp:
      std::cout << UsageText();
      return 0;
    case CommandLine::Action::kVersion:
      std::cout << VersionText();
      return 0;
    case CommandLine::Action::kUsageError:
      std::cerr << "gorvan: " << command_line.error << "\n\n" << UsageText();
      return 2;
    case CommandLine::Action::kCheck:
      return CheckDesign(std::cout, std::cerr);
    case CommandLine::Action::kRun:
      break;
  }
  return RunJob(command_line);
}

}  // namespace
}  // namespace gorvan

int main(int argc, char** argv) {
  return gorvan::RunGuarded([&] { return gorvan::Dispatch(argc, argv); }, std::cerr);
}
