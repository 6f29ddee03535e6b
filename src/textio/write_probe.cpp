#include "textio/write_probe.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/runtime_error.h"
#include "textio/new_file_mode.h"

namespace gorvan {
namespace {

[[noreturn]] void FailCreate(const std::string& name, int errno_value) {
  throw RuntimeError(ErrorNumberFor(FileOperation::kCreate, errno_value),
                     "creating file " + name + ": " + std::strerror(errno_value));
}

// The directory takes a new file of this name: one is made and removed.
void ProbeNewFile(const std::string& name) {
  const int fd =
      ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kNewFileMode);
  if (fd < 0) FailCreate(name, errno);
  ::close(fd);
  ::unlink(name.c_str());
}

// `name` is a symbolic link whose target is missing: the job will create the
// target through the link, so the probe does the same and removes what it
// made. A link into a missing directory or one the user may not write fails
// here as it would in the job.
void ProbeThroughLink(const std::string& name) {
  const int fd =
      ::open(name.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, kNewFileMode);
  if (fd < 0) FailCreate(name, errno);
  ::close(fd);
  char* made = ::realpath(name.c_str(), nullptr);
  if (made != nullptr) {
    ::unlink(made);
    std::free(made);
  }
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
  if (errno == ENOENT && S_ISLNK(entry.st_mode)) {
    ProbeThroughLink(name);
    return;
  }
  FailCreate(name, errno);
}

void ProbeDescriptors(const std::vector<std::string>& names) {
  std::vector<int> held;
  int failure = 0;
  size_t failed_at = 0;
  for (size_t k = 0; k < names.size() && failure == 0; ++k) {
    const int fd = ::open(".", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      failure = errno;
      failed_at = k;
    } else {
      held.push_back(fd);
    }
  }
  for (int fd : held) ::close(fd);
  if (failure != 0) FailCreate(names[failed_at], failure);
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
