#include "stats/locus/locus_analysis.h"

#include "base/checked_math.h"
#include "stats/chisquare/chisquare.h"
#include "stats/fisher/fisher.h"
#include "stats/table/locus_table.h"
#include "stats/table/table_file.h"

namespace gorvan {
namespace {

// Writes CONTTAB.XYZ for locus J: the table of samples by the alleles found
// in them, with four fresh seeds and the chain lengths.
void WriteTableFile(State& s) {
  s.OUT9.Assign(kTableFileName);
  s.OUT9.RewriteInOnePiece();
  WriteLocusTable(s.OUT9, DrawLocusTable(s));
  s.OUT9.Close();
}

}  // namespace

void TEST_EACH_LOCUS_FOR_FIXED_SAMPLES(State& s) {
  for (int16_t L = 1; L <= s.NUMBLOCI; ++L) s.FIXED_LOCUS[L] = 0;
  const int32_t genes_sampled = CheckedMul(2, s.TOTALSAMPLESIZE);
  for (int16_t II = 1; II <= s.NUMBLOCI; ++II) {
    for (int16_t JJ = 1; JJ <= s.ALLELES_PER_LOCUS[II]; ++JJ) {
      // One allele makes up every gene sampled at the locus.
      if (PooledCount(s, II, JJ) == genes_sampled) s.FIXED_LOCUS[II] = 1;
    }
  }
  int32_t fixed_loci = 0;
  for (int16_t L = 1; L <= s.NUMBLOCI; ++L) fixed_loci = CheckedAdd(fixed_loci, s.FIXED_LOCUS[L]);
  s.NUMB_NONFIXED_LOCI = static_cast<int16_t>(CheckedSub(s.NUMBLOCI, fixed_loci));
}

void TEST_LOCUS_X(State& s) {
  WriteTableFile(s);
  // Each test reads the table back from the file by itself.
  if (s.RUN_CHI2 == 1) DO_CHISQUARE(s);
  if (s.RUN_FISHER == 1) FISHER(s);
}

}  // namespace gorvan
