// The MT19937 words regenerated and tempered in vector blocks.
//
// The recurrence makes word k from words k, k + 1 and k + 397 (mod 624) as
// they stood before the regeneration, except that words 227 and on reach
// back to words 0..396 already made anew. A run of up to 227 consecutive
// words therefore depends on no word of the same run, so the words are made
// a vector at a time in the reference order and come out the same, bit for
// bit; so do the tempered outputs.
#pragma once

#include <cstdint>

#include "simd/cpu_features.h"
#include "state/mersenne_state.h"

namespace gorvan {

// All 624 words at once, as the reference regeneration makes them. The
// index is left alone.
void RegenerateMersenneWords(MersenneState& mt, VectorCode code);

// out[i] := the tempered words[i] for i in 0..count-1.
void TemperMersenneWords(const uint32_t* words, uint32_t* out, int count, VectorCode code);

}  // namespace gorvan
