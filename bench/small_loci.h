// Many small loci as a planning design makes them: five samples of 50
// diploids, two to four alleles of unequal frequency, each locus with its
// own four seeds in 1..165 as the per-locus driver draws them.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "stats/fisher/fisher_input.h"

namespace gorvan {

inline FisherInput SmallLocus(std::mt19937& pick, int32_t MEM, int32_t B, int32_t C) {
  constexpr int kSamples = 5;
  constexpr int kGenesPerSample = 100;
  for (;;) {
    const int alleles = std::uniform_int_distribution<int>(2, 4)(pick);
    std::vector<double> weights;
    for (int a = 0; a < alleles; ++a)
      weights.push_back(std::uniform_real_distribution<>(0.1, 1)(pick));
    std::discrete_distribution<int> allele(weights.begin(), weights.end());
    int32_t counts[kSamples][4] = {};
    int32_t totals[4] = {};
    for (int row = 0; row < kSamples; ++row) {
      for (int gene = 0; gene < kGenesPerSample; ++gene) {
        const int a = allele(pick);
        ++counts[row][a];
        ++totals[a];
      }
    }
    // Only alleles present in some sample make columns.
    FisherInput in;
    in.N = kSamples;
    for (int a = 0; a < alleles; ++a) {
      if (totals[a] == 0) continue;
      ++in.M;
      for (int row = 0; row < kSamples; ++row) in.MM[row + 1][in.M] = counts[row][a];
    }
    if (in.M < 2) continue;
    std::uniform_int_distribution<int> seed(1, 165);
    in.UU1 = static_cast<int16_t>(seed(pick));
    in.UU2 = static_cast<int16_t>(seed(pick));
    in.UU3 = static_cast<int16_t>(seed(pick));
    in.UU4 = static_cast<int16_t>(seed(pick));
    in.MEM = MEM;
    in.B = B;
    in.C = C;
    return in;
  }
}

inline std::vector<FisherInput> SmallLoci(int count, int32_t MEM, int32_t B, int32_t C) {
  std::mt19937 pick(2026);
  std::vector<FisherInput> loci;
  for (int k = 0; k < count; ++k) loci.push_back(SmallLocus(pick, MEM, B, C));
  return loci;
}

}  // namespace gorvan
