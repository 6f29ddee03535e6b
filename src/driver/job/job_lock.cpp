#include "driver/job/job_lock.h"

#include <cerrno>
#include <cstring>

#include "base/runtime_error.h"
#include "driver/job/job_notes.h"
#include "platform/file_lock.h"
#include "platform/files.h"

namespace gorvan {
namespace {

// A job that ends removes the lock file while it still holds the lock. A
// job that opened the old file just before is then locking a file that has
// no name any more; it notices, and tries again on the new one.
constexpr int kAttempts = 16;

// A lock file made by another user, which this user may not open for
// writing: when no job holds it (a lock is tested through a descriptor for
// reading), it is a leftover and its name is freed, so that the directory's
// owner is not shut out by a colleague's crashed job. False when a job holds
// it or the name cannot be freed.
bool FreeLeftoverLockOfAnother() {
  const int fd = OpenFile(kJobLockFileName, OpenFor::kInspecting);
  if (fd < 0) return false;
  const bool unheld = NobodyHoldsLock(fd);
  CloseFile(fd);
  return unheld && RemoveName(kJobLockFileName);
}

}  // namespace

JobLock::JobLock() {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const int fd = OpenFile(kJobLockFileName, OpenFor::kLocking);
    if (fd < 0) {
      const int error = errno;
      if (error == EACCES && FreeLeftoverLockOfAnother()) continue;
      throw RuntimeError(
          ErrorNumberFor(FileOperation::kCreate, error),
          std::string("creating file ") + kJobLockFileName + ": " + std::strerror(error));
    }
    switch (LockWholeFile(fd)) {
      case LockResult::kLocked:
        if (StillNamed(fd, kJobLockFileName)) {
          fd_ = fd;
          outcome_ = Outcome::kHeld;
          return;
        }
        CloseFile(fd);
        continue;
      case LockResult::kHeldByOther:
        CloseFile(fd);
        outcome_ = Outcome::kBusy;
        return;
      case LockResult::kNoLocks:
        // ENOLCK and the like: a file system without locks (an NFS mount
        // without its lock manager). Refusing every job there would make the
        // program unusable, so the job runs and is told it is unguarded.
        reason_ = std::strerror(errno);
        CloseFile(fd);
        outcome_ = Outcome::kUnsupported;
        fd_ = OpenFile(kJobLockFileName, OpenFor::kInspecting);  // removed at the end
        return;
    }
  }
  outcome_ = Outcome::kBusy;
}

JobLock::~JobLock() {
  if (fd_ < 0) return;
  // Removed while still locked, so no other job can have taken it meanwhile;
  // and only while the name is still this job's file: after a user removed
  // it by hand, the name may be another job's lock.
  const bool ours = StillNamed(fd_, kJobLockFileName);
  if (ours && RemoveName(kJobLockFileName)) {
    CloseFile(fd_);
    return;
  }
  CloseFile(fd_);
  // Where an open file cannot be removed (Windows), it is removed once
  // closed: a job that opened it meanwhile keeps it, for a file open
  // elsewhere cannot be removed there.
  if (ours) RemoveName(kJobLockFileName);
}

bool MayRun(const JobLock& lock, std::ostream& notes) {
  switch (lock.outcome()) {
    case JobLock::Outcome::kHeld:
      return true;
    case JobLock::Outcome::kUnsupported:
      WriteNote(notes, std::string("warning: ") + kJobLockFileName + " cannot be locked (" +
                           lock.reason() + "); nothing keeps a second job out of this directory.");
      return true;
    case JobLock::Outcome::kBusy:
      break;
  }
  WriteNote(notes, std::string("another job is running in this directory (it holds ") +
                       kJobLockFileName +
                       "); nothing was changed. Wait for it to end, or run this job in a "
                       "directory of its own.");
  return false;
}

}  // namespace gorvan
