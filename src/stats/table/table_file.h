// The layout of the scratch table file CONTTAB.XYZ, through which each locus
// table reaches the tests: a header line with the table's size, the four
// seeds of the Fisher test's generator and the chain's lengths, then one
// line of counts per row.
#pragma once

#include <cstdint>

#include "textio/field_writer.h"

namespace gorvan {

inline constexpr const char* kTableFileName = "CONTTAB.XYZ";

struct TableFileHeader {
  int32_t rows = 0;
  int32_t columns = 0;
  int32_t seeds[4] = {};
  int32_t ITER1 = 0;  // burn-in steps
  int32_t ITER2 = 0;  // batches
  int32_t ITER3 = 0;  // steps per batch
};

// A number right-aligned in 5 characters. One that needs 5 or more gets a
// single blank in front instead, so that it never touches its neighbour and
// reads back as itself.
void WriteTableNumber(FieldWriter& out, int32_t value);

// The header line, line end included: size and seeds as table numbers, each
// chain length after two blanks with no padding of its own.
void WriteTableHeader(FieldWriter& out, const TableFileHeader& header);

}  // namespace gorvan
