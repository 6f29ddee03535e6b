#include "stats/fisher/fisher_input.h"

#include "base/checked_math.h"
#include "base/program_stop.h"
#include "stats/table/table_file.h"

namespace gorvan {
namespace {

bool SeedOutOfRange(int16_t seed) { return seed > 168 || seed < 1; }

void ReadHeader(State& s, FisherInput& in) {
  in.N = static_cast<int16_t>(s.INFILE.ReadInt());
  in.M = static_cast<int16_t>(s.INFILE.ReadInt());
  in.UU1 = static_cast<int16_t>(s.INFILE.ReadInt());
  in.UU2 = static_cast<int16_t>(s.INFILE.ReadInt());
  in.UU3 = static_cast<int16_t>(s.INFILE.ReadInt());
  in.UU4 = static_cast<int16_t>(s.INFILE.ReadInt());
  in.MEM = s.INFILE.ReadInt();
  in.B = s.INFILE.ReadInt();
  in.C = s.INFILE.ReadInt();
  s.INFILE.SkipLine();
}

bool FitsWorkingTable(const FisherInput& in) {
  return in.N <= kFisherMaxRows && in.M <= kFisherMaxColumns;
}

// The checks on the first line, each with its console line; true when the
// table cannot be used.
bool CheckHeader(FieldWriter& console, const FisherInput& in) {
  bool unusable = false;
  auto report = [&](const char* line) {
    console.Text(line).EndLine();
    unusable = true;
  };
  if (in.N < 2) report("Table only contains one row!!");
  if (in.M < 2) report("Table only contains one column!!");
  if (SeedOutOfRange(in.UU1) || SeedOutOfRange(in.UU2) || SeedOutOfRange(in.UU3) ||
      SeedOutOfRange(in.UU4)) {
    report("Seed number must be in the range 1-168!!");
  }
  // The rows and columns have to fit the working table before any is read.
  if (in.N > kFisherMaxRows) report("Table contains more than 30 rows!!");
  if (in.M > kFisherMaxColumns) report("Table contains more than 50 columns!!");
  // The standard error needs two batches, a batch proportion one step.
  if (in.B < 2) report("Number of batches must be at least 2!!");
  if (in.C < 1) report("Number of steps per batch must be at least 1!!");
  return unusable;
}

void WarnIfRowEmpty(FieldWriter& console, int16_t I, int32_t LIGNE) {
  if (LIGNE == 0) console.Text("Warning: Line ").Int(I).Text(" is empty!").EndLine();
}

// True (after its console line) when the table holds no gene at all.
bool ReportEmptyTable(FieldWriter& console, int32_t TOT) {
  if (TOT != 0) return false;
  console.Text("Something is wrong. The table is empty!!").EndLine();
  return true;
}

// Reads the rows into MM, warning of every empty row as soon as it is read;
// true when the table cannot be used.
bool ReadRows(State& s, FisherInput& in) {
  int32_t TOT = 0;
  for (int16_t I = 1; I <= in.N; ++I) {
    int32_t LIGNE = 0;
    for (int16_t J = 1; J <= in.M; ++J) {
      const int32_t count = s.INFILE.ReadInt();
      in.MM[I][J] = count;
      TOT = CheckedAdd(TOT, count);
      LIGNE = CheckedAdd(LIGNE, count);
    }
    WarnIfRowEmpty(s.console, I, LIGNE);
    s.INFILE.SkipLine();
  }
  return ReportEmptyTable(s.console, TOT);
}

// The same checks on rows already in MM.
bool CheckRows(FieldWriter& console, const FisherInput& in) {
  int32_t TOT = 0;
  for (int16_t I = 1; I <= in.N; ++I) {
    int32_t LIGNE = 0;
    for (int16_t J = 1; J <= in.M; ++J) {
      TOT = CheckedAdd(TOT, in.MM[I][J]);
      LIGNE = CheckedAdd(LIGNE, in.MM[I][J]);
    }
    WarnIfRowEmpty(console, I, LIGNE);
  }
  return ReportEmptyTable(console, TOT);
}

void WarnOfEmptyColumns(FieldWriter& console, const FisherInput& in) {
  for (int16_t J = 1; J <= in.M; ++J) {
    int32_t COLON = 0;
    for (int16_t I = 1; I <= in.N; ++I) COLON = CheckedAdd(COLON, in.MM[I][J]);
    if (COLON == 0) console.Text("Warning: Column ").Int(J).Text(" is empty!").EndLine();
  }
}

// A negative count has no probability, and a switch next to it could divide
// by zero; true (after one console line) when the table holds one.
bool RefuseNegativeCounts(FieldWriter& console, const FisherInput& in) {
  for (int16_t I = 1; I <= in.N; ++I) {
    for (int16_t J = 1; J <= in.M; ++J) {
      if (in.MM[I][J] < 0) {
        console.Text("Table contains a negative count!!").EndLine();
        return true;
      }
    }
  }
  return false;
}

}  // namespace

FisherInput READINFILE(State& s) {
  FisherInput in;
  uint8_t CHECK = 0;
  s.INFILE.Assign(kTableFileName);
  s.INFILE.Reset();
  ReadHeader(s, in);
  if (CheckHeader(s.console, in)) CHECK = 1;
  // A table too large for the working table is not read at all.
  if (FitsWorkingTable(in)) {
    if (ReadRows(s, in)) CHECK = 1;
    WarnOfEmptyColumns(s.console, in);
    if (RefuseNegativeCounts(s.console, in)) CHECK = 1;
  }
  s.INFILE.Close();
  if (CHECK == 1) throw ProgramStop{1};
  return in;
}

bool ReportUnusableTable(FieldWriter& console, const FisherInput& in) {
  bool unusable = CheckHeader(console, in);
  if (FitsWorkingTable(in)) {
    if (CheckRows(console, in)) unusable = true;
    WarnOfEmptyColumns(console, in);
    if (RefuseNegativeCounts(console, in)) unusable = true;
  }
  return unusable;
}

}  // namespace gorvan
