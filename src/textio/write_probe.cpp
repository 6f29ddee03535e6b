#include "textio/write_probe.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/runtime_error.h"

namespace gorvan {
namespace {

[[noreturn]] void FailCreate(const std::string& name, int errno_value) {
  throw RuntimeError(ErrorNumberFor(FileOperation::kCreate, errno_value),
                     "creating file " + name + ": " + std::strerror(errno_value));
}

// The directory takes a new file of this name: one is made and removed.
void ProbeNewFile(const std::string& name) {
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) FailCreate(name, errno);
  ::close(fd);
  ::unlink(name.c_str());
}

}  // namespace

void ProbeRewritable(const std::string& name) {
  struct stat entry {};
  if (::lstat(name.c_str(), &entry) != 0) {
    if (errno != ENOENT) FailCreate(name, errno);
    ProbeNewFile(name);
    return;
  }
  // Not cut, and never waiting: a pipe without a reader is refused at once.
  const int fd = ::open(name.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd >= 0) {
    ::close(fd);
    return;
  }
  // A link to a missing file: the job makes its target itself, and nothing
  // is made here for a probe.
  if (errno == ENOENT) return;
  FailCreate(name, errno);
}

void ProbeReplaceable(const std::string& name) {
  struct stat info {};
  if (::lstat(name.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) FailCreate(name, EISDIR);
    // The name will be removed and made again: the directory must allow both.
    if (::faccessat(AT_FDCWD, ".", W_OK | X_OK, AT_EACCESS) != 0) FailCreate(name, errno);
    return;
  }
  ProbeNewFile(name);
}

}  // namespace gorvan
