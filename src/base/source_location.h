// The place in the source where a run-time error is raised. This is
// std::source_location where the standard library provides it; clang before
// version 15 has the compiler builtins behind it but not the library type,
// so the fuzzing build (clang) gets a minimal type of the same shape.
#pragma once

#include <version>

#if defined(__cpp_lib_source_location)
#include <source_location>

namespace gorvan {
using SourceLocation = std::source_location;
}  // namespace gorvan

#else
#include <cstdint>

namespace gorvan {

class SourceLocation {
 public:
  static constexpr SourceLocation current(const char* file = __builtin_FILE(),
                                          uint_least32_t line = __builtin_LINE()) noexcept {
    SourceLocation place;
    place.file_ = file;
    place.line_ = line;
    return place;
  }
  constexpr const char* file_name() const noexcept { return file_; }
  constexpr uint_least32_t line() const noexcept { return line_; }

 private:
  const char* file_ = "";
  uint_least32_t line_ = 0;
};

}  // namespace gorvan
#endif
