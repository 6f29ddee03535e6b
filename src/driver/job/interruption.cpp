#include "driver/job/interruption.h"

#include <csignal>
#include <unistd.h>

namespace gorvan {
namespace {

volatile std::sig_atomic_t pending_signal = 0;

void WriteText(const char* text, size_t size) {
  // Only write(2) is safe in a signal handler; what it cannot write is lost.
  if (::write(STDERR_FILENO, text, size) < 0) return;
}

void OnInterruption(int signal) {
  if (pending_signal == 0) {
    pending_signal = signal;
    static const char kNote[] =
        "gorvan: interrupted; the job stops after the run under way (interrupt again to stop "
        "at once)\n";
    WriteText(kNote, sizeof kNote - 1);
    return;
  }
  static const char kAtOnce[] =
      "gorvan: interrupted again: stopped at once; the last run's lines may be cut, and "
      "GORVAN.LCK and CONTTAB.XYZ may be left (the next job replaces them)\n";
  WriteText(kAtOnce, sizeof kAtOnce - 1);
  ::_exit(128 + signal);
}

const char* SignalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "a signal";
  }
}

}  // namespace

void CatchInterruptions() {
  struct sigaction action {};
  action.sa_handler = OnInterruption;
  sigemptyset(&action.sa_mask);
  // Reads and writes go on across the signal; the loop of runs looks at it.
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

void StopIfInterrupted(int32_t runs_done) {
  if (pending_signal != 0) throw JobInterrupted{pending_signal, runs_done};
}

std::string InterruptedNote(const JobInterrupted& interrupted, int32_t runs_wanted) {
  if (interrupted.runs_done == kNoFileReplaced) {
    return std::string("interrupted by ") + SignalName(interrupted.signal) +
           " before the job replaced any file; the previous job's files are as they were";
  }
  const std::string held = interrupted.runs_done == 0 ? "the files hold no run"
                                                      : "the files hold runs 1 to " +
                                                            std::to_string(interrupted.runs_done);
  return std::string("interrupted by ") + SignalName(interrupted.signal) + " after run " +
         std::to_string(interrupted.runs_done) + " of " + std::to_string(runs_wanted) + "; " +
         held + ", and GORVAN.OUT only its header: run the job again for its results";
}

}  // namespace gorvan
