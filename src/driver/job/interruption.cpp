#include "driver/job/interruption.h"

#include <csignal>

#include "platform/signals.h"

namespace gorvan {
namespace {

volatile std::sig_atomic_t pending_signal = 0;

void OnInterruption(int signal) {
  if (pending_signal == 0) {
    pending_signal = signal;
    static const char kNote[] =
        "gorvan: interrupted; the job stops after the run under way (interrupt again to stop "
        "at once)\n";
    WriteToStandardErrorNow(kNote, sizeof kNote - 1);
    return;
  }
  static const char kAtOnce[] =
      "gorvan: interrupted again: stopped at once; the last run's lines may be cut, and "
      "GORVAN.LCK and CONTTAB.XYZ may be left (the next job replaces them)\n";
  WriteToStandardErrorNow(kAtOnce, sizeof kAtOnce - 1);
  ExitNow(128 + signal);
}

}  // namespace

void CatchInterruptions() { CatchInterruptSignals(OnInterruption); }

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
