#include "model/internal/mersenne_block.h"

#include "model/internal/mersenne_twist.h"
#include "simd/vector_lanes.h"

namespace gorvan {
namespace {

constexpr int kWords = kMersenneWords;               // 624
constexpr int kForward = kWords - mt19937::kShiftM;  // 227 words reach forward

using lanes::EightWords;
using lanes::FourWords;
using lanes::kLanes;
using lanes::Load;
using lanes::Store;
using mt19937::kShiftM;
using mt19937::Temper;
using mt19937::Twist;

// Words first..last-1 from words k + 1 and k + offset, a vector at a time,
// the leftovers one by one. Safe while offset reaches outside the run or
// back to words already made.
template <typename Lanes>
[[gnu::always_inline]] inline void TwistRun(uint32_t* w, int first, int last, int offset) {
  constexpr int kWidth = kLanes<Lanes>;
  int k = first;
  for (; k + kWidth <= last; k += kWidth) {
    Store(w + k, Twist(Load<Lanes>(w + k), Load<Lanes>(w + k + 1), Load<Lanes>(w + k + offset)));
  }
  for (; k < last; ++k) w[k] = Twist<uint32_t>(w[k], w[k + 1], w[k + offset]);
}

template <typename Lanes>
[[gnu::always_inline]] inline void Regenerate(uint32_t* w) {
  TwistRun<Lanes>(w, 0, kForward, kShiftM);
  // Words 227..622 reach back 227 places, to words made above; a vector of
  // at most 227 lanes never reaches into itself.
  TwistRun<Lanes>(w, kForward, kWords - 1, kShiftM - kWords);
  w[kWords - 1] = Twist<uint32_t>(w[kWords - 1], w[0], w[kShiftM - 1]);
}

template <typename Lanes>
[[gnu::always_inline]] inline void TemperRun(const uint32_t* words, uint32_t* out, int count) {
  constexpr int kWidth = kLanes<Lanes>;
  int i = 0;
  for (; i + kWidth <= count; i += kWidth) Store(out + i, Temper(Load<Lanes>(words + i)));
  for (; i < count; ++i) {
    FourWords one = {words[i], 0, 0, 0};
    out[i] = Temper(one)[0];
  }
}

void RegeneratePortable(uint32_t* w) { Regenerate<FourWords>(w); }
[[gnu::target("avx2")]] void RegenerateAvx2(uint32_t* w) { Regenerate<EightWords>(w); }

void TemperPortable(const uint32_t* words, uint32_t* out, int count) {
  TemperRun<FourWords>(words, out, count);
}
[[gnu::target("avx2")]] void TemperAvx2(const uint32_t* words, uint32_t* out, int count) {
  TemperRun<EightWords>(words, out, count);
}

}  // namespace

void RegenerateMersenneWords(MersenneState& mt, VectorCode code) {
  if (code == VectorCode::kAvx2) {
    RegenerateAvx2(mt.words);
  } else {
    RegeneratePortable(mt.words);
  }
}

void TemperMersenneWords(const uint32_t* words, uint32_t* out, int count, VectorCode code) {
  if (code == VectorCode::kAvx2) {
    TemperAvx2(words, out, count);
  } else {
    TemperPortable(words, out, count);
  }
}

}  // namespace gorvan
