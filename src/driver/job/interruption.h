// Ctrl-C (SIGINT), SIGTERM and SIGHUP (a closed terminal or ssh session)
// during a job. The first signal asks the job to stop where its files end
// on a whole run: the loop of runs stops before its next attempt, the files
// are closed with every line written so far, the scratch table and the lock
// are removed, standard error says how many runs the files hold, and the
// process exits with 128 + the signal's number. A second signal stops the
// process at once.
#pragma once

#include <cstdint>
#include <string>

namespace gorvan {

// Raised by StopIfInterrupted; ends the job as described above.
struct JobInterrupted {
  int signal = 0;
  int32_t runs_done = 0;  // accepted runs whose lines are all in the files
};

// Catches the three signals for the rest of the process.
void CatchInterruptions();

// Throws JobInterrupted when one of the signals came; `runs_done` is the
// count of runs the files hold whole at this point, kNoFileReplaced before
// the job has replaced any file of the previous job.
inline constexpr int32_t kNoFileReplaced = -1;
void StopIfInterrupted(int32_t runs_done);

// The note on standard error for a job of `runs_wanted` runs that stopped:
// where it stopped and what its files hold.
std::string InterruptedNote(const JobInterrupted& interrupted, int32_t runs_wanted);

}  // namespace gorvan
