#include "textio/fresh_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/runtime_error.h"
#include "textio/new_file_mode.h"

namespace gorvan {
namespace {

// Another process that keeps recreating the name between our removal and
// our creation wins only this many times before the job gives up.
constexpr int kAttempts = 16;

[[noreturn]] void FailCreate(const std::string& name, int errno_value) {
  throw RuntimeError(ErrorNumberFor(FileOperation::kCreate, errno_value),
                     "creating file " + name + ": " + std::strerror(errno_value));
}

}  // namespace

int CreateFreshFile(const std::string& name) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    struct stat info {};
    if (::lstat(name.c_str(), &info) == 0) {
      // A directory is never removed: it is in the way, as for any output file.
      if (S_ISDIR(info.st_mode)) FailCreate(name, EISDIR);
      if (::unlink(name.c_str()) != 0 && errno != ENOENT) FailCreate(name, errno);
    }
    // O_EXCL with O_NOFOLLOW: the file is new and ours, never a link's target.
    const int fd =
        ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kNewFileMode);
    if (fd >= 0) return fd;
    if (errno != EEXIST) FailCreate(name, errno);
  }
  FailCreate(name, EEXIST);
}

}  // namespace gorvan
