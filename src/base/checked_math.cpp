#include "base/checked_math.h"

#include <string>

namespace gorvan {

void ThrowOverflow(const char* operation, SourceLocation where) {
  throw RuntimeError(kArithmeticOverflow,
                     std::string(operation) + " 32-bit integers: the result overflows", where);
}

}  // namespace gorvan
