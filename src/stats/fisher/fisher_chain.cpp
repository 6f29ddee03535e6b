#include "stats/fisher/fisher_chain.h"

#include <cmath>

#include "base/checked_math.h"
#include "base/internal_check.h"
#include "stats/fisher/batch_error.h"

namespace gorvan {
namespace {

// A row or column number uniform over 1..count.
int32_t DrawIndex(FisherChain& chain, int16_t count) {
  chain.UNI = GOSUB100(chain.rng);
  return static_cast<int32_t>(count * chain.UNI + 1);
}

bool SeedUsable(int16_t seed) { return seed >= 1 && seed <= 168; }

bool CountsUsable(const FisherInput& in) {
  for (int row = 1; row <= in.N; ++row) {
    for (int column = 1; column <= in.M; ++column) {
      if (in.MM[row][column] < 0) return false;
    }
  }
  return true;
}

// With fewer than two rows or columns the choice of a step never ends; the
// other conditions keep the generator sound and the estimate defined.
void RequireUsableTable(const FisherInput& in) {
  const bool usable = in.N >= 2 && in.M >= 2 && in.N <= kFisherMaxRows &&
                      in.M <= kFisherMaxColumns && SeedUsable(in.UU1) && SeedUsable(in.UU2) &&
                      SeedUsable(in.UU3) && SeedUsable(in.UU4) && in.B >= 2 && in.C >= 1 &&
                      CountsUsable(in);
  Check(usable, "the Fisher chain needs a table that passed its checks");
}

}  // namespace

FisherChain StartChain(const FisherInput& in) {
  RequireUsableTable(in);
  FisherChain chain;
  chain.N = in.N;
  chain.M = in.M;
  chain.MEM = in.MEM;
  chain.B = in.B;
  chain.C = in.C;
  for (int row = 1; row <= in.N; ++row) {
    for (int column = 1; column <= in.M; ++column) chain.MM[row][column] = in.MM[row][column];
  }
  return chain;
}

void GOSUB20(FisherChain& chain) {
  chain.OP1 = DrawIndex(chain, chain.N);
  chain.ALL1 = DrawIndex(chain, chain.M);
  do {
    chain.OP2 = DrawIndex(chain, chain.N);
  } while (chain.OP2 == chain.OP1);
  do {
    chain.ALL2 = DrawIndex(chain, chain.M);
  } while (chain.ALL2 == chain.ALL1);
}

void GOSUB110(FisherChain& chain) {
  auto& MM = chain.MM;
  MM[chain.OP1][chain.ALL1] = CheckedSub(MM[chain.OP1][chain.ALL1], 1);
  MM[chain.OP2][chain.ALL2] = CheckedSub(MM[chain.OP2][chain.ALL2], 1);
  MM[chain.OP1][chain.ALL2] = CheckedAdd(MM[chain.OP1][chain.ALL2], 1);
  MM[chain.OP2][chain.ALL1] = CheckedAdd(MM[chain.OP2][chain.ALL1], 1);
  chain.RHO = chain.RHO + logl(chain.PROB);
}

void ChainStep(FisherChain& chain) {
  GOSUB20(chain);
  const auto& MM = chain.MM;
  // The two cells the switch would lower, and the two it would raise.
  chain.PROB1 = CheckedMul(MM[chain.OP1][chain.ALL1], MM[chain.OP2][chain.ALL2]);
  chain.PROB2 = CheckedMul(CheckedAdd(MM[chain.OP2][chain.ALL1], 1),
                           CheckedAdd(MM[chain.OP1][chain.ALL2], 1));
  // With PROB1 = 0 a cell would go below 0: no switch and no draw.
  if (chain.PROB1 != 0) {
    chain.PROB = chain.PROB1 / chain.PROB2;
    if (chain.PROB >= 1) {
      GOSUB110(chain);
    } else {
      chain.PSWITCH = chain.PROB;
      chain.UNI = GOSUB100(chain.rng);
      if (chain.UNI <= chain.PSWITCH) GOSUB110(chain);
    }
  }
  // Removes the rounding the logarithms accumulate.
  if (fabsl(chain.RHO) < 1.0E-8L) chain.RHO = 0;
}

void DEMEMORIZATION(FisherChain& chain) {
  chain.RHO = 0;
  for (int32_t KK = 1; KK <= chain.MEM; ++KK) ChainStep(chain);
}

void CHAINE(FisherChain& chain) {
  // RHO keeps measuring against the observed table after the burn-in.
  DEMEMORIZATION(chain);
  chain.CNMOY = 0;
  chain.HM = 0;
  chain.HECA = 0;
  for (int32_t K = 1; K <= chain.B; ++K) {
    for (int32_t CL = 1; CL <= chain.C; ++CL) {
      ChainStep(chain);
      if (chain.RHO <= 0) chain.CNMOY = CheckedAdd(chain.CNMOY, 1);
    }
    const Extended proportion = static_cast<Extended>(chain.CNMOY) / chain.C;
    chain.HM = chain.HM + proportion;
    chain.HECA = chain.HECA + proportion * proportion;
    chain.CNMOY = 0;
  }
  chain.HECA = BatchStandardError(chain.HM, chain.HECA, chain.B);
  chain.HM = chain.HM / chain.B;
}

FisherResult RunFisherChain(const FisherInput& in) {
  FisherChain chain = StartChain(in);
  MAKE_RANDOM(chain.rng, in.UU1, in.UU2, in.UU3, in.UU4);
  CHAINE(chain);
  return FisherResult{chain.HM, chain.HECA};
}

}  // namespace gorvan
