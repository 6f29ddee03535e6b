// The words of the process-wide Mersenne Twister stream.
#pragma once

#include <cstdint>

namespace gorvan {

inline constexpr int kMersenneWords = 624;

struct MersenneState {
  uint32_t words[kMersenneWords] = {};
  // Position of the next word to temper: 624 means all words are used and
  // must be regenerated; 625 means the words must first be filled from the
  // seed (so the very first draw initialises the stream, even from seed 0).
  int32_t index = 625;
};

}  // namespace gorvan
