#include "stats/locus/table_analysis.h"

#include <memory>

#include "stats/chisquare/cntab1.h"
#include "stats/chisquare/tail/pause.h"
#include "stats/fisher/fisher.h"

namespace gorvan {
namespace {

void ChiSquareOfTable(const LocusTable& table, Console& console, LocusTestResult& result) {
  // Cleared as the chi-square test clears TABLE before reading the file.
  int32_t TABLE[kMaxPops + 1][kMaxAlleles + 1] = {};
  for (int row = 1; row <= table.header.rows; ++row) {
    for (int column = 1; column <= table.header.columns; ++column) {
      TABLE[row][column] = table.Cell(row, column);
    }
  }
  ConsolePause pause(console);
  CNTAB1(TABLE, table.header.rows, table.header.columns, result.CHISQ, result.DF, result.PROB,
         pause);
}

void FisherOfTable(const LocusTable& table, Console& console, LocusTestResult& result) {
  // The working table is large; it is not kept on a worker's stack.
  auto in = std::make_unique<FisherInput>();
  const TableFileHeader& header = table.header;
  // Stored as the table file's reader stores what it reads.
  in->N = static_cast<int16_t>(header.rows);
  in->M = static_cast<int16_t>(header.columns);
  in->UU1 = static_cast<int16_t>(header.seeds[0]);
  in->UU2 = static_cast<int16_t>(header.seeds[1]);
  in->UU3 = static_cast<int16_t>(header.seeds[2]);
  in->UU4 = static_cast<int16_t>(header.seeds[3]);
  in->MEM = header.ITER1;
  in->B = header.ITER2;
  in->C = header.ITER3;
  for (int row = 1; row <= header.rows; ++row) {
    for (int column = 1; column <= header.columns; ++column) {
      in->MM[row][column] = table.Cell(row, column);
    }
  }
  const FisherResult fisher = FisherOnTable(*in, console);
  result.HM = fisher.HM;
  result.HECA = fisher.HECA;
}

}  // namespace

LocusTestResult TestLocusTable(const LocusTable& table, bool run_chi2, bool run_fisher,
                               Console& console) {
  LocusTestResult result;
  if (run_chi2) ChiSquareOfTable(table, console, result);
  if (run_fisher) FisherOfTable(table, console, result);
  return result;
}

}  // namespace gorvan
