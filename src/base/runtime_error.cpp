#include "base/runtime_error.h"

#include <cerrno>
#include <cstdio>
#include <string_view>

namespace gorvan {
namespace {

// A full quota is a full disk to the user; not every system has the code.
bool IsQuotaExceeded(int errno_value) {
#ifdef EDQUOT
  return errno_value == EDQUOT;
#else
  (void)errno_value;
  return false;
#endif
}

// FNV-1a over the file's base name, so the location does not depend on the
// directory the program was built in.
uint32_t HashFileName(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
  uint32_t hash = 2166136261u;
  for (char c : path) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return hash;
}

std::string BaseName(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
  return std::string(path);
}

}  // namespace

RuntimeError::RuntimeError(int number, std::string detail, SourceLocation where)
    : std::runtime_error("Runtime error " + std::to_string(number) + ": " + detail),
      number_(number),
      location_((HashFileName(where.file_name()) << 16) ^ (where.line() & 0xFFFFu)),
      detail_(std::move(detail)),
      source_place_(BaseName(where.file_name()) + ":" + std::to_string(where.line())) {}

std::vector<std::string> RuntimeError::ConsoleLines() const {
  char head[64];
  std::snprintf(head, sizeof head, "Runtime error %d at $%08X", number_, location_);
  std::vector<std::string> lines{head};
  lines.push_back("  while " + detail_);
  lines.push_back("  (in " + source_place_ + ")");
  return lines;
}

int ErrorNumberFor(FileOperation operation, int errno_value) {
  switch (operation) {
    case FileOperation::kRead:
      return kDiskReadError;
    case FileOperation::kWrite:
    case FileOperation::kClose:
      return kDiskWriteError;
    case FileOperation::kOpenForReading:
    case FileOperation::kErase:
      if (errno_value == ENOENT) return kFileNotFound;
      if (errno_value == ENOTDIR || errno_value == ENAMETOOLONG || errno_value == ELOOP) {
        return kPathNotFound;
      }
      return kAccessDenied;
    case FileOperation::kCreate:
      if (errno_value == ENOENT || errno_value == ENOTDIR || errno_value == ENAMETOOLONG ||
          errno_value == ELOOP) {
        return kPathNotFound;
      }
      if (errno_value == ENOSPC || IsQuotaExceeded(errno_value) || errno_value == EIO) {
        return kDiskWriteError;
      }
      return kAccessDenied;
  }
  return kAccessDenied;
}

}  // namespace gorvan
