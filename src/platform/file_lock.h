// The job lock's system calls: a lock on a whole open file that the system
// drops when the process ends in any way, and that NFS carries between the
// machines that share a directory (POSIX record locks; LockFileEx on
// Windows).
#pragma once

namespace gorvan {

enum class LockResult {
  kLocked,       // this process holds the lock
  kHeldByOther,  // another process holds it
  kNoLocks,      // the file system takes no locks (errno says why)
};

// Locks the whole file open as `fd` (for reading and writing), without
// waiting.
LockResult LockWholeFile(int fd);
// No process holds a lock on the file open as `fd` (open for reading only).
bool NobodyHoldsLock(int fd);

}  // namespace gorvan
