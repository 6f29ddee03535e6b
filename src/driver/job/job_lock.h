// One job per directory. Two jobs in one directory would share the scratch
// table and overwrite each other's files while both report success, so a
// job holds an advisory lock on the file GORVAN.LCK in its working directory
// from before it reads its parameters until it exits.
//
// The lock is a POSIX record lock (fcntl F_SETLK on the whole file), not
// flock: record locks are the ones NFS carries between machines (the lock
// manager of NFSv3, the lock state of NFSv4), so two cluster nodes that run
// jobs in one directory of an NFS home see each other's lock; flock is local
// to one machine on many NFS clients. The kernel (or the NFS server, when
// the client goes away) drops the lock when the process ends in any way,
// SIGKILL included, so a lock is never stale: the file that stays behind
// after a kill locks nothing and the next job simply takes it.
#pragma once

#include <ostream>
#include <string>

namespace gorvan {

inline constexpr const char* kJobLockFileName = "GORVAN.LCK";
// The exit code of a job that finds another one running (EX_TEMPFAIL: try
// again later, or elsewhere).
inline constexpr int kAnotherJobExitCode = 75;

class JobLock {
 public:
  enum class Outcome {
    kHeld,         // this job holds the lock
    kBusy,         // another job holds it
    kUnsupported,  // the file system takes no locks: the job runs unguarded
  };

  // Takes the lock in the working directory without waiting. A lock file
  // that cannot be created throws RuntimeError ("creating file GORVAN.LCK").
  JobLock();
  // Removes the lock file, then lets the lock go.
  ~JobLock();
  JobLock(const JobLock&) = delete;
  JobLock& operator=(const JobLock&) = delete;

  Outcome outcome() const { return outcome_; }
  // For kUnsupported: the system's reason.
  const std::string& reason() const { return reason_; }

 private:
  int fd_ = -1;
  Outcome outcome_ = Outcome::kBusy;
  std::string reason_;
};

// False when another job holds the lock: the reason is written to `notes`
// and the job must end at once with kAnotherJobExitCode, changing nothing.
// An unguarded job is told so and may run.
bool MayRun(const JobLock& lock, std::ostream& notes);

}  // namespace gorvan
