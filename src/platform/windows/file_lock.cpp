// The job lock on Windows: LockFileEx on the whole file, without waiting.
// Windows releases the lock when the process ends, however it ends.
#include "platform/file_lock.h"

#include <cerrno>
#include <io.h>
#include <windows.h>

namespace gorvan {
namespace {

bool TryLock(int fd, DWORD flags) {
  const HANDLE file = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  OVERLAPPED from_start{};
  return file != INVALID_HANDLE_VALUE &&
         ::LockFileEx(file, flags | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &from_start);
}

}  // namespace

LockResult LockWholeFile(int fd) {
  if (TryLock(fd, LOCKFILE_EXCLUSIVE_LOCK)) return LockResult::kLocked;
  const DWORD error = ::GetLastError();
  if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return LockResult::kHeldByOther;
  errno = ENOLCK;
  return LockResult::kNoLocks;
}

bool NobodyHoldsLock(int fd) {
  if (!TryLock(fd, 0)) return false;  // a shared lock is refused while another holds one
  const HANDLE file = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  OVERLAPPED from_start{};
  ::UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &from_start);
  return true;
}

}  // namespace gorvan
