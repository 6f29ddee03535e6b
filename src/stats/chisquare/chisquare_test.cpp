#include "stats/chisquare/chisquare.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/internal_check.h"
#include "base/program_stop.h"
#include "base/runtime_error.h"
#include "stats/chisquare/cntab1.h"
#include "testing/scoped_work_dir.h"
#include "testing/state_fixture.h"
#include "textio/number_format.h"

namespace gorvan {
namespace {

using Rows = std::vector<std::vector<int32_t>>;

class ChiSquareTest : public StateFixture {
 protected:
  // Puts `rows` into TABLE (the rest filled with `background`) and runs the
  // analysis on them.
  void Analyse(const Rows& rows, int32_t background = 0) {
    FillTable(background);
    for (size_t i = 0; i < rows.size(); ++i) {
      for (size_t j = 0; j < rows[i].size(); ++j) s_->TABLE[i + 1][j + 1] = rows[i][j];
    }
    const auto cols = static_cast<int32_t>(rows.empty() ? 0 : rows[0].size());
    ConsolePause pause(s_->console);
    CNTAB1(s_->TABLE, static_cast<int32_t>(rows.size()), cols, s_->CHISQ, s_->DF, s_->PROB, pause);
  }

  void FillTable(int32_t value) {
    for (auto& row : s_->TABLE) {
      for (auto& cell : row) cell = value;
    }
  }

  // A table file as the per-locus driver writes it: a header of widths 5
  // with seeds and chain lengths, then rows of width-5 cells, lines ending
  // in CR LF.
  static std::string TableFile(int rows, int cols, const Rows& cells) {
    std::string text =
        FormatInt(rows, 5) + FormatInt(cols, 5) + "   17   92  140    5  1000  100  1000\r\n";
    for (const auto& row : cells) {
      for (int32_t cell : row) text += FormatInt(cell, 5);
      text += "\r\n";
    }
    return text;
  }

  State& s() { return *s_; }
};

TEST_F(ChiSquareTest, DiagonalTwoByTwo) {
  // Garbage around the 2 x 2 corner is never read.
  Analyse({{10, 0}, {0, 10}}, 777);
  EXPECT_EQ(s().CHISQ, 20);  // every expected count 5; TINY is lost next to it
  EXPECT_EQ(s().DF, 1);
  EXPECT_NEAR(s().PROB / std::erfc(std::sqrt(10.0L)), 1, 1e-6);
}

TEST_F(ChiSquareTest, TableProportionalToItsMarginsGivesZeroAndOne) {
  Analyse({{2, 4}, {3, 6}});
  EXPECT_EQ(s().CHISQ, 0);
  EXPECT_EQ(s().DF, 1);
  EXPECT_EQ(s().PROB, 1);
  EXPECT_EQ(ConsoleText(), "");
}

TEST_F(ChiSquareTest, EmptyRowsAndColumnsAddNothingAndLowerTheDf) {
  Analyse({{10, 20}, {30, 5}});
  const Extended chisq = s().CHISQ;
  const Extended prob = s().PROB;
  ASSERT_EQ(s().DF, 1);

  // An empty row: 3 x 2 would have 2 df, the empty row takes NNJ - 1 = 1.
  Analyse({{10, 20}, {0, 0}, {30, 5}});
  EXPECT_EQ(s().CHISQ, chisq);
  EXPECT_EQ(s().DF, 1);
  EXPECT_EQ(s().PROB, prob);

  // An empty column: 2 x 3 would have 2 df, the empty column takes NNI - 1.
  Analyse({{10, 0, 20}, {30, 0, 5}});
  EXPECT_EQ(s().CHISQ, chisq);
  EXPECT_EQ(s().DF, 1);

  EXPECT_EQ(ConsoleText(), "");
}

TEST_F(ChiSquareTest, SingleNonEmptyRowHasNoDfAndNoEvidence) {
  Analyse({{0, 0, 0}, {3, 4, 5}});
  EXPECT_EQ(s().CHISQ, 0);
  EXPECT_EQ(s().DF, 0);
  EXPECT_EQ(s().PROB, 1);
  EXPECT_EQ(ConsoleText(), "pause in GAMMQ - invalid arguments\n");
}

TEST_F(ChiSquareTest, EmptyTableGivesNoEvidenceWithoutPausing) {
  Analyse({{0, 0}, {0, 0}});
  EXPECT_EQ(s().CHISQ, 0);
  EXPECT_EQ(s().DF, 0);
  EXPECT_EQ(s().PROB, 1);
  EXPECT_EQ(ConsoleText(), "");
}

TEST_F(ChiSquareTest, SizesBeyondTheTableArrayAreRefused) {
  State& t = s();
  ConsolePause pause(t.console);
  for (auto [rows, cols] : {std::pair{31, 2}, std::pair{2, 51}, std::pair{-1, 2}}) {
    EXPECT_THROW(CNTAB1(t.TABLE, rows, cols, t.CHISQ, t.DF, t.PROB, pause), InternalError)
        << rows << " x " << cols;
  }
}

TEST_F(ChiSquareTest, ReadsTheTableFileAndClearsTheRest) {
  ScopedWorkDir dir;
  dir.WriteFile("CONTTAB.XYZ", TableFile(2, 3, {{10, 20, 30}, {30, 20, 10}}));
  ASSERT_EQ(dir.ReadFile("CONTTAB.XYZ").substr(0, 49),
            "    2    3   17   92  140    5  1000  100  1000\r\n");
  FillTable(-99);
  DO_CHISQUARE(s());

  // Expected counts 20 everywhere: (100 + 0 + 100) x 2 / 20 = 20 with 2 df,
  // whose upper tail is exp(-10).
  EXPECT_EQ(s().CHISQ, 20);
  EXPECT_EQ(s().DF, 2);
  EXPECT_NEAR(s().PROB / std::exp(-10.0L), 1, 1e-6);

  const int32_t expected[3][4] = {{0, 0, 0, 0}, {0, 10, 20, 30}, {0, 30, 20, 10}};
  for (int row = 1; row <= kMaxPops; ++row) {
    for (int col = 0; col <= kMaxAlleles; ++col) {
      const int32_t want = (row <= 2 && col <= 3) ? expected[row][col] : 0;
      EXPECT_EQ(s().TABLE[row][col], want) << row << ", " << col;
    }
  }
  EXPECT_FALSE(s().INFILE.is_open());
}

TEST_F(ChiSquareTest, ReadsATableOfTheLargestSize) {
  ScopedWorkDir dir;
  Rows cells(kMaxPops, std::vector<int32_t>(kMaxAlleles, 2));
  cells[0][0] = 5;
  dir.WriteFile("CONTTAB.XYZ", TableFile(kMaxPops, kMaxAlleles, cells));
  DO_CHISQUARE(s());
  EXPECT_EQ(s().TABLE[kMaxPops][kMaxAlleles], 2);
  EXPECT_EQ(s().TABLE[1][1], 5);
  EXPECT_EQ(s().DF, (kMaxPops - 1) * (kMaxAlleles - 1));
  EXPECT_GT(s().CHISQ, 0);
}

TEST_F(ChiSquareTest, ZeroRowsGiveAnEmptyTable) {
  ScopedWorkDir dir;
  dir.WriteFile("CONTTAB.XYZ", TableFile(0, 3, {}));
  DO_CHISQUARE(s());
  EXPECT_EQ(s().CHISQ, 0);
  EXPECT_EQ(s().DF, 0);
  EXPECT_EQ(s().PROB, 1);
}

TEST_F(ChiSquareTest, MissingOrDamagedFileStopsWithItsErrorNumber) {
  ScopedWorkDir dir;
  try {
    DO_CHISQUARE(s());
    FAIL() << "no error for a missing file";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), 2);
  }

  dir.WriteFile("CONTTAB.XYZ",
                "    2    2   17   92  140    5  1000  100  1000\r\n"
                "    1   2x\r\n"
                "    3    4\r\n");
  try {
    DO_CHISQUARE(s());
    FAIL() << "no error for a bad token";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), 106);
  }
}

// Announced sizes outside the table array stop the program before any cell
// is stored.
struct OversizedCase {
  int rows;
  int cols;
  const char* message;
};

class OversizedTableTest : public ChiSquareTest,
                           public ::testing::WithParamInterface<OversizedCase> {};

TEST_P(OversizedTableTest, IsRefusedWithoutTouchingTheTable) {
  const OversizedCase& c = GetParam();
  ScopedWorkDir dir;
  // Enough rows and columns of ones to overrun the array if they were read.
  const Rows cells(std::min(std::abs(c.rows), 40),
                   std::vector<int32_t>(std::min(std::abs(c.cols), 60), 1));
  dir.WriteFile("CONTTAB.XYZ", TableFile(c.rows, c.cols, cells));
  FillTable(0);
  try {
    DO_CHISQUARE(s());
    FAIL() << "the table was accepted";
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.exit_code, 1);
  }
  EXPECT_EQ(ConsoleText(), c.message);
  for (const auto& row : s().TABLE) {
    for (int32_t cell : row) ASSERT_EQ(cell, 0);
  }
  EXPECT_FALSE(s().INFILE.is_open());
}

INSTANTIATE_TEST_SUITE_P(
    ChiSquareTest, OversizedTableTest,
    ::testing::Values(OversizedCase{31, 2, "Table has 31 rows; at most 30 can be tested!!\n"},
                      OversizedCase{2, 51, "Table has 51 columns; at most 50 can be tested!!\n"},
                      OversizedCase{-1, 2, "Table has -1 rows; the number cannot be negative!!\n"},
                      OversizedCase{2, -3,
                                    "Table has -3 columns; the number cannot be negative!!\n"},
                      // 65538 would keep only 2 in its low 16 bits; it is still refused.
                      OversizedCase{65538, 2, "Table has 65538 rows; at most 30 can be tested!!\n"},
                      OversizedCase{40, 60,
                                    "Table has 40 rows; at most 30 can be tested!!\n"
                                    "Table has 60 columns; at most 50 can be tested!!\n"}));

}  // namespace
}  // namespace gorvan
