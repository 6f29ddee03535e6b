// The file calls on POSIX systems (Linux, macOS).
#include "platform/files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gorvan {
namespace {

constexpr mode_t kNewFileMode = 0666;  // less the umask, which the system applies

int Flags(OpenFor purpose) {
  switch (purpose) {
    case OpenFor::kReading:
      return O_RDONLY;
    case OpenFor::kRewriting:
      return O_WRONLY | O_CREAT | O_TRUNC;
    case OpenFor::kNewFileOnly:
      return O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW;
    case OpenFor::kWritingUncut:
      return O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY;
    case OpenFor::kProbingExisting:
      return O_WRONLY | O_NONBLOCK | O_NOCTTY;
    case OpenFor::kLocking:
      return O_RDWR | O_CREAT | O_NOFOLLOW;
    case OpenFor::kInspecting:
      return O_RDONLY | O_NOFOLLOW;
  }
  return O_RDONLY;
}

}  // namespace

int OpenFile(const std::string& name, OpenFor purpose) {
  return ::open(name.c_str(), Flags(purpose) | O_CLOEXEC, kNewFileMode);
}

long WriteSome(int fd, const char* data, size_t size) { return ::write(fd, data, size); }

long ReadSome(int fd, char* data, size_t size) { return ::read(fd, data, size); }

bool CloseFile(int fd) { return ::close(fd) == 0; }

EntryKind LookAt(const std::string& name) {
  struct stat entry {};
  if (::lstat(name.c_str(), &entry) != 0) return EntryKind::kMissing;
  if (S_ISREG(entry.st_mode)) return EntryKind::kRegularFile;
  if (S_ISDIR(entry.st_mode)) return EntryKind::kDirectory;
  if (S_ISLNK(entry.st_mode)) return EntryKind::kSymbolicLink;
  return EntryKind::kOther;
}

bool IsDirectory(int fd) {
  struct stat info {};
  return ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
}

bool StillNamed(int fd, const std::string& name) {
  struct stat open_file {
  }, named{};
  if (::fstat(fd, &open_file) != 0 || ::lstat(name.c_str(), &named) != 0) return false;
  return open_file.st_dev == named.st_dev && open_file.st_ino == named.st_ino;
}

bool RemoveName(const std::string& name) { return ::unlink(name.c_str()) == 0; }

std::string ResolvedPath(const std::string& name) {
  char* resolved = ::realpath(name.c_str(), nullptr);
  if (resolved == nullptr) return "";
  std::string path = resolved;
  std::free(resolved);
  return path;
}

bool WorkingDirectoryIsWritable() {
  return ::faccessat(AT_FDCWD, ".", W_OK | X_OK, AT_EACCESS) == 0;
}

int OpenSpareDescriptor() { return ::open(".", O_RDONLY | O_CLOEXEC); }

}  // namespace gorvan
