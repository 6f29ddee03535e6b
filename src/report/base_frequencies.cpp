#include "report/base_frequencies.h"

namespace gorvan {

void WriteBaseFrequencyLines(FieldWriter& out, const State& s) {
  for (int locus = 1; locus <= s.NUMBLOCI; ++locus) {
    out.Text("  Locus ").Int(locus, 2).Char(':');
    for (int allele = 1; allele <= s.ALLELES_PER_LOCUS[locus]; ++allele) {
      out.Real(s.BASEPOP[locus][allele], 7, 3);
    }
    out.EndLine();
  }
}

}  // namespace gorvan
