// 32-bit integer arithmetic checked for overflow. An overflow stops the
// program with error 215; a result later stored into a 16-bit variable keeps
// its low 16 bits without a further check (plain static_cast<int16_t>).
#pragma once

#include <cstdint>

#include "base/runtime_error.h"
#include "base/source_location.h"

namespace gorvan {

[[noreturn]] void ThrowOverflow(const char* operation, SourceLocation where);

inline int32_t CheckedAdd(int32_t a, int32_t b, SourceLocation where = SourceLocation::current()) {
  int32_t result;
  if (__builtin_add_overflow(a, b, &result)) ThrowOverflow("adding", where);
  return result;
}

inline int32_t CheckedSub(int32_t a, int32_t b, SourceLocation where = SourceLocation::current()) {
  int32_t result;
  if (__builtin_sub_overflow(a, b, &result)) ThrowOverflow("subtracting", where);
  return result;
}

inline int32_t CheckedMul(int32_t a, int32_t b, SourceLocation where = SourceLocation::current()) {
  int32_t result;
  if (__builtin_mul_overflow(a, b, &result)) ThrowOverflow("multiplying", where);
  return result;
}

}  // namespace gorvan
