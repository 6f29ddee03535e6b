// The process-wide MT19937 stream. The words and their index live in the
// State record; RANDSEED and OLDRANDSEED decide when the words are refilled.
#include "model/random_source.h"

#include "model/internal/mersenne_twist.h"
#include "platform/clock.h"

namespace gorvan {
namespace {

using mt19937::kShiftM;
using mt19937::Temper;
using mt19937::Twist;

constexpr int32_t kIndexExhausted = kMersenneWords;     // 624: regenerate
constexpr int32_t kIndexUnseeded = kMersenneWords + 1;  // 625: fill from RANDSEED

// All 624 words at once, in the reference order: the first 227 words reach
// forward 397 places, the following 396 wrap round to the start, and the
// last word combines with words 0 and 396.
void RegenerateWordByWord(MersenneState& mt) {
  uint32_t* w = mt.words;
  int k = 0;
  for (; k < kMersenneWords - kShiftM; ++k) w[k] = Twist(w[k], w[k + 1], w[k + kShiftM]);
  for (; k < kMersenneWords - 1; ++k) {
    w[k] = Twist(w[k], w[k + 1], w[k + (kShiftM - kMersenneWords)]);
  }
  w[kMersenneWords - 1] = Twist(w[kMersenneWords - 1], w[0], w[kShiftM - 1]);
}

// Fills the words from RANDSEED and leaves its complement behind, so that any
// later assignment to RANDSEED, even of the value it had, differs from
// OLDRANDSEED and restarts the stream at the next draw.
void SeedFromRandseed(State& s) {
  SGENRAND_MT19937(s.MT, static_cast<uint32_t>(s.RANDSEED));
  s.RANDSEED = ~s.RANDSEED;
  s.OLDRANDSEED = s.RANDSEED;
}

}  // namespace

uint32_t MillisecondTicks() {
  // Time since boot (including suspend where the system counts it); only the
  // low 32 bits of the millisecond count are kept, as with any 32-bit tick
  // counter that wraps after about 49 days.
  return static_cast<uint32_t>(MillisecondsSinceStart());
}

void RANDOMIZE(State& s, std::optional<int32_t> seed) {
  s.RANDSEED = seed.has_value() ? *seed : static_cast<int32_t>(MillisecondTicks());
}

void SGENRAND_MT19937(MersenneState& mt, uint32_t seed) {
  mt.words[0] = seed;
  for (int i = 1; i < kMersenneWords; ++i) {
    const uint32_t previous = mt.words[i - 1];
    // Unsigned arithmetic: the product and sum are taken modulo 2^32.
    mt.words[i] = 1812433253U * (previous ^ (previous >> 30)) + static_cast<uint32_t>(i);
  }
  mt.index = kIndexExhausted;
}

void ReadyNextWord(State& s, RegenerateWords regenerate) {
  if (s.RANDSEED != s.OLDRANDSEED) s.MT.index = kIndexUnseeded;
  // Any index outside 0..623 means the words cannot be used as they stand;
  // only 625 asks for a fresh fill from the seed.
  if (s.MT.index < 0 || s.MT.index >= kIndexExhausted) {
    if (s.MT.index == kIndexUnseeded) SeedFromRandseed(s);
    regenerate(s.MT);
    s.MT.index = 0;
  }
}

uint32_t GENRAND_MT19937(State& s) {
  ReadyNextWord(s, RegenerateWordByWord);
  const uint32_t y = s.MT.words[s.MT.index];
  ++s.MT.index;
  return Temper(y);
}

Extended RANDOM(State& s) {
  // Exact: every 32-bit output is a multiple of 2^-32 below 1 in the 64-bit
  // significand.
  return static_cast<Extended>(GENRAND_MT19937(s)) * 0x1p-32L;
}

int32_t RANDOM(State& s, int32_t n) {
  if (n < 0) n += 1;  // cannot overflow: n is negative
  const int64_t product = static_cast<int64_t>(GENRAND_MT19937(s)) * static_cast<int64_t>(n);
  // The high word of the product, floored (arithmetic shift) for negative n.
  return static_cast<int32_t>(product >> 32);
}

}  // namespace gorvan
