// The Fisher test's generator run in whole integers and made in blocks.
//
// Every value of the universal generator is a multiple of 2^-24 in [0, 1),
// so its subtractions are exact and the generator runs just as well on the
// 24-bit integers v = UNI x 2^24. Written as a sequence, with x(n) the n-th
// lagged value and c(n) the n-th correction,
//   x(n) = x(n - 97) - x(n - 33)   mod 2^24
//   c(n) = c(n - 1) - 7654321      mod 16777213
//   v(n) = x(n) - c(n)             mod 2^24,
// where GOSUB100's "add 1 (or DM) when below 0" is exactly the reduction into
// [0, 2^24) (or [0, 16777213)): both operands already lie in that range. A
// value depends only on values at least 33 draws back, so whole blocks are
// made in vector loops; the outputs are GOSUB100's numbers, draw for draw.
#pragma once

#include <cstdint>

#include "base/internal_check.h"
#include "simd/cpu_features.h"
#include "stats/fisher/universal_rng.h"

namespace gorvan {

class UniversalRngBlock {
 public:
  static constexpr int kLong = kLaggedValues;  // the long lag, 97
  static constexpr int kShort = 33;            // the short lag
  // Lagged values are made in groups of 33, each from earlier groups only.
  static constexpr int kGroup = kShort;
  static constexpr int kBlock = 32 * kGroup;  // draws handed out per block
  // Draws made beyond the block: the first ones of the next block, so that a
  // few draws in a row need no check for the block's end (see Draws).
  static constexpr int kAhead = 40;
  static constexpr int kValuesMade = kBlock + kAhead;  // a multiple of 8
  // Lagged values made per block: whole groups, enough for every draw made.
  static constexpr int kLagsMade = (kValuesMade + kGroup - 1) / kGroup * kGroup;
  static constexpr uint32_t kValueMask = (1u << 24) - 1;
  static constexpr int32_t kDecrement = 7654321;  // DD x 2^24
  static constexpr int32_t kModulus = 16777213;   // DM x 2^24

  // What it takes to start the generator again at a draw: the 97 lagged
  // values before it (oldest first), the correction of the draw before it and
  // the number of draws made since seeding.
  struct Snapshot {
    uint32_t lags[kLong] = {};
    int32_t correction = 0;
    int64_t drawn = 0;
  };

  // The code that makes the blocks: portable x86-64 code, or AVX2 code where
  // the processor has AVX2 (the default then). Both make the same numbers.
  using Code = VectorCode;
  void UseCode(Code code) { code_ = code; }
  Code code() const { return code_; }

  // Seeded as MAKE_RANDOM seeds the reference generator; for seeds in
  // 1..168 in integers (universal_rng_seeding.h).
  void Seed(int16_t UU1, int16_t UU2, int16_t UU3, int16_t UU4);

  // The next draw, v = UNI x 2^24 in [0, 2^24).
  uint32_t Next() {
    if (next_ >= kBlock) [[unlikely]]
      MakeNextBlock();
    return values_[next_++];
  }

  // Draws made since seeding.
  int64_t drawn() const { return block_start_ + next_; }

  class Draws;

  Snapshot Save() const;
  void Restore(const Snapshot& snapshot);

  // The reference generator's state as it was `back` draws ago (0: now,
  // before the next draw). The lagged recurrence also runs backwards,
  // x(n - 97) = x(n) + x(n - 33), so this reaches behind the block too.
  UniversalRng ToReference(int64_t back = 0) const;

  // Takes over a state of the reference generator after `drawn` draws. Its
  // lag positions must be those after `drawn` draws and its values multiples
  // of 2^-24 in [0, 1), as in every state MAKE_RANDOM and GOSUB100 reach;
  // anything else is an internal fault (InternalError).
  void FromReference(const UniversalRng& rng, int64_t drawn);

 private:
  // Goes over to the next block, keeping the place of the next draw (which
  // may already lie in the draws made ahead).
  void MakeNextBlock();
  // Makes the block that starts at draw block_start_, and the draws ahead,
  // from the 97 lagged values in lags_[0..97) and the correction before it.
  void FillBlock();

  // lags_[i] is x(block_start_ - 97 + i): the 97 values before the block,
  // then the block's own lagged values and those made ahead.
  uint32_t lags_[kLong + kLagsMade] = {};
  uint32_t values_[kValuesMade] = {};
  int32_t correction_before_block_ = 0;  // c(block_start_ - 1)
  int64_t block_start_ = 0;              // draws made before the block
  // The block's next value to hand out. Not an int, so that the chain's
  // stores into its int32 cells cannot alias it.
  int64_t next_ = kBlock;
  Code code_ = FastestVectorCode();
};

// A cursor for loops that draw a great deal: the place of the next draw is
// kept where the compiler can hold it in a register, and goes back to the
// generator with Sync() and when the cursor ends. Meanwhile the generator
// itself must not be used.
//
// After Reserve() the next kAhead draws are at hand: up to that many may be
// taken with NextReserved() and Peek() without a check for the block's end.
class UniversalRngBlock::Draws {
 public:
  explicit Draws(UniversalRngBlock& rng) : rng_(rng), next_(rng.values_ + rng.next_) {}
  Draws(const Draws&) = delete;
  Draws& operator=(const Draws&) = delete;
  ~Draws() { Sync(); }

  void Reserve() {
    if (next_ >= rng_.values_ + kBlock) [[unlikely]]
      NextBlock();
  }
  uint32_t NextReserved() {
    Check(next_ < rng_.values_ + kBlock + kAhead, "a reserved draw beyond those made");
    return *next_++;
  }
  uint32_t Next() {
    Reserve();
    return *next_++;
  }
  // The draw `ahead` places on, left in place; after Reserve() up to
  // kAhead - 1 places on, less those taken since.
  uint32_t Ahead(int ahead) const {
    Check(next_ + ahead < rng_.values_ + kBlock + kAhead, "a draw ahead beyond those made");
    return next_[ahead];
  }
  uint32_t Peek() const { return Ahead(0); }
  void Skip(uint32_t count) { next_ += count; }

  int64_t drawn() const { return rng_.block_start_ + (next_ - rng_.values_); }
  // The generator, brought up to the cursor.
  UniversalRngBlock& Sync() {
    rng_.next_ = next_ - rng_.values_;
    return rng_;
  }

 private:
  void NextBlock() {
    Sync().MakeNextBlock();
    next_ = rng_.values_ + rng_.next_;
  }

  UniversalRngBlock& rng_;
  const uint32_t* next_;
};

// The correction `draws` draws after `correction`; negative counts go back.
int32_t CorrectionAfter(int32_t correction, int64_t draws);

}  // namespace gorvan
