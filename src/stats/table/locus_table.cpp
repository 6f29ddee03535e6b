#include "stats/table/locus_table.h"

#include "base/checked_math.h"
#include "model/random_source.h"

namespace gorvan {

// Pooled counts are summed in 32 bits: exact for any samples the 16-bit
// cells can hold, so neither the fixed-locus test nor the choice of columns
// is fooled by a wrapped sum.
int32_t PooledCount(const State& s, int locus, int allele) {
  int32_t SUM = 0;
  for (int16_t KK = 1; KK <= s.NUMBPOPS; ++KK) {
    SUM = CheckedAdd(SUM, s.ALL_POPS_ACOUNT[KK][locus][allele]);
  }
  return SUM;
}

LocusTable DrawLocusTable(State& s) {
  LocusTable table;
  TableFileHeader& header = table.header;
  // Drawn for every tested locus, whether or not the Fisher test runs, so
  // the program-wide stream moves on by four draws per tested locus.
  for (int32_t& seed : header.seeds) seed = static_cast<int16_t>(CheckedAdd(RANDOM(s, 165), 1));

  int32_t COLSUM[kMaxAlleles + 1] = {};
  int16_t COLUMNS = 0;
  for (int16_t A = 1; A <= s.ALLELES_PER_LOCUS[s.J]; ++A) {
    COLSUM[A] = PooledCount(s, s.J, A);
    if (COLSUM[A] > 0) ++COLUMNS;
  }
  header.rows = s.NUMBPOPS;
  header.columns = COLUMNS;
  header.ITER1 = s.ITER1;
  header.ITER2 = s.ITER2;
  header.ITER3 = s.ITER3;

  table.cells.reserve(static_cast<size_t>(s.NUMBPOPS) * static_cast<size_t>(COLUMNS));
  for (int16_t P = 1; P <= s.NUMBPOPS; ++P) {
    for (int16_t A = 1; A <= s.ALLELES_PER_LOCUS[s.J]; ++A) {
      if (COLSUM[A] > 0) table.cells.push_back(s.ALL_POPS_ACOUNT[P][s.J][A]);
    }
  }
  return table;
}

void WriteLocusTable(FieldWriter& out, const LocusTable& table) {
  WriteTableHeader(out, table.header);
  for (int row = 1; row <= table.header.rows; ++row) {
    for (int column = 1; column <= table.header.columns; ++column) {
      WriteTableNumber(out, table.Cell(row, column));
    }
    out.EndLine();
  }
}

}  // namespace gorvan
