// The fast chain against the straightforward one: the same HM and HECA to
// the bit, and the same errors, on random and on boundary tables.
#include "stats/fisher/fisher_chain_fast.h"

#include <cstring>
#include <optional>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "base/internal_check.h"
#include "base/runtime_error.h"
#include "stats/fisher/fisher_chain.h"
#include "testing/locus_test_support.h"

namespace gorvan {
namespace {

// An extended real's 80 bits.
bool SameBits(Extended a, Extended b) { return std::memcmp(&a, &b, 10) == 0; }

// How a chain ended: its results, or the error it stopped with.
struct Outcome {
  std::optional<FisherResult> result;
  std::string error;  // "215 <detail> <place> <location>", or the exception's kind
};

template <typename Run>
Outcome OutcomeOf(Run run) {
  Outcome outcome;
  try {
    outcome.result = run();
  } catch (const RuntimeError& error) {
    outcome.error = std::to_string(error.number()) + " " + error.detail() + " " +
                    error.source_place() + " " + std::to_string(error.location());
  } catch (const InternalError&) {
    outcome.error = "invalid_argument";
  }
  return outcome;
}

std::string Describe(const FisherInput& in) {
  std::string text = std::to_string(in.N) + "x" + std::to_string(in.M) + " seeds " +
                     std::to_string(in.UU1) + " " + std::to_string(in.UU2) + " " +
                     std::to_string(in.UU3) + " " + std::to_string(in.UU4) + " MEM " +
                     std::to_string(in.MEM) + " B " + std::to_string(in.B) + " C " +
                     std::to_string(in.C) + " rows";
  for (int row = 1; row <= in.N && row <= kFisherMaxRows; ++row) {
    text += " (";
    for (int column = 1; column <= in.M && column <= kFisherMaxColumns; ++column) {
      text += (column > 1 ? " " : "") + std::to_string(in.MM[row][column]);
    }
    text += ")";
  }
  return text;
}

// Both chains on `in`; they must end alike. Returns the common outcome.
Outcome ExpectSameOutcome(const FisherInput& in, const FastChainTuning& tuning = {},
                          FastChainCounts* counts = nullptr) {
  const Outcome straightforward = OutcomeOf([&] { return RunFisherChain(in); });
  FastChainCounts own_counts;
  const Outcome fast =
      OutcomeOf([&] { return RunFisherChainFast(in, tuning, counts ? *counts : own_counts); });
  EXPECT_EQ(straightforward.error, fast.error) << Describe(in);
  EXPECT_EQ(straightforward.result.has_value(), fast.result.has_value()) << Describe(in);
  if (straightforward.result && fast.result) {
    EXPECT_TRUE(SameBits(straightforward.result->HM, fast.result->HM))
        << Describe(in) << "\nHM " << static_cast<double>(straightforward.result->HM) << " vs "
        << static_cast<double>(fast.result->HM);
    EXPECT_TRUE(SameBits(straightforward.result->HECA, fast.result->HECA))
        << Describe(in) << "\nHECA " << static_cast<double>(straightforward.result->HECA) << " vs "
        << static_cast<double>(fast.result->HECA);
  }
  return straightforward;
}

FisherInput WithLengths(FisherInput in, int32_t MEM, int32_t B, int32_t C) {
  in.MEM = MEM;
  in.B = B;
  in.C = C;
  return in;
}

// Random tables: small and middling, dense and sparse (with empty rows and
// columns), with random seeds and lengths, burn-in 0 and negative included.
FisherInput RandomInput(std::mt19937& pick) {
  auto uniform = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(pick);
  };
  FisherInput in;
  const bool large = uniform(0, 9) == 0;
  in.N = static_cast<int16_t>(large ? uniform(8, kFisherMaxRows) : uniform(2, 6));
  in.M = static_cast<int16_t>(large ? uniform(8, kFisherMaxColumns) : uniform(2, 6));
  const int most = std::vector<int>{1, 3, 10, 40, 200}[uniform(0, 4)];
  const int zero_percent = std::vector<int>{0, 30, 70}[uniform(0, 2)];
  for (int row = 1; row <= in.N; ++row) {
    for (int column = 1; column <= in.M; ++column) {
      in.MM[row][column] = uniform(1, 100) <= zero_percent ? 0 : uniform(0, most);
    }
  }
  if (uniform(0, 3) == 0) {
    const int empty_row = uniform(1, in.N);
    for (int column = 1; column <= in.M; ++column) in.MM[empty_row][column] = 0;
  }
  if (uniform(0, 3) == 0) {
    const int empty_column = uniform(1, in.M);
    for (int row = 1; row <= in.N; ++row) in.MM[row][empty_column] = 0;
  }
  in.UU1 = static_cast<int16_t>(uniform(1, 168));
  in.UU2 = static_cast<int16_t>(uniform(1, 168));
  in.UU3 = static_cast<int16_t>(uniform(1, 168));
  in.UU4 = static_cast<int16_t>(uniform(1, 168));
  in.MEM = std::vector<int>{-3, 0, uniform(1, 300)}[uniform(0, 2)];
  in.B = uniform(2, 8);
  in.C = large ? uniform(1, 60) : uniform(1, 400);
  return in;
}

TEST(FisherChainFastTest, RandomTablesSeedsAndLengths) {
  std::mt19937 pick(20240611);
  for (int trial = 0; trial < 300; ++trial) {
    ExpectSameOutcome(RandomInput(pick));
    if (HasFailure()) return;
  }
}

TEST(FisherChainFastTest, TinyTwoByTwoTables) {
  const CountRows tables[] = {
      {{1, 0}, {0, 1}},   {{0, 1}, {1, 0}}, {{1, 1}, {1, 1}}, {{2, 0}, {0, 3}},
      {{1, 0}, {0, 0}},   {{0, 0}, {0, 0}}, {{0, 0}, {0, 1}}, {{1, 2}, {0, 0}},
      {{10, 0}, {0, 10}}, {{3, 1}, {1, 3}}, {{0, 2}, {3, 0}}, {{1, 1}, {0, 2}},
  };
  for (const CountRows& table : tables) {
    for (int16_t seed : {1, 57, 168}) {
      ExpectSameOutcome(MakeFisherInput(table, 20, 5, 300, seed, 168, 1, 99));
    }
  }
}

// Symmetric tables: many tables are exactly as probable as the observed
// one, so RHO keeps coming back to (nearly) 0 and is snapped to it.
TEST(FisherChainFastTest, TablesWithManyExactTies) {
  const CountRows tables[] = {
      {{5, 5}, {5, 5}},
      {{1, 2, 3}, {3, 2, 1}},
      {{1, 2, 3}, {2, 3, 1}, {3, 1, 2}},
      {{4, 4, 4}, {4, 4, 4}, {4, 4, 4}},
      {{2, 2, 2, 2}, {2, 2, 2, 2}, {2, 2, 2, 2}, {2, 2, 2, 2}},
      {{1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}},
  };
  for (const CountRows& table : tables) {
    FastChainCounts counts;
    ExpectSameOutcome(MakeFisherInput(table, 100, 10, 2000, 33, 44, 55, 66), {}, &counts);
    EXPECT_GT(counts.certain_snaps, 0) << testing::PrintToString(table);
  }
}

// One switch away from the observed table RHO is ln(14142^2 / (14141 x
// 14143)), about 5.0e-9: made 0, and the approximation knows it for certain.
// In the second table it is ln(10^8 / (9999 x 10001)), 1e-8 + 1e-16: not
// made 0, which only the exact recomputation can tell.
TEST(FisherChainFastTest, RhoNextToTheSnap) {
  FastChainCounts below;
  ExpectSameOutcome(MakeFisherInput({{14142, 14142}, {14140, 14142}}, 0, 10, 300, 2, 3, 4, 5), {},
                    &below);
  EXPECT_GT(below.certain_snaps, 0);
  FastChainCounts above;
  ExpectSameOutcome(MakeFisherInput({{10000, 10000}, {9998, 10000}}, 0, 10, 300, 2, 3, 4, 5), {},
                    &above);
  EXPECT_GT(above.replays, 0);
}

TEST(FisherChainFastTest, EmptyRowsAndColumns) {
  const CountRows tables[] = {
      {{0, 0, 0}, {2, 1, 3}, {1, 4, 0}},
      {{0, 3}, {0, 2}, {0, 4}},
      {{3, 2, 4}, {0, 0, 0}, {0, 0, 0}},
      {{0, 0, 0, 0}, {1, 0, 2, 0}, {0, 0, 0, 0}, {3, 0, 1, 0}},
  };
  for (const CountRows& table : tables) {
    ExpectSameOutcome(MakeFisherInput(table, 50, 4, 500, 7, 8, 9, 10));
  }
}

// The step at which the straightforward chain stops with an error, or 0.
int64_t StepOfError(const FisherInput& in, int64_t most_steps) {
  FisherChain chain = StartChain(in);
  MAKE_RANDOM(chain.rng, in.UU1, in.UU2, in.UU3, in.UU4);
  for (int64_t step = 1; step <= most_steps; ++step) {
    try {
      ChainStep(chain);
    } catch (const RuntimeError&) {
      return step;
    }
  }
  return 0;
}

// Cells whose products reach the 32-bit limit. In these tables every
// proposal either finds a cell of 0 to lower (no switch) or overflows, so
// the error comes at a step that depends on the seeds. The fast chain stops
// with the straightforward chain's error 215 (same place, same words) at
// that very step, and one step shorter both chains finish alike.
TEST(FisherChainFastTest, OverflowStopsAtTheSameStep) {
  const CountRows tables[] = {
      {{46341, 0}, {0, 0}, {0, 46341}},   // a product of two cells
      {{2147483647, 0}, {0, 0}, {0, 0}},  // a cell + 1
  };
  int late_errors = 0;
  for (const CountRows& table : tables) {
    for (int16_t seed = 1; seed <= 20; ++seed) {
      const FisherInput in = MakeFisherInput(table, 0, 2, 1, seed, 1, 4, 1);
      const int64_t step = StepOfError(in, 1000);
      ASSERT_GT(step, 0);
      if (step < 3) continue;
      ++late_errors;
      const int32_t burn_in = static_cast<int32_t>(step - 2);  // then 2 batches of 1 step
      const Outcome stopped = ExpectSameOutcome(WithLengths(in, burn_in, 2, 1));
      EXPECT_EQ(stopped.error.substr(0, 4), "215 ");
      const Outcome finished = ExpectSameOutcome(WithLengths(in, burn_in - 1, 2, 1));
      EXPECT_TRUE(finished.result.has_value());
    }
  }
  EXPECT_GT(late_errors, 5);
}

// Large cells, whose steps are checked one by one, on both sides of the
// limit.
TEST(FisherChainFastTest, ProductsNearTheThirtyTwoBitLimit) {
  const CountRows tables[] = {
      {{46340, 1}, {1, 46340}},   // (46340 + 1)^2 overflows, until a cell shrinks
      {{46339, 1}, {1, 46340}},   // 46340 x 46341 fits
      {{46341, 0}, {0, 46341}},   // overflows at once
      {{2147483646, 0}, {0, 0}},  // (2^31 - 2 + 1) x 1 fits
      {{40000, 100}, {100, 40000}},      {{32766, 1}, {1, 32766}},
      {{20000, 3, 9000}, {7, 30000, 0}}, {{50000, 50000}, {50000, 50000}},
  };
  for (const CountRows& table : tables) {
    for (int16_t seed : {3, 4, 5, 6}) {
      ExpectSameOutcome(MakeFisherInput(table, 10, 3, 2000, seed, 1, 4, 1));
    }
  }
}

TEST(FisherChainFastTest, TablesTheChainRefuses) {
  ExpectSameOutcome(MakeFisherInput({{1, 2}}, 10, 2, 10));
  ExpectSameOutcome(MakeFisherInput({{1, 2}, {2, 1}}, 10, 1, 10));
  ExpectSameOutcome(MakeFisherInput({{1, 2}, {2, 1}}, 10, 2, 0));
  ExpectSameOutcome(MakeFisherInput({{1, -2}, {2, 1}}, 10, 2, 10));
  ExpectSameOutcome(MakeFisherInput({{1, 2}, {2, 1}}, 10, 2, 10, 0));
}

// Long chains on a table whose RHO soon leaves the finest scale: the fixed
// point is made coarser on the way.
TEST(FisherChainFastTest, LongChainsOnATenByTenTable) {
  std::mt19937 pick(99);
  CountRows table(10, std::vector<int32_t>(10));
  for (size_t row = 0; row < table.size(); ++row) {
    for (int32_t& cell : table[row]) {
      cell = std::uniform_int_distribution<int>(0, row < 5 ? 4 : 30)(pick);
    }
  }
  FastChainCounts counts;
  ExpectSameOutcome(MakeFisherInput(table, 1000, 20, 2500, 17, 92, 140, 5), {}, &counts);
  EXPECT_GT(counts.coarsenings, 0);
  EXPECT_FALSE(counts.went_exact);
}

// Counts so large that no fixed-point scale can tell the snap: the chain runs
// exact steps throughout, with the same results.
TEST(FisherChainFastTest, HugeCountsRunExactThroughout) {
  FastChainCounts counts;
  ExpectSameOutcome(
      MakeFisherInput({{1000000000, 3, 0}, {2, 1000000000, 5}}, 10, 2, 200, 8, 9, 10, 11), {},
      &counts);
  EXPECT_TRUE(counts.went_exact);
}

// With an error bound widened to whole units, RHO is recomputed exactly
// again and again, from saved points near and far (and with the generator's
// portable code): the results stay.
TEST(FisherChainFastTest, FrequentExactRecomputationKeepsTheResults) {
  std::mt19937 pick(7);
  int64_t replays = 0;
  for (int trial = 0; trial < 12; ++trial) {
    FisherInput in = RandomInput(pick);
    in = WithLengths(in, in.MEM, 3, std::min(in.C, 150));
    for (int64_t gap : {int64_t{1}, int64_t{4096}}) {
      FastChainTuning tuning;
      tuning.extra_error = 3;
      tuning.checkpoint_gap = gap;
      tuning.portable_generator = gap == 1;
      FastChainCounts counts;
      ExpectSameOutcome(in, tuning, &counts);
      replays += counts.replays;
    }
  }
  EXPECT_GT(replays, 100);
}

// Beyond the range of the fixed point the chain finishes in exact steps.
TEST(FisherChainFastTest, GoingOverToExactStepsKeepsTheResults) {
  FastChainTuning tuning;
  tuning.extra_error = 100;
  tuning.largest_known_rho = 0;
  FastChainCounts counts;
  ExpectSameOutcome(MakeFisherInput({{4, 1, 0}, {1, 2, 3}, {0, 5, 2}}, 30, 4, 200, 5, 6, 7, 8),
                    tuning, &counts);
  EXPECT_TRUE(counts.went_exact);
}

}  // namespace
}  // namespace gorvan
