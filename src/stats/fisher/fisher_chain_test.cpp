#include "stats/fisher/fisher_chain.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>

#include <gtest/gtest.h>

#include "base/internal_check.h"
#include "base/runtime_error.h"
#include "testing/locus_test_support.h"

namespace gorvan {
namespace {

// ln of the probability of a table up to the margins' constant: minus the
// sum of the logs of its cell factorials.
double LogWeight(const CountRows& table) {
  double sum = 0;
  for (const auto& row : table) {
    for (int32_t cell : row) sum -= std::lgamma(cell + 1.0);
  }
  return sum;
}

// The exact P value by enumerating every table with the observed margins:
// the total probability of the tables no more probable than the observed
// one (ties within a relative 1e-7 count as equally probable).
double ExactPValue(const CountRows& observed) {
  const size_t rows = observed.size();
  const size_t columns = observed[0].size();
  std::vector<int32_t> row_left(rows, 0);
  std::vector<int32_t> column_left(columns, 0);
  for (size_t i = 0; i < rows; ++i) {
    for (size_t j = 0; j < columns; ++j) {
      row_left[i] += observed[i][j];
      column_left[j] += observed[i][j];
    }
  }
  const double observed_log = LogWeight(observed);
  double total = 0;
  double as_extreme = 0;
  CountRows table(rows, std::vector<int32_t>(columns, 0));
  std::function<void(size_t)> fill = [&](size_t cell) {
    if (cell == rows * columns) {
      auto all_zero = [](const std::vector<int32_t>& left) {
        return std::all_of(left.begin(), left.end(), [](int32_t v) { return v == 0; });
      };
      if (!all_zero(row_left) || !all_zero(column_left)) return;
      const double log_ratio = LogWeight(table) - observed_log;
      const double weight = std::exp(log_ratio);
      total += weight;
      if (log_ratio <= 1e-7) as_extreme += weight;
      return;
    }
    const size_t i = cell / columns;
    const size_t j = cell % columns;
    const int32_t most = std::min(row_left[i], column_left[j]);
    for (int32_t value = 0; value <= most; ++value) {
      table[i][j] = value;
      row_left[i] -= value;
      column_left[j] -= value;
      fill(cell + 1);
      row_left[i] += value;
      column_left[j] += value;
    }
    table[i][j] = 0;
  };
  fill(0);
  return as_extreme / total;
}

CountRows TableOf(const FisherChain& chain) {
  CountRows table(chain.N, std::vector<int32_t>(chain.M));
  for (int i = 1; i <= chain.N; ++i) {
    for (int j = 1; j <= chain.M; ++j) table[i - 1][j - 1] = chain.MM[i][j];
  }
  return table;
}

std::vector<int32_t> RowTotals(const CountRows& table) {
  std::vector<int32_t> totals;
  for (const auto& row : table) totals.push_back(std::accumulate(row.begin(), row.end(), 0));
  return totals;
}

std::vector<int32_t> ColumnTotals(const CountRows& table) {
  std::vector<int32_t> totals(table[0].size(), 0);
  for (const auto& row : table) {
    for (size_t j = 0; j < row.size(); ++j) totals[j] += row[j];
  }
  return totals;
}

bool SameGeneratorState(const UniversalRng& a, const UniversalRng& b) {
  if (a.DP != b.DP || a.DQ != b.DQ || a.DI != b.DI) return false;
  for (int n = 1; n <= kLaggedValues; ++n) {
    if (a.U[n] != b.U[n]) return false;
  }
  return true;
}

TEST(FisherChainTest, EquallyProbableTablesCountEveryStep) {
  const FisherResult result = RunFisherChain(MakeFisherInput({{1, 0}, {0, 1}}, 1000, 100, 1000));
  EXPECT_EQ(result.HM, 1.0L);
  EXPECT_EQ(result.HECA, 0.0L);
}

TEST(FisherChainTest, SameTableAndSeedsGiveTheSameResult) {
  const CountRows table = {{3, 1, 2}, {0, 4, 1}, {2, 2, 5}};
  const FisherInput in = MakeFisherInput(table, 100, 20, 500, 7, 8, 9, 10);
  const FisherResult first = RunFisherChain(in);
  const FisherResult second = RunFisherChain(in);
  EXPECT_EQ(first.HM, second.HM);
  EXPECT_EQ(first.HECA, second.HECA);
  const FisherResult other_seeds =
      RunFisherChain(MakeFisherInput(table, 100, 20, 500, 7, 8, 9, 11));
  EXPECT_NE(first.HM, other_seeds.HM);
}

TEST(FisherChainTest, LeastProbableOfThreeTablesHasPOneTenth) {
  const FisherResult result = RunFisherChain(MakeFisherInput({{2, 0}, {0, 3}}, 1000, 100, 1000));
  EXPECT_GT(result.HECA, 0.0L);
  EXPECT_NEAR(static_cast<double>(result.HM), 0.1, 4 * static_cast<double>(result.HECA));
}

TEST(FisherChainTest, ExtremeTableGivesATinyEstimate) {
  const FisherResult result = RunFisherChain(MakeFisherInput({{10, 0}, {0, 10}}, 1000, 100, 1000));
  EXPECT_GE(result.HM, 0.0L);
  EXPECT_LT(result.HM, 0.001L);
}

TEST(FisherChainTest, TableWithOneNonEmptyRowOrColumnNeverMoves) {
  for (const CountRows& table :
       {CountRows{{3, 2, 4}, {0, 0, 0}, {0, 0, 0}}, CountRows{{0, 5}, {0, 2}, {0, 7}}}) {
    const FisherResult result = RunFisherChain(MakeFisherInput(table, 100, 10, 100));
    EXPECT_EQ(result.HM, 1.0L);
    EXPECT_EQ(result.HECA, 0.0L);
  }
}

TEST(FisherChainTest, NegativeBurnInMeansNoBurnIn) {
  const CountRows table = {{4, 1, 0}, {1, 2, 3}};
  const FisherResult none = RunFisherChain(MakeFisherInput(table, 0, 10, 200));
  const FisherResult negative = RunFisherChain(MakeFisherInput(table, -50, 10, 200));
  const FisherResult some = RunFisherChain(MakeFisherInput(table, 50, 10, 200));
  EXPECT_EQ(none.HM, negative.HM);
  EXPECT_EQ(none.HECA, negative.HECA);
  EXPECT_NE(none.HM, some.HM);
}

TEST(FisherChainTest, CellProductOverflowStopsWithError215) {
  try {
    RunFisherChain(MakeFisherInput({{50000, 50000}, {50000, 50000}}, 10, 2, 10));
    FAIL() << "no overflow reported";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), kArithmeticOverflow);
  }
}

TEST(FisherChainTest, UncheckedTablesAreRefused) {
  // One row would make the choice of a step endless.
  EXPECT_THROW(RunFisherChain(MakeFisherInput({{1, 2}}, 10, 2, 10)), InternalError);
  EXPECT_THROW(RunFisherChain(MakeFisherInput({{1, 2}, {2, 1}}, 10, 1, 10)), InternalError);
}

// After any number of steps the table keeps its margins, no cell is
// negative, and RHO is the log of the probability ratio to the observed
// table.
TEST(FisherChainTest, StepsKeepMarginsAndTrackTheProbabilityRatio) {
  const CountRows observed = {{2, 1, 0, 1}, {0, 2, 2, 0}, {1, 0, 1, 3}};
  FisherChain chain = StartChain(MakeFisherInput(observed, 0, 2, 1));
  MAKE_RANDOM(chain.rng, 101, 17, 5, 160);
  chain.RHO = 0;
  int switches = 0;
  for (int step = 1; step <= 5000; ++step) {
    const CountRows before = TableOf(chain);
    ChainStep(chain);
    const CountRows after = TableOf(chain);
    switches += before != after;
    ASSERT_NE(chain.OP1, chain.OP2);
    ASSERT_NE(chain.ALL1, chain.ALL2);
    ASSERT_EQ(RowTotals(after), RowTotals(observed));
    ASSERT_EQ(ColumnTotals(after), ColumnTotals(observed));
    for (const auto& row : after) ASSERT_GE(*std::min_element(row.begin(), row.end()), 0);
    ASSERT_NEAR(static_cast<double>(chain.RHO), LogWeight(after) - LogWeight(observed), 1e-8)
        << "step " << step;
  }
  EXPECT_GT(switches, 500);
}

// A uniform number for acceptance is drawn only when the switch is possible
// and makes the table less probable.
TEST(FisherChainTest, AcceptanceDrawOnlyForALessProbableSwitch) {
  FisherChain chain = StartChain(MakeFisherInput({{3, 1, 0}, {1, 3, 2}}, 0, 2, 1));
  MAKE_RANDOM(chain.rng, 12, 34, 56, 78);
  int acceptance_draws = 0;
  for (int step = 0; step < 2000; ++step) {
    FisherChain proposal = chain;
    GOSUB20(proposal);
    const auto& MM = proposal.MM;
    const int64_t lowered =
        int64_t{MM[proposal.OP1][proposal.ALL1]} * MM[proposal.OP2][proposal.ALL2];
    const int64_t raised =
        int64_t{MM[proposal.OP2][proposal.ALL1] + 1} * (MM[proposal.OP1][proposal.ALL2] + 1);
    if (lowered != 0 && lowered < raised) {
      GOSUB100(proposal.rng);
      ++acceptance_draws;
    }
    ChainStep(chain);
    ASSERT_TRUE(SameGeneratorState(chain.rng, proposal.rng)) << "step " << step;
  }
  EXPECT_GT(acceptance_draws, 100);
}

// The chain's estimate agrees with the exact P value from enumerating all
// tables with the observed margins.
TEST(FisherChainTest, EstimateAgreesWithExactEnumeration) {
  const CountRows tables[] = {
      {{3, 1}, {1, 3}},  // ties with the mirrored table
      {{5, 0}, {1, 4}},
      {{2, 2}, {2, 2}},  // the most probable table: P = 1
      {{3, 1, 0}, {0, 2, 4}},
      {{1, 2, 3}, {3, 2, 1}},
      {{4, 0, 1}, {0, 3, 1}, {1, 1, 2}},
      {{2, 1, 0, 1}, {0, 2, 2, 0}, {1, 0, 1, 3}},
      {{0, 0, 0}, {2, 1, 3}, {1, 4, 0}},  // an empty row
  };
  int16_t seed = 1;
  for (const CountRows& table : tables) {
    seed = static_cast<int16_t>(seed % 160 + 7);
    const double exact = ExactPValue(table);
    const FisherResult result =
        RunFisherChain(MakeFisherInput(table, 1000, 100, 2000, seed, 45, 99, 131));
    const double tolerance = std::max(4 * static_cast<double>(result.HECA), 0.005);
    EXPECT_NEAR(static_cast<double>(result.HM), exact, tolerance)
        << "table " << testing::PrintToString(table) << " HECA "
        << static_cast<double>(result.HECA);
  }
}

TEST(FisherChainTest, ExactEnumerationOfTheWorkedExample) {
  // The enumeration behind the validation gives the known 0.1 and 2/184756.
  EXPECT_NEAR(ExactPValue({{2, 0}, {0, 3}}), 0.1, 1e-12);
  EXPECT_NEAR(ExactPValue({{10, 0}, {0, 10}}), 2.0 / 184756.0, 1e-15);
}

}  // namespace
}  // namespace gorvan
