// Vectors of 32-bit lanes for the generators and the gene counting: four
// lanes for plain x86-64 (SSE2), eight for AVX2.
//
// The helpers are always inlined into the function built for each processor,
// so the warning about passing such vectors between functions built for
// different processors does not apply; a file that includes this header has
// it silenced from here on.
#pragma once

#include <cstdint>
#include <cstring>

#pragma GCC diagnostic ignored "-Wpsabi"

namespace gorvan::lanes {

typedef uint32_t FourWords __attribute__((vector_size(16)));
typedef uint32_t EightWords __attribute__((vector_size(32)));
typedef int32_t FourInts __attribute__((vector_size(16)));
typedef int32_t EightInts __attribute__((vector_size(32)));

template <typename Lanes>
constexpr int kLanes = sizeof(Lanes) / sizeof(uint32_t);

// Unaligned loads and stores: memcpy compiles to one vector move.
template <typename Lanes>
[[gnu::always_inline]] inline Lanes Load(const uint32_t* place) {
  Lanes lanes;
  std::memcpy(&lanes, place, sizeof lanes);
  return lanes;
}

template <typename Lanes>
[[gnu::always_inline]] inline void Store(uint32_t* place, Lanes lanes) {
  std::memcpy(place, &lanes, sizeof lanes);
}

}  // namespace gorvan::lanes
