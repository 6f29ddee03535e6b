// The run-time error stop: an input/output failure, an invalid number or an
// integer overflow ends the program with the error number as its exit code.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/source_location.h"

namespace gorvan {

enum ErrorNumber : int {
  kFileNotFound = 2,
  kPathNotFound = 3,
  kAccessDenied = 5,
  kDiskReadError = 100,
  kDiskWriteError = 101,
  kInvalidNumericFormat = 106,
  kArithmeticOverflow = 215,
};

// Thrown at the point of failure and caught by the program entry, which
// prints it and exits with `number`.
class RuntimeError : public std::runtime_error {
 public:
  // `detail` says what the program was doing and why it failed, e.g.
  // "opening GORVAN.IN for reading: No such file or directory".
  RuntimeError(int number, std::string detail, SourceLocation where = SourceLocation::current());

  int number() const { return number_; }
  // Eight hexadecimal digits naming the place of failure in the source.
  uint32_t location() const { return location_; }
  const std::string& detail() const { return detail_; }
  const std::string& source_place() const { return source_place_; }

  // The console lines of the stop: "Runtime error N at $XXXXXXXX", then the
  // lines that help to find the cause.
  std::vector<std::string> ConsoleLines() const;

 private:
  int number_;
  uint32_t location_;
  std::string detail_;
  std::string source_place_;
};

// The error number for a failed system call on a file, from its errno.
enum class FileOperation { kOpenForReading, kCreate, kRead, kWrite, kClose, kErase };
int ErrorNumberFor(FileOperation operation, int errno_value);

}  // namespace gorvan
