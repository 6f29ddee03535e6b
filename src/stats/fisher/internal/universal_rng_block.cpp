#include "stats/fisher/internal/universal_rng_block.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "base/internal_check.h"
#include "simd/vector_lanes.h"
#include "stats/fisher/internal/universal_rng_seeding.h"

namespace gorvan {
namespace {

constexpr Extended kTwoTo24 = 16777216.0L;

using Rng = UniversalRngBlock;

using lanes::EightInts;
using lanes::FourInts;
using lanes::kLanes;
using lanes::Load;
using lanes::Store;

template <typename Lanes>
[[gnu::always_inline]] inline Lanes AllLanes(int32_t value) {
  Lanes lanes;
  for (int j = 0; j < kLanes<Lanes>; ++j) lanes[j] = value;
  return lanes;
}

// The reference generator's lag position before draw n: 97 before draw 0,
// then one lower per draw, wrapping from 1 to 97.
int16_t LongLagPosition(int64_t n) {
  return static_cast<int16_t>(kLaggedValues - n % kLaggedValues);
}

// The other lag position, 64 places lower (mod 97).
int16_t ShortLagPosition(int16_t long_position) {
  const int offset = UniversalRngBlock::kLong - UniversalRngBlock::kShort;
  return static_cast<int16_t>(long_position > offset ? long_position - offset
                                                     : long_position + UniversalRngBlock::kShort);
}

// The place in U (1..97) that is `ahead` places above `position`, wrapping.
int WrappedPosition(int position, int ahead) {
  const int place = position + ahead;
  return place > kLaggedValues ? place - kLaggedValues : place;
}

uint32_t ToInteger(Extended value) {
  const Extended scaled = value * kTwoTo24;
  if (!(scaled >= 0 && scaled < kTwoTo24) || scaled != floorl(scaled)) {
    InternalFault("not a value of the universal generator");
  }
  return static_cast<uint32_t>(scaled);
}

// The block's lagged values, group by group: a group of 33 needs only the
// values 33 and 97 places back, all in earlier groups. Loads of the group
// just made meet its stores lane for lane, which keeps the processor's store
// forwarding working.
template <typename Lanes>
[[gnu::always_inline]] inline void MakeLags(uint32_t* lags) {
  constexpr int kWidth = kLanes<Lanes>;
  const Lanes mask = AllLanes<Lanes>(static_cast<int32_t>(Rng::kValueMask));
  for (int group = Rng::kLong; group < Rng::kLong + Rng::kLagsMade; group += Rng::kGroup) {
    int place = group;
    for (; place + kWidth <= group + Rng::kGroup; place += kWidth) {
      const Lanes older = Load<Lanes>(lags + place - Rng::kLong);
      const Lanes newer = Load<Lanes>(lags + place - Rng::kShort);
      Store(lags + place, (older - newer) & mask);
    }
    for (; place < group + Rng::kGroup; ++place) {
      lags[place] = (lags[place - Rng::kLong] - lags[place - Rng::kShort]) & Rng::kValueMask;
    }
  }
}

// The draws: each lagged value less its correction, with lane j carrying the
// corrections of draws j, j + width, j + 2 width, ...
template <typename Lanes>
[[gnu::always_inline]] inline void MakeValues(const uint32_t* lags, uint32_t* values,
                                              int32_t correction_before) {
  constexpr int kWidth = kLanes<Lanes>;
  // The correction steps back by kDecrement per draw, over a lane's stride
  // by this.
  constexpr int32_t kStrideDecrement =
      static_cast<int32_t>(int64_t{kWidth} * Rng::kDecrement % Rng::kModulus);
  const Lanes mask = AllLanes<Lanes>(static_cast<int32_t>(Rng::kValueMask));
  const Lanes modulus = AllLanes<Lanes>(Rng::kModulus);
  Lanes correction;
  int32_t running = correction_before;
  for (int j = 0; j < kWidth; ++j) {
    running -= Rng::kDecrement;
    if (running < 0) running += Rng::kModulus;
    correction[j] = running;
  }
  static_assert(Rng::kValuesMade % 8 == 0);
  for (int place = 0; place < Rng::kValuesMade; place += kWidth) {
    Store(values + place, (Load<Lanes>(lags + Rng::kLong + place) - correction) & mask);
    correction -= kStrideDecrement;
    correction += (correction < 0) & modulus;  // a true comparison is all ones
  }
}

// The same code built for plain x86-64 and for AVX2: the same integers.
void MakeBlockPortable(uint32_t* lags, uint32_t* values, int32_t correction_before) {
  MakeLags<FourInts>(lags);
  MakeValues<FourInts>(lags, values, correction_before);
}

[[gnu::target("avx2")]] void MakeBlockAvx2(uint32_t* lags, uint32_t* values,
                                           int32_t correction_before) {
  MakeLags<EightInts>(lags);
  MakeValues<EightInts>(lags, values, correction_before);
}

}  // namespace

int32_t CorrectionAfter(int32_t correction, int64_t draws) {
  const int64_t modulus = UniversalRngBlock::kModulus;
  const int64_t steps = draws % modulus;  // keeps the product below 2^48
  int64_t result = (correction - steps * UniversalRngBlock::kDecrement) % modulus;
  if (result < 0) result += modulus;
  return static_cast<int32_t>(result);
}

void UniversalRngBlock::Seed(int16_t UU1, int16_t UU2, int16_t UU3, int16_t UU4) {
  // Seeds the chain never gets (it needs 1..168) are seeded by the reference.
  if (!SeedsSuitIntegerSeeding(UU1, UU2, UU3, UU4)) {
    UniversalRng reference;
    MAKE_RANDOM(reference, UU1, UU2, UU3, UU4);
    FromReference(reference, 0);
    return;
  }
  uint32_t seeded[kLaggedValues];
  SeededLagsInIntegers(UU1, UU2, UU3, UU4, seeded);
  std::memcpy(lags_, seeded, sizeof seeded);  // oldest first, as lags_ holds them
  correction_before_block_ = kSeededCorrection;
  block_start_ = 0;
  FillBlock();
}

void UniversalRngBlock::FillBlock() {
  if (code_ == Code::kAvx2) {
    MakeBlockAvx2(lags_, values_, correction_before_block_);
  } else {
    MakeBlockPortable(lags_, values_, correction_before_block_);
  }
  next_ = 0;
}

void UniversalRngBlock::MakeNextBlock() {
  static_assert(kBlock >= kLong, "the history is copied in one piece");
  const int64_t place_in_next_block = next_ - kBlock;
  std::memcpy(lags_, lags_ + kBlock, sizeof(uint32_t) * kLong);
  correction_before_block_ = CorrectionAfter(correction_before_block_, kBlock);
  block_start_ += kBlock;
  FillBlock();
  next_ = place_in_next_block;
}

UniversalRngBlock::Snapshot UniversalRngBlock::Save() const {
  Snapshot snapshot;
  std::memcpy(snapshot.lags, lags_ + next_, sizeof snapshot.lags);
  snapshot.correction = CorrectionAfter(correction_before_block_, next_);
  snapshot.drawn = drawn();
  return snapshot;
}

void UniversalRngBlock::Restore(const Snapshot& snapshot) {
  std::memcpy(lags_, snapshot.lags, sizeof snapshot.lags);
  correction_before_block_ = snapshot.correction;
  block_start_ = snapshot.drawn;
  FillBlock();
}

UniversalRng UniversalRngBlock::ToReference(int64_t back) const {
  Check(back >= 0 && back <= drawn(), "no such earlier draw of the universal generator");
  // window[j] = x(n - 97 + j) for the target draw n, found by running the
  // recurrence backwards from the current lags.
  const auto places = static_cast<size_t>(back);
  std::vector<uint32_t> window(kLong + places);
  std::memcpy(window.data() + places, lags_ + next_, sizeof(uint32_t) * kLong);
  for (size_t j = places; j-- > 0;) {
    window[j] = (window[j + kLong] + window[j + kLong - kShort]) & kValueMask;
  }
  const int64_t n = drawn() - back;
  UniversalRng rng;
  rng.DP = LongLagPosition(n);
  rng.DQ = ShortLagPosition(rng.DP);
  // U at the place j above DP holds x(n - j).
  for (int j = 1; j <= kLong; ++j) {
    rng.U[WrappedPosition(rng.DP, j)] = window[static_cast<size_t>(kLong - j)] / kTwoTo24;
  }
  rng.DI = CorrectionAfter(correction_before_block_, next_ - back) / kTwoTo24;
  rng.DD = kDecrement / kTwoTo24;
  rng.DM = kModulus / kTwoTo24;
  return rng;
}

void UniversalRngBlock::FromReference(const UniversalRng& rng, int64_t drawn) {
  const bool positions_usable =
      drawn >= 0 && rng.DP == LongLagPosition(drawn) && rng.DQ == ShortLagPosition(rng.DP);
  const bool constants_usable = rng.DD * kTwoTo24 == kDecrement && rng.DM * kTwoTo24 == kModulus;
  Check(positions_usable && constants_usable, "not a state of the universal generator");
  for (int j = 1; j <= kLong; ++j) lags_[kLong - j] = ToInteger(rng.U[WrappedPosition(rng.DP, j)]);
  const uint32_t correction = ToInteger(rng.DI);
  Check(correction < static_cast<uint32_t>(kModulus), "not a state of the universal generator");
  correction_before_block_ = static_cast<int32_t>(correction);
  block_start_ = drawn;
  FillBlock();
}

}  // namespace gorvan
