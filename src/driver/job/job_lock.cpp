#include "driver/job/job_lock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/runtime_error.h"
#include "driver/job/job_notes.h"
#include "textio/new_file_mode.h"

namespace gorvan {
namespace {

// A job that ends removes the lock file while it still holds the lock. A
// job that opened the old file just before is then locking a file that has
// no name any more; it notices, and tries again on the new one.
constexpr int kAttempts = 16;

bool LockWholeFile(int fd) {
  struct flock whole {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  whole.l_start = 0;
  whole.l_len = 0;  // to the end of the file, however long
  return ::fcntl(fd, F_SETLK, &whole) == 0;
}

// The name still leads to the file that is open as `fd`.
bool StillNamed(int fd) {
  struct stat open_file {
  }, named{};
  if (::fstat(fd, &open_file) != 0 || ::lstat(kJobLockFileName, &named) != 0) return false;
  return open_file.st_dev == named.st_dev && open_file.st_ino == named.st_ino;
}

// A lock file made by another user, which this user may not open for
// writing: when no job holds it (a lock is tested through a descriptor for
// reading), it is a leftover and its name is freed, so that the directory's
// owner is not shut out by a colleague's crashed job. False when a job holds
// it or the name cannot be freed.
bool FreeLeftoverLockOfAnother() {
  const int fd = ::open(kJobLockFileName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  const bool unheld = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type == F_UNLCK;
  ::close(fd);
  return unheld && ::unlink(kJobLockFileName) == 0;
}

}  // namespace

JobLock::JobLock() {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const int fd =
        ::open(kJobLockFileName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, kNewFileMode);
    if (fd < 0) {
      const int error = errno;
      if (error == EACCES && FreeLeftoverLockOfAnother()) continue;
      throw RuntimeError(
          ErrorNumberFor(FileOperation::kCreate, error),
          std::string("creating file ") + kJobLockFileName + ": " + std::strerror(error));
    }
    if (!LockWholeFile(fd)) {
      const int error = errno;
      ::close(fd);
      if (error == EACCES || error == EAGAIN) {
        outcome_ = Outcome::kBusy;
        return;
      }
      // ENOLCK and the like: a file system without locks (an NFS mount
      // without its lock manager). Refusing every job there would make the
      // program unusable, so the job runs and is told it is unguarded.
      outcome_ = Outcome::kUnsupported;
      reason_ = std::strerror(error);
      fd_ = ::open(kJobLockFileName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);  // removed at the end
      return;
    }
    if (StillNamed(fd)) {
      fd_ = fd;
      outcome_ = Outcome::kHeld;
      return;
    }
    ::close(fd);
  }
  outcome_ = Outcome::kBusy;
}

JobLock::~JobLock() {
  if (fd_ < 0) return;
  // Removed while still locked, so no other job can have taken it meanwhile;
  // and only while the name is still this job's file: after a user removed
  // it by hand, the name may be another job's lock.
  if (StillNamed(fd_)) ::unlink(kJobLockFileName);
  ::close(fd_);
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
