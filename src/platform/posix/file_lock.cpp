// The job lock on POSIX systems: fcntl record locks, not flock, because
// record locks are the ones NFS carries between machines.
#include "platform/file_lock.h"

#include <cerrno>
#include <fcntl.h>

namespace gorvan {
namespace {

struct flock WholeFile(short type) {
  struct flock whole {};
  whole.l_type = type;
  whole.l_whence = SEEK_SET;
  whole.l_start = 0;
  whole.l_len = 0;  // to the end of the file, however long
  return whole;
}

}  // namespace

LockResult LockWholeFile(int fd) {
  struct flock whole = WholeFile(F_WRLCK);
  if (::fcntl(fd, F_SETLK, &whole) == 0) return LockResult::kLocked;
  return errno == EACCES || errno == EAGAIN ? LockResult::kHeldByOther : LockResult::kNoLocks;
}

bool NobodyHoldsLock(int fd) {
  struct flock probe = WholeFile(F_WRLCK);
  return ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type == F_UNLCK;
}

}  // namespace gorvan
