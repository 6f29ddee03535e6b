#include "textio/write_probe.h"

#include <cerrno>
#include <cstring>

#include "base/runtime_error.h"
#include "platform/files.h"

namespace gorvan {
namespace {

[[noreturn]] void FailCreate(const std::string& name, int errno_value) {
  throw RuntimeError(ErrorNumberFor(FileOperation::kCreate, errno_value),
                     "creating file " + name + ": " + std::strerror(errno_value));
}

// The directory takes a new file of this name: one is made and removed.
void ProbeNewFile(const std::string& name) {
  const int fd = OpenFile(name, OpenFor::kNewFileOnly);
  if (fd < 0) FailCreate(name, errno);
  CloseFile(fd);
  RemoveName(name);
}

// `name` is a symbolic link whose target is missing: the job will create the
// target through the link, so the probe does the same and removes what it
// made. A link into a missing directory or one the user may not write fails
// here as it would in the job.
void ProbeThroughLink(const std::string& name) {
  const int fd = OpenFile(name, OpenFor::kWritingUncut);
  if (fd < 0) FailCreate(name, errno);
  CloseFile(fd);
  const std::string made = ResolvedPath(name);
  if (!made.empty()) RemoveName(made);
}

}  // namespace

void ProbeRewritable(const std::string& name) {
  const EntryKind entry = LookAt(name);
  if (entry == EntryKind::kMissing) {
    if (errno != ENOENT) FailCreate(name, errno);
    ProbeNewFile(name);
    return;
  }
  // A directory is in the way, whatever the system would say of opening it.
  if (entry == EntryKind::kDirectory) FailCreate(name, EISDIR);
  // Not cut, and never waiting: a pipe without a reader is refused at once.
  const int fd = OpenFile(name, OpenFor::kProbingExisting);
  if (fd >= 0) {
    CloseFile(fd);
    return;
  }
  if (errno == ENOENT && entry == EntryKind::kSymbolicLink) {
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
    const int fd = OpenSpareDescriptor();
    if (fd < 0) {
      failure = errno;
      failed_at = k;
    } else {
      held.push_back(fd);
    }
  }
  for (int fd : held) CloseFile(fd);
  if (failure != 0) FailCreate(names[failed_at], failure);
}

void ProbeReplaceable(const std::string& name) {
  const EntryKind entry = LookAt(name);
  if (entry != EntryKind::kMissing) {
    if (entry == EntryKind::kDirectory) FailCreate(name, EISDIR);
    // The name will be removed and made again: the directory must allow both.
    if (!WorkingDirectoryIsWritable()) FailCreate(name, errno);
    return;
  }
  ProbeNewFile(name);
}

}  // namespace gorvan
