// The MT19937 recurrence and tempering, written once for the word-by-word
// stream and for its vector blocks: each function takes one 32-bit word or a
// vector of them, with the same operations lane by lane, so that both forms
// make the same bits.
#pragma once

#include <cstdint>

// Also instantiated on vectors, always inlined: the lanes header silences
// the warning about passing vectors between differently built functions.
#include "simd/vector_lanes.h"

namespace gorvan::mt19937 {

inline constexpr int kShiftM = 397;
inline constexpr uint32_t kMatrixA = 0x9908b0dfU;
inline constexpr uint32_t kUpperMask = 0x80000000U;
inline constexpr uint32_t kLowerMask = 0x7fffffffU;

// The new word from the upper bit of `current`, the lower bits of `next` and
// the word `far` places on; the matrix term is chosen by a mask made from
// the low bit (all ones or all zeros), which works on vectors as on words.
template <typename Word>
[[gnu::always_inline]] inline Word Twist(Word current, Word next, Word far) {
  const Word y = (current & kUpperMask) | (next & kLowerMask);
  return far ^ (y >> 1) ^ ((Word{} - (y & 1U)) & kMatrixA);
}

template <typename Word>
[[gnu::always_inline]] inline Word Temper(Word y) {
  y ^= y >> 11;
  y ^= (y << 7) & 0x9d2c5680U;
  y ^= (y << 15) & 0xefc60000U;
  y ^= y >> 18;
  return y;
}

}  // namespace gorvan::mt19937
