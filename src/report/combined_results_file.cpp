#include "report/combined_results_file.h"

namespace gorvan {

void INITIALIZE_SUMTEST(State& s) {
  s.OUT10.Assign(kSumtestFileName);
  s.OUT10.Rewrite();
  WriteSumtestHeader(s.OUT10);
}

void WRITE_TO_SUMTEST(State& s, const CombinedTests& combined) {
  WriteSumtestLine(s.OUT10, s, combined);
}

void WriteSumtestHeader(FieldWriter& out) {
  out.EndLine();
  out.Text("Run", 7)
      .Text("Loci", 6)
      .Text("Alleles", 8)
      .Text("A/L", 7)
      .Text("SumChi2", 10)
      .Text("SumChi2_df", 12)
      .Text("SumChi2_P", 12)
      .Text("df_Fisher", 11)
      .Text("Sum-2lnFisher_P", 17)
      .Text("TotFisher_P", 12)
      .EndLine();
}

void WriteSumtestLine(FieldWriter& out, const State& s, const CombinedTests& combined) {
  out.Int(s.RUN, 7)
      .Int(s.NUMB_NONFIXED_LOCI, 6)
      .Real(s.NUMB_ALLELES, 8, 0)
      .Real(s.MEAN_ALLELES_PER_LOCUS, 7, 2);
  if (s.RUN_CHI2 == 1) {
    out.Real(s.SUM_CHI2, 10, 3).Int(s.SUM_CHI2_DF, 12).Real(combined.XCHI2, 12, 4);
  } else {
    out.Char(' ', 34);
  }
  if (s.RUN_FISHER == 1) {
    out.Int(combined.DF_EXACT, 11).Real(s.SUM_LN_GEXACT_P, 17, 4).Real(combined.XGEXACT, 12, 4);
  } else {
    // 12 blanks for the degrees of freedom (one more than that field's
    // width), 29 for the statistic and its P.
    out.Char(' ', 12).Char(' ', 29);
  }
  out.EndLine();
}

}  // namespace gorvan
