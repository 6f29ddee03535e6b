// The process-wide stream of pseudo-random numbers: MT19937 (2002 seeding),
// seeded once from the millisecond tick counter or from --seed.
#pragma once

#include <cstdint>
#include <optional>

#include "state/state.h"

namespace gorvan {

// Milliseconds since the system started, as a 32-bit counter.
uint32_t MillisecondTicks();

// Reads the tick counter unless `seed` is given; writes RANDSEED := that
// value. The words are filled lazily by the next draw.
void RANDOMIZE(State& s, std::optional<int32_t> seed = std::nullopt);

// Fills the words from `seed` (reference 2002 initialisation); index := 624.
void SGENRAND_MT19937(MersenneState& mt, uint32_t seed);

// The next 32-bit output. Reads and writes MT, RANDSEED and OLDRANDSEED
// ((re)initialising from RANDSEED when it changed).
uint32_t GENRAND_MT19937(State& s);

// What GENRAND_MT19937 does before it takes a word: fills the words from
// RANDSEED when the seed was set anew, and regenerates them, with
// `regenerate`, when all are used. Afterwards MT.index lies in 0..623 and
// the words from there on are the stream's next outputs, untempered.
using RegenerateWords = void (*)(MersenneState& mt);
void ReadyNextWord(State& s, RegenerateWords regenerate);

// A real in [0, 1): the output times 2^-32, in extended precision. Reads and
// writes the stream, as GENRAND_MT19937.
Extended RANDOM(State& s);

// floor(u x n / 2^32) from the signed 64-bit product (n < 0 first gets +1).
int32_t RANDOM(State& s, int32_t n);

}  // namespace gorvan
