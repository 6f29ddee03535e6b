// Where each number of the parameter file came from. The state keeps the
// values as the program uses them (16-bit fields keep their low 16 bits);
// this record keeps the 32-bit values as read and the lines they stood on,
// so that the soundness checks can name what is wrong and where.
#pragma once

#include <cstdint>
#include <string>

#include "state/state.h"

namespace gorvan {

struct SourcePlace {
  int line = 0;          // the line of GORVAN.IN the number stood on
  bool missing = false;  // the file ended before the number; it read as 0
};

struct SourceInt {
  int32_t as_read = 0;  // before it was narrowed into its field
  SourcePlace place;
};

struct ParameterSource {
  SourceInt ITER1, ITER2, ITER3;
  SourceInt RUN_CHI2, RUN_FISHER;
  SourceInt ERASE_DETAILED_OUTPUT;
  SourceInt NUMBLOCI, NUMBPOPS;
  SourceInt DRIFT_SIZE, STOP_T;
  SourceInt SAMPLESIZE[kMaxPops + 1];
  SourceInt STOP_RUNS;
  SourceInt ALLELES_PER_LOCUS[kMaxLoci + 1];
  // Only the stored frequencies (the first 50 of a locus) are noted, with
  // their tokens as written.
  SourcePlace BASEPOP[kMaxLoci + 1][kMaxAlleles + 1];
  std::string BASEPOP_TEXT[kMaxLoci + 1][kMaxAlleles + 1];
};

}  // namespace gorvan
