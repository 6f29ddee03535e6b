#include "textio/fresh_file.h"

#include <cerrno>
#include <cstring>

#include "base/runtime_error.h"
#include "platform/files.h"

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
    const EntryKind entry = LookAt(name);
    if (entry != EntryKind::kMissing) {
      // A directory is never removed: it is in the way, as for any output file.
      if (entry == EntryKind::kDirectory) FailCreate(name, EISDIR);
      if (!RemoveName(name) && errno != ENOENT) FailCreate(name, errno);
    }
    // The file is new and ours, never a link's target.
    const int fd = OpenFile(name, OpenFor::kNewFileOnly);
    if (fd >= 0) return fd;
    if (errno != EEXIST) FailCreate(name, errno);
  }
  FailCreate(name, EEXIST);
}

}  // namespace gorvan
