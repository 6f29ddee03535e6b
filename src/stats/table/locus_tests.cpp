#include "stats/table/locus_tests.h"

#include "model/random_source.h"
#include "stats/chisquare/chisquare.h"
#include "stats/fisher/fisher.h"
#include "stats/table/table_file.h"
#include "textio/checked_math.h"

namespace gorvan {
namespace {

// The count of one allele at one locus over the samples of all populations.
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

void WriteTableRows(State& s, const int32_t (&COLSUM)[kMaxAlleles + 1]) {
  for (int16_t P = 1; P <= s.NUMBPOPS; ++P) {
    for (int16_t A = 1; A <= s.ALLELES_PER_LOCUS[s.J]; ++A) {
      if (COLSUM[A] > 0) WriteTableNumber(s.OUT9, s.ALL_POPS_ACOUNT[P][s.J][A]);
    }
    s.OUT9.EndLine();
  }
}

// Writes CONTTAB.XYZ for locus J: the table of samples by the alleles found
// in them, with four fresh seeds and the chain lengths.
void WriteTableFile(State& s) {
  s.OUT9.Assign(kTableFileName);
  s.OUT9.RewriteInOnePiece();
  TableFileHeader header;
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
  WriteTableHeader(s.OUT9, header);
  WriteTableRows(s, COLSUM);
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
