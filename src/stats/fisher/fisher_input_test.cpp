#include "stats/fisher/fisher_input.h"

#include <string>

#include <gtest/gtest.h>

#include "base/program_stop.h"
#include "base/runtime_error.h"
#include "stats/fisher/fisher.h"
#include "stats/fisher/fisher_chain.h"
#include "testing/locus_test_support.h"
#include "testing/scoped_work_dir.h"

namespace gorvan {
namespace {

// Reads `content` as CONTTAB.XYZ; the stop's exit code, or -1 when the table
// was accepted.
int ReadTable(TestState& t, const std::string& content, FisherInput* accepted = nullptr) {
  ScopedWorkDir dir;
  dir.WriteFile("CONTTAB.XYZ", content);
  try {
    FisherInput in = READINFILE(*t.s);
    if (accepted != nullptr) *accepted = in;
  } catch (const ProgramStop& stop) {
    EXPECT_FALSE(t.s->INFILE.is_open()) << "the file must be closed before the stop";
    return stop.exit_code;
  }
  EXPECT_FALSE(t.s->INFILE.is_open());
  return -1;
}

TEST(ReadInFileTest, ReadsHeaderAndRows) {
  TestState t;
  FisherInput in;
  EXPECT_EQ(ReadTable(t,
                      "    2    3   17   92  140    5  1000  100  2000\r\n"
                      "    4    0    2\r\n"
                      "    1    3 12000\r\n",
                      &in),
            -1);
  EXPECT_EQ(t.console_out.str(), "");
  EXPECT_EQ(in.N, 2);
  EXPECT_EQ(in.M, 3);
  EXPECT_EQ(in.UU1, 17);
  EXPECT_EQ(in.UU2, 92);
  EXPECT_EQ(in.UU3, 140);
  EXPECT_EQ(in.UU4, 5);
  EXPECT_EQ(in.MEM, 1000);
  EXPECT_EQ(in.B, 100);
  EXPECT_EQ(in.C, 2000);
  EXPECT_EQ(in.MM[1][1], 4);
  EXPECT_EQ(in.MM[1][3], 2);
  EXPECT_EQ(in.MM[2][2], 3);
  EXPECT_EQ(in.MM[2][3], 12000);
}

TEST(ReadInFileTest, EveryProblemReportedInOrderThenStop) {
  TestState t;
  EXPECT_EQ(ReadTable(t, "    1    1    0    5    5    5  1000  100  1000\r\n    0\r\n"), 1);
  EXPECT_EQ(t.console_out.str(),
            "Table only contains one row!!\n"
            "Table only contains one column!!\n"
            "Seed number must be in the range 1-168!!\n"
            "Warning: Line 1 is empty!\n"
            "Something is wrong. The table is empty!!\n"
            "Warning: Column 1 is empty!\n");
}

TEST(ReadInFileTest, SeedMessageOnceHoweverManySeedsAreWrong) {
  TestState t;
  EXPECT_EQ(ReadTable(t, "2 2 0 169 -3 200 10 2 10\n1 0\n0 1\n"), 1);
  EXPECT_EQ(t.console_out.str(), "Seed number must be in the range 1-168!!\n");
  TestState edges;
  EXPECT_EQ(ReadTable(edges, "2 2 1 168 1 168 10 2 10\n1 0\n0 1\n"), -1);
  EXPECT_EQ(edges.console_out.str(), "");
}

TEST(ReadInFileTest, AfterAHeaderProblemTheRestIsStillRead) {
  TestState t;
  EXPECT_EQ(ReadTable(t, "3 2 169 1 1 1 10 2 10\n1 2\n0 0\n3 0\n"), 1);
  EXPECT_EQ(t.console_out.str(),
            "Seed number must be in the range 1-168!!\n"
            "Warning: Line 2 is empty!\n");
}

TEST(ReadInFileTest, EmptyRowsAndColumnsOnlyWarn) {
  TestState t;
  FisherInput in;
  EXPECT_EQ(ReadTable(t, "3 3 1 2 3 4 10 2 10\n0 0 0\n2 0 3\n4 0 0\n", &in), -1);
  EXPECT_EQ(t.console_out.str(),
            "Warning: Line 1 is empty!\n"
            "Warning: Column 2 is empty!\n");
  EXPECT_EQ(in.MM[3][1], 4);
}

// Rows and columns beyond the working table are refused, and nothing past
// the header is read.
TEST(ReadInFileTest, TablesLargerThanTheWorkingTableAreRefused) {
  std::string many_rows = "31 2 1 2 3 4 10 2 10\n";
  for (int row = 0; row < 31; ++row) many_rows += "1 1\n";
  TestState rows;
  EXPECT_EQ(ReadTable(rows, many_rows), 1);
  EXPECT_EQ(rows.console_out.str(), "Table contains more than 30 rows!!\n");

  std::string many_columns = "2 51 1 2 3 4 10 2 10\n";
  for (int row = 0; row < 2; ++row) many_columns += std::string(51 * 2, ' ') + "\n";
  TestState columns;
  EXPECT_EQ(ReadTable(columns, many_columns), 1);
  EXPECT_EQ(columns.console_out.str(), "Table contains more than 50 columns!!\n");

  TestState both;
  EXPECT_EQ(ReadTable(both, "1 30000 1 2 3 4 10 2 10\n"), 1);
  EXPECT_EQ(both.console_out.str(),
            "Table only contains one row!!\n"
            "Table contains more than 50 columns!!\n");
}

TEST(ReadInFileTest, LargestWorkingTableIsAccepted) {
  std::string content = "30 50 1 2 3 4 10 2 10\n";
  for (int row = 1; row <= 30; ++row) {
    for (int column = 1; column <= 50; ++column) content += " " + std::to_string(row + column);
    content += "\n";
  }
  TestState t;
  FisherInput in;
  EXPECT_EQ(ReadTable(t, content, &in), -1);
  EXPECT_EQ(in.MM[30][50], 80);
  EXPECT_EQ(in.MM[1][1], 2);
}

TEST(ReadInFileTest, ChainLengthsWithoutAnEstimateAreRefused) {
  TestState one_batch;
  EXPECT_EQ(ReadTable(one_batch, "2 2 1 2 3 4 10 1 10\n1 0\n0 1\n"), 1);
  EXPECT_EQ(one_batch.console_out.str(), "Number of batches must be at least 2!!\n");

  TestState no_steps;
  EXPECT_EQ(ReadTable(no_steps, "2 2 1 2 3 4 10 2 0\n1 0\n0 1\n"), 1);
  EXPECT_EQ(no_steps.console_out.str(), "Number of steps per batch must be at least 1!!\n");

  TestState negative_burn_in;
  EXPECT_EQ(ReadTable(negative_burn_in, "2 2 1 2 3 4 -10 2 1\n1 0\n0 1\n"), -1);
  EXPECT_EQ(negative_burn_in.console_out.str(), "");
}

TEST(ReadInFileTest, NegativeCountsAreRefused) {
  TestState t;
  EXPECT_EQ(ReadTable(t, "2 2 1 2 3 4 10 2 10\n3 -1\n1 2\n"), 1);
  EXPECT_EQ(t.console_out.str(), "Table contains a negative count!!\n");
}

TEST(ReadInFileTest, FileFaultsAreRunTimeErrors) {
  TestState t;
  ScopedWorkDir dir;
  try {
    READINFILE(*t.s);
    FAIL() << "a missing file was read";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), kFileNotFound);
  }
  dir.WriteFile("CONTTAB.XYZ", "2 2 1 2 3 4 10 2 10\n1 x\n0 1\n");
  try {
    READINFILE(*t.s);
    FAIL() << "a bad token was read";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), kInvalidNumericFormat);
  }
  dir.WriteFile("CONTTAB.XYZ", "2 2 1 2 3 4 10 2 10\n2000000000 2000000000\n0 1\n");
  try {
    READINFILE(*t.s);
    FAIL() << "an overflowing total was accepted";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), kArithmeticOverflow);
  }
}

TEST(FisherTest, LeavesTheChainsEstimateInHmAndHeca) {
  TestState t;
  ScopedWorkDir dir;
  dir.WriteFile("CONTTAB.XYZ",
                "    2    2   17   92  140    5  1000  100  1000\r\n"
                "    2    0\r\n    0    3\r\n");
  FISHER(*t.s);
  const FisherResult expected =
      RunFisherChain(MakeFisherInput({{2, 0}, {0, 3}}, 1000, 100, 1000, 17, 92, 140, 5));
  EXPECT_EQ(t.s->HM, expected.HM);
  EXPECT_EQ(t.s->HECA, expected.HECA);
  EXPECT_NEAR(static_cast<double>(t.s->HM), 0.1, 4 * static_cast<double>(t.s->HECA));
  EXPECT_EQ(t.console_out.str(), "");
}

TEST(FisherTest, FirstRowEmptyWarnsAndTheChainRuns) {
  TestState t;
  ScopedWorkDir dir;
  dir.WriteFile("CONTTAB.XYZ", "3 2 1 2 3 4 100 10 100\n0 0\n1 0\n0 1\n");
  t.s->HM = -1;
  FISHER(*t.s);
  EXPECT_EQ(t.console_out.str(), "Warning: Line 1 is empty!\n");
  // Only the two non-empty rows can switch, and their tables tie.
  EXPECT_EQ(t.s->HM, 1.0L);
  EXPECT_EQ(t.s->HECA, 0.0L);
}

}  // namespace
}  // namespace gorvan
