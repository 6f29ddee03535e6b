// Faults of the program itself: an invariant that the code relies on does
// not hold. They are not faults of the input or of the environment (those
// are run-time errors and stops with their own exit codes), so no user can
// mend them; the program ends with "internal error", the place in the source
// and exit code 70, instead of computing on from a broken state.
//
// The checks stay on in every build: a result that may be wrong must never
// be written as if it were right.
#pragma once

#include <stdexcept>
#include <string>

#include "base/source_location.h"

namespace gorvan {

// The exit code of a program that stopped on an internal fault (EX_SOFTWARE).
inline constexpr int kInternalErrorExitCode = 70;

class InternalError : public std::logic_error {
 public:
  InternalError(const std::string& message, SourceLocation where);
  const char* file() const { return file_; }
  unsigned line() const { return line_; }

 private:
  const char* file_;
  unsigned line_;
};

// Throws InternalError for `message` at the caller's place.
[[noreturn]] void InternalFault(const std::string& message,
                                SourceLocation where = SourceLocation::current());

// Throws InternalError unless `condition` holds. The message is a literal,
// so that a check that passes costs one test and a branch.
inline void Check(bool condition, const char* message,
                  SourceLocation where = SourceLocation::current()) {
  if (!condition) [[unlikely]]
    InternalFault(message, where);
}

}  // namespace gorvan
