// For tests: makes the next output of the stream a chosen 32-bit value, for
// draws (such as exactly 0, 1/2 or 1 - 2^-32) that a seed would take billions
// of outputs to reach.
#pragma once

#include <cstdint>

#include "state/state.h"

namespace gorvan {

// The word that tempering turns into `output` (tempering is invertible).
inline uint32_t UntemperedWord(uint32_t output) {
  uint32_t y = output;
  y ^= y >> 18;
  y ^= (y << 15) & 0xefc60000U;
  uint32_t x = y;
  for (int i = 0; i < 5; ++i) x = y ^ ((x << 7) & 0x9d2c5680U);
  y = x;
  for (int i = 0; i < 3; ++i) x = y ^ (x >> 11);
  return x;
}

// Plants the outputs in the words from `position` on and points the stream at
// them; the seed is marked as used so that the next draw does not refill.
template <typename Outputs>
void PlantOutputs(State& s, const Outputs& outputs, int position = 0) {
  s.OLDRANDSEED = s.RANDSEED;
  s.MT.index = position;
  for (uint32_t output : outputs) s.MT.words[position++] = UntemperedWord(output);
}

inline void PlantNextOutput(State& s, uint32_t output) {
  const uint32_t one[] = {output};
  PlantOutputs(s, one, 100);
}

}  // namespace gorvan
