// Reading the contingency table back from CONTTAB.XYZ for the chi-square
// test. The sizes in the file are checked before any cell is stored, so a
// damaged or foreign file cannot reach past the table array.
#include "stats/chisquare/chisquare.h"

#include <algorithm>
#include <cstdint>

#include "base/program_stop.h"
#include "stats/chisquare/cntab1.h"
#include "stats/table/table_file.h"

namespace gorvan {
namespace {

// Writes the console line for a table size outside 0..`limit` and says
// whether there was one.
bool ReportBadSize(Console& console, int32_t announced, int32_t limit, const char* what) {
  if (announced > limit) {
    console.Text("Table has ")
        .Int(announced)
        .Text(" ")
        .Text(what)
        .Text("; at most ")
        .Int(limit)
        .Text(" can be tested!!")
        .EndLine();
    return true;
  }
  if (announced < 0) {
    console.Text("Table has ")
        .Int(announced)
        .Text(" ")
        .Text(what)
        .Text("; the number cannot be negative!!")
        .EndLine();
    return true;
  }
  return false;
}

}  // namespace

void DO_CHISQUARE(State& s) {
  std::fill(&s.TABLE[0][0], &s.TABLE[0][0] + sizeof s.TABLE / sizeof s.TABLE[0][0], 0);

  s.INFILE.Assign(kTableFileName);
  s.INFILE.Reset();
  const int32_t announced_rows = s.INFILE.ReadInt();
  const int32_t announced_cols = s.INFILE.ReadInt();
  // Both sizes are reported before the program ends.
  const bool bad_rows = ReportBadSize(s.console, announced_rows, kMaxPops, "rows");
  const bool bad_cols = ReportBadSize(s.console, announced_cols, kMaxAlleles, "columns");
  if (bad_rows || bad_cols) {
    s.INFILE.Close();
    throw ProgramStop{1};
  }
  // The seeds and chain lengths on the rest of the header are the Fisher
  // test's.
  s.INFILE.SkipLine();

  const int16_t ROWS = static_cast<int16_t>(announced_rows);
  const int16_t COLS = static_cast<int16_t>(announced_cols);
  for (int16_t II = 1; II <= ROWS; ++II) {
    for (int16_t JJ = 1; JJ <= COLS; ++JJ) s.TABLE[II][JJ] = s.INFILE.ReadInt();
    s.INFILE.SkipLine();
  }
  s.INFILE.Close();

  ConsolePause pause(s.console);
  CNTAB1(s.TABLE, ROWS, COLS, s.CHISQ, s.DF, s.PROB, pause);
}

}  // namespace gorvan
