// For tests of the per-locus tests: a state with a captured console, and
// tables for the Fisher chain written as rows of counts.
#pragma once

#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "state/state.h"
#include "stats/fisher/fisher_input.h"
#include "testing/state_fixture.h"

namespace gorvan {

using CountRows = std::vector<std::vector<int32_t>>;

inline FisherInput MakeFisherInput(const CountRows& rows, int32_t MEM, int32_t B, int32_t C,
                                   int16_t seed1 = 12, int16_t seed2 = 34, int16_t seed3 = 56,
                                   int16_t seed4 = 78) {
  FisherInput in;
  in.N = static_cast<int16_t>(rows.size());
  in.M = static_cast<int16_t>(rows.at(0).size());
  in.UU1 = seed1;
  in.UU2 = seed2;
  in.UU3 = seed3;
  in.UU4 = seed4;
  in.MEM = MEM;
  in.B = B;
  in.C = C;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].size() != rows[0].size()) throw std::invalid_argument("ragged test table");
    for (size_t j = 0; j < rows[i].size(); ++j) in.MM[i + 1][j + 1] = rows[i][j];
  }
  return in;
}

}  // namespace gorvan
