#include "simd/cpu_features.h"

namespace gorvan {

VectorCode FastestVectorCode() {
  // Asked once: the answer cannot change while the program runs.
  static const VectorCode fastest =
      __builtin_cpu_supports("avx2") ? VectorCode::kAvx2 : VectorCode::kPortable;
  return fastest;
}

}  // namespace gorvan
