// The table of the Fisher test as read from CONTTAB.XYZ: its size, the four
// seeds of the test's generator, the chain's lengths and the counts.
#pragma once

#include <cstdint>

#include "state/state.h"
#include "textio/field_writer.h"

namespace gorvan {

// The working table holds every table the per-locus driver can write: one
// row per population, one column per allele. A file announcing more is
// refused rather than read past the table.
inline constexpr int kFisherMaxRows = kMaxPops;
inline constexpr int kFisherMaxColumns = kMaxAlleles;

struct FisherInput {
  int16_t N = 0;                                               // rows (samples)
  int16_t M = 0;                                               // columns (alleles)
  int16_t UU1 = 0, UU2 = 0, UU3 = 0, UU4 = 0;                  // seeds of the generator
  int32_t MEM = 0;                                             // burn-in steps
  int32_t B = 0;                                               // batches
  int32_t C = 0;                                               // steps per batch
  int32_t MM[kFisherMaxRows + 1][kFisherMaxColumns + 1] = {};  // [row][column], from 1
};

// Reads and checks CONTTAB.XYZ through INFILE, reporting every problem on
// the console. A table the chain cannot use ends the program once the file
// is read and closed: throws ProgramStop{1}. Empty rows or columns are only
// warned about.
FisherInput READINFILE(State& s);

// The checks of READINFILE on a table already in memory, with the same
// console lines in the same order; true when the chain cannot use it.
bool ReportUnusableTable(FieldWriter& console, const FisherInput& in);

}  // namespace gorvan
