// Which vector code the fast loops run: portable x86-64 code (four 32-bit
// lanes, SSE2) or AVX2 code (eight lanes) where the processor has AVX2. Every
// fast loop gives the same numbers with either.
#pragma once

namespace gorvan {

enum class VectorCode { kPortable, kAvx2 };

// AVX2 when this processor has it, otherwise the portable code.
VectorCode FastestVectorCode();

}  // namespace gorvan
