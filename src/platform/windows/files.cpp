// The file calls on Windows (MinGW-w64 and MSVC runtimes): the C runtime's
// descriptors in binary mode, and the Win32 calls where the runtime has no
// counterpart (links, same-file checks).
#include "platform/files.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace gorvan {
namespace {

int Flags(OpenFor purpose) {
  switch (purpose) {
    case OpenFor::kReading:
    case OpenFor::kInspecting:
      return _O_RDONLY;
    case OpenFor::kRewriting:
      return _O_WRONLY | _O_CREAT | _O_TRUNC;
    case OpenFor::kNewFileOnly:
      return _O_WRONLY | _O_CREAT | _O_EXCL;
    case OpenFor::kWritingUncut:
      return _O_WRONLY | _O_CREAT;
    case OpenFor::kProbingExisting:
      return _O_WRONLY;
    case OpenFor::kLocking:
      return _O_RDWR | _O_CREAT;
  }
  return _O_RDONLY;
}

}  // namespace

int OpenFile(const std::string& name, OpenFor purpose) {
  // Binary: the program writes its own line ends. Not inherited.
  return ::_open(name.c_str(), Flags(purpose) | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

long WriteSome(int fd, const char* data, size_t size) {
  const unsigned chunk = size > 0x40000000u ? 0x40000000u : static_cast<unsigned>(size);
  return ::_write(fd, data, chunk);
}

long ReadSome(int fd, char* data, size_t size) {
  const unsigned chunk = size > 0x40000000u ? 0x40000000u : static_cast<unsigned>(size);
  return ::_read(fd, data, chunk);
}

bool CloseFile(int fd) { return ::_close(fd) == 0; }

EntryKind LookAt(const std::string& name) {
  const DWORD attributes = ::GetFileAttributesA(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    errno = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT : EACCES;
    return EntryKind::kMissing;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryKind::kSymbolicLink;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EntryKind::kDirectory;
  return EntryKind::kRegularFile;
}

bool IsDirectory(int fd) {
  struct _stat64 info {};
  return ::_fstat64(fd, &info) == 0 && (info.st_mode & _S_IFDIR) != 0;
}

bool StillNamed(int fd, const std::string& name) {
  // The runtime's stat has no file identity on Windows: the volume serial
  // number and the file index of both handles are compared instead.
  const HANDLE open_file = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  const HANDLE named =
      ::CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (open_file == INVALID_HANDLE_VALUE || named == INVALID_HANDLE_VALUE) {
    if (named != INVALID_HANDLE_VALUE) ::CloseHandle(named);
    return false;
  }
  BY_HANDLE_FILE_INFORMATION a{}, b{};
  const bool same = ::GetFileInformationByHandle(open_file, &a) &&
                    ::GetFileInformationByHandle(named, &b) &&
                    a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
                    a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
  ::CloseHandle(named);
  return same;
}

bool RemoveName(const std::string& name) { return ::_unlink(name.c_str()) == 0; }

std::string ResolvedPath(const std::string& name) {
  char* resolved = ::_fullpath(nullptr, name.c_str(), 0);
  if (resolved == nullptr) return "";
  std::string path = resolved;
  std::free(resolved);
  return path;
}

bool WorkingDirectoryIsWritable() { return ::_access(".", 2) == 0; }

int OpenSpareDescriptor() { return ::_open("NUL", _O_RDONLY | _O_NOINHERIT); }

}  // namespace gorvan
