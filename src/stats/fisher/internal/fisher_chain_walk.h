// The moves of the Fisher chain in integers: the choice of a switch and its
// acceptance, exactly as the straightforward chain makes them. The table
// and the generator never depend on RHO, so the walk is the same whether
// RHO is followed exactly or approximately.
#pragma once

#include <cstdint>

#include "stats/fisher/fisher_input.h"
#include "stats/fisher/internal/universal_rng_block.h"

namespace gorvan {

// Row length of the working table: a power of two, so that a cell's place
// is a shift and an add.
inline constexpr int kWalkStride = 64;
static_assert(kWalkStride >= kFisherMaxColumns);

struct Walk {
  int16_t N = 0, M = 0;
  int32_t cells[kFisherMaxRows][kWalkStride] = {};  // counts, from 0
  UniversalRngBlock rng;
};

// The four cells of a proposed switch.
struct Proposal {
  int32_t* lowered1;  // (OP1, ALL1)
  int32_t* lowered2;  // (OP2, ALL2)
  int32_t* raised1;   // (OP2, ALL1)
  int32_t* raised2;   // (OP1, ALL2)
};

// trunc(count x UNI + 1) counts from 1; this is the same number less 1. As
// count x UNI = count x v / 2^24 with count x v < 2^30, the extended product
// and sum are exact and the truncation is the shift.
inline uint32_t IndexOfDraw(uint32_t v, uint32_t count) { return (count * v) >> 24; }

// GOSUB20: the draws in its order. Of the draws reserved at its start it
// takes at most four without a check (a repeated draw is checked, and leaves
// kAhead - 1 at hand), so at least one is left for the acceptance draw:
// Peek() may follow without a check.
inline Proposal Propose(Walk& walk, UniversalRngBlock::Draws& draws) {
  static_assert(UniversalRngBlock::kAhead >= 5);
  const uint32_t rows = static_cast<uint32_t>(walk.N);
  const uint32_t columns = static_cast<uint32_t>(walk.M);
  draws.Reserve();
  const uint32_t op1 = IndexOfDraw(draws.NextReserved(), rows);
  const uint32_t all1 = IndexOfDraw(draws.NextReserved(), columns);
  uint32_t op2 = IndexOfDraw(draws.NextReserved(), rows);
  while (op2 == op1) op2 = IndexOfDraw(draws.Next(), rows);
  uint32_t all2 = IndexOfDraw(draws.NextReserved(), columns);
  while (all2 == all1) all2 = IndexOfDraw(draws.Next(), columns);
  int32_t* row1 = walk.cells[op1];
  int32_t* row2 = walk.cells[op2];
  return {row1 + all1, row2 + all2, row2 + all1, row1 + all2};
}

// The acceptance test UNI <= PSWITCH = PROB1 / PROB2 for products below
// 2^31, in integers: v x PROB2 <= PROB1 x 2^24 (both sides below 2^55).
// If UNI = v / 2^24 equals PROB1 / PROB2, the quotient is a multiple of
// 2^-24 and held exactly. Otherwise the two differ by at least
// 1 / (PROB2 x 2^24) > 2^-55, while the extended quotient (below 1) is off
// by at most 2^-65: it falls on the same side of UNI.
inline bool DrawAccepts(uint32_t v, uint64_t prob1, uint64_t prob2) {
  return uint64_t{v} * prob2 <= prob1 << 24;
}

// The Metropolis acceptance: no switch when PROB1 is 0; a switch when
// PROB >= 1, which holds exactly when PROB1 >= PROB2 (for PROB1 < PROB2 the
// quotient is at most 1 - 2^-31, far from 1 at extended precision);
// otherwise a draw decides. No number is drawn in the first two cases.
inline bool Accepts(UniversalRngBlock::Draws& draws, uint64_t prob1, uint64_t prob2) {
  if (prob1 == 0) return false;
  if (prob1 >= prob2) return true;
  return DrawAccepts(draws.Next(), prob1, prob2);
}

inline void MakeSwitch(const Proposal& proposal) {
  --*proposal.lowered1;
  --*proposal.lowered2;
  ++*proposal.raised1;
  ++*proposal.raised2;
}

}  // namespace gorvan
