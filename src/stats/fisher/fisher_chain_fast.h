// The Markov chain of the Fisher test made fast, with the straightforward
// chain's results to the bit: the same HM and HECA, the same errors.
//
// What makes it fast, and why each keeps the results:
// - The generator runs in 24-bit integers, made in blocks
//   (universal_rng_block.h). A row or column number is a multiply and a
//   shift, and the acceptance test UNI <= PROB1 / PROB2 is the integer test
//   v x PROB2 <= PROB1 x 2^24 (fisher_chain_walk.h): both exact.
// - The step has no branch on the cells, and reads its draws before it knows
//   whether the last step took one for its acceptance, so that steps overlap.
// - RHO is followed in 64-bit fixed point (fisher_chain_log_table.h) with an
//   error bound kept step by step. Only two comparisons of RHO matter: RHO
//   <= 0 (a counted step) and |RHO| < 1e-8 (RHO made exactly 0). While the
//   approximation lies farther from +-1e-8 than its bound, both come out as
//   for the extended RHO, and so does every later step.
// - Near +-1e-8 the approximation settles it: within 1e-8 by more than the
//   bound, RHO is certainly made 0, and the approximation becomes exact
//   again. Otherwise the extended RHO is recomputed exactly: the steps since
//   the last point where it was known are made again from the saved table
//   and generator, with the straightforward chain's extended operations.
// - Where no fixed-point scale could tell the snap (counts in the hundreds
//   of millions), the chain takes those extended operations at every step.
//
// The table and the generator never depend on RHO, so the walk itself is the
// straightforward chain's, step for step.
#pragma once

#include <cstdint>

#include "stats/fisher/fisher_chain.h"
#include "stats/fisher/fisher_input.h"

namespace gorvan {

// The contract of RunFisherChain: seeds the generator from the table's seeds
// and runs the whole chain on a table that passed the checks of READINFILE
// (others are an internal fault). A 32-bit overflow of a cell product
// stops with the same run-time error 215, from the same place, as there.
FisherResult RunFisherChainFast(const FisherInput& in);

// For tests: a wider error bound makes the exact recomputation far more
// frequent, a limit on |RHO| sends the chain over to exact steps, a shorter
// gap saves the walk more often. None of them changes the results.
struct FastChainTuning {
  Extended extra_error = 0;         // added to the error bound, in units of RHO
  Extended largest_known_rho = -1;  // when 0 or more, a limit on |RHO|
  int64_t checkpoint_gap = 4096;    // steps between saved points at the least
  bool portable_generator = false;  // the generator's portable code even with AVX2
};

// What the chain did besides its steps.
struct FastChainCounts {
  int64_t replays = 0;        // exact recomputations of RHO
  int64_t certain_snaps = 0;  // RHO made 0 without one
  int64_t coarsenings = 0;    // scales made coarser as |RHO| grew
  bool went_exact = false;    // ran exact steps to the end
};

FisherResult RunFisherChainFast(const FisherInput& in, const FastChainTuning& tuning,
                                FastChainCounts& counts);

}  // namespace gorvan
