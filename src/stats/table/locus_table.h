// The contingency table of one tested locus as it goes to the tests: the
// samples (rows) by the alleles found in them (columns), with the four seeds
// of the Fisher test's generator and the chain's lengths. The serial program
// hands it over through the scratch file CONTTAB.XYZ; the threaded one in
// memory.
#pragma once

#include <cstdint>
#include <vector>

#include "state/state.h"
#include "stats/table/table_file.h"
#include "textio/field_writer.h"

namespace gorvan {

struct LocusTable {
  TableFileHeader header;      // rows, columns, seeds, chain lengths
  std::vector<int32_t> cells;  // row after row, header.columns cells each

  // The count in `row`, `column` (both from 1).
  int32_t Cell(int row, int column) const {
    return cells[static_cast<size_t>((row - 1) * header.columns + (column - 1))];
  }
};

// Reads ALL_POPS_ACOUNT: the count of `allele` at `locus` summed over the
// samples of all populations, in 32 bits.
int32_t PooledCount(const State& s, int locus, int allele);

// Reads J, ALL_POPS_ACOUNT, ITER1..ITER3 and four draws of the stream (so
// every tested locus moves it on by four); writes nothing else. The table of
// locus J with its seeds and chain lengths.
LocusTable DrawLocusTable(State& s);

// The table file's lines: the header, then one line per row.
void WriteLocusTable(FieldWriter& out, const LocusTable& table);

}  // namespace gorvan
