#include "base/internal_check.h"

#include <cstring>

namespace gorvan {
namespace {

// The file's name without its folders, as the run-time errors show it.
const char* BaseName(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash != nullptr ? slash + 1 : path;
}

}  // namespace

InternalError::InternalError(const std::string& message, SourceLocation where)
    : std::logic_error(message), file_(BaseName(where.file_name())), line_(where.line()) {}

void InternalFault(const std::string& message, SourceLocation where) {
  throw InternalError(message, where);
}

}  // namespace gorvan
