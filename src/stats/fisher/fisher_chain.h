// The Markov chain of the Fisher test: a walk over the tables with the
// observed margins, starting at the observed table. Each step proposes a
// switch on two rows and two columns and makes it with the Metropolis
// acceptance min(1, ratio of the table probabilities). The P value is the
// share of counted steps after which the current table is at most as
// probable as the observed one; its standard error comes from the batches.
//
// This is the straightforward chain, kept as the reference against which
// faster versions are compared.
#pragma once

#include <cstdint>

#include "base/extended.h"
#include "stats/fisher/fisher_input.h"
#include "stats/fisher/universal_rng.h"

namespace gorvan {

// The working values of one chain.
struct FisherChain {
  int16_t N = 0, M = 0;
  int32_t MEM = 0, B = 0, C = 0;
  int32_t MM[kFisherMaxRows + 1][kFisherMaxColumns + 1] = {};  // the current table
  UniversalRng rng;
  Extended UNI = 0;            // the uniform number last drawn
  int32_t OP1 = 0, OP2 = 0;    // the two distinct rows of the step
  int32_t ALL1 = 0, ALL2 = 0;  // the two distinct columns of the step
  Extended PROB1 = 0, PROB2 = 0, PROB = 0, PSWITCH = 0;
  // ln of the current table's probability over the observed table's.
  Extended RHO = 0;
  int32_t CNMOY = 0;  // counted steps of the batch at most as probable
  Extended HM = 0;    // the estimate (the running sum while batches run)
  Extended HECA = 0;  // its standard error (the running sum of squares)
};

struct FisherResult {
  Extended HM = 0;
  Extended HECA = 0;
};

// A chain at the observed table of `in`, with its lengths; the generator is
// not yet seeded. The table must have passed the checks of READINFILE (two
// or more rows and columns, counts not negative, seeds in 1..168, B >= 2,
// C >= 1); any other is an internal fault (InternalError).
FisherChain StartChain(const FisherInput& in);

// Draws the rows OP1, OP2 and the columns ALL1, ALL2 of a step.
void GOSUB20(FisherChain& chain);

// Carries out the switch: lowers (OP1, ALL1) and (OP2, ALL2), raises
// (OP1, ALL2) and (OP2, ALL1), and adds ln PROB to RHO.
void GOSUB110(FisherChain& chain);

// One proposal with its acceptance; afterwards a RHO within 1e-8 of 0 is
// made exactly 0, so a table as probable as the observed one counts as such.
void ChainStep(FisherChain& chain);

// RHO := 0, then MEM steps that are not counted.
void DEMEMORIZATION(FisherChain& chain);

// The burn-in, then B batches of C counted steps; leaves HM and HECA.
void CHAINE(FisherChain& chain);

// Seeds the generator from the table's seeds and runs the whole chain on a
// table that passed the checks of READINFILE.
FisherResult RunFisherChain(const FisherInput& in);

}  // namespace gorvan
