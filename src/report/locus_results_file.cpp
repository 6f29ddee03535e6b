// LOCUSTST.OUT: one line per run and locus with the results of the tests.
#include "report/locus_results_file.h"

#include "report/output_file_names.h"

namespace gorvan {
namespace {

// Blanks stand in for the fields of a test that is off, so the fields of the
// other test stay under their titles.
void WriteTestedLocusLine(State& s) {
  TextFile& file = s.OUT8;
  file.Int(s.RUN, 7).Int(s.J, 7);
  if (s.RUN_CHI2 == 1) {
    file.Real(s.CHI2, 10, 3).Int(s.CHI2_DF, 8).Real(s.CHI2_P, 9, 4);
  } else {
    file.Char(' ', 27);
  }
  if (s.RUN_FISHER == 1) {
    file.Real(s.GEXACT_P, 14, 4).Real(s.SE, 10, 4);
  } else {
    file.Char(' ', 9);
  }
  file.EndLine();
}

// A locus fixed in the samples was not tested: marks under the four result
// titles, whichever tests are on; the SE column stays empty.
void WriteFixedLocusLine(State& s) {
  s.OUT8.Int(s.RUN, 7)
      .Int(s.J, 7)
      .Text("**", 10)
      .Text("**", 8)
      .Text("**", 9)
      .Text("**", 14)
      .EndLine();
}

}  // namespace

void INITIALIZE_LOCUSTST(State& s) {
  s.OUT8.Assign(kLocusTestFileName);
  s.OUT8.Rewrite();
  s.OUT8.EndLine();
  s.OUT8.Text("Run", 7)
      .Text("Locus", 7)
      .Text("Chi2", 10)
      .Text("Chi2_df", 8)
      .Text("Chi2_P", 9)
      .Text("Fisher_P", 14)
      .Text("SE", 10)
      .EndLine();
}

void WRITE_TO_LOCUSTST(State& s) {
  if (s.FIXED_LOCUS[s.J] == 0) {
    WriteTestedLocusLine(s);
  } else {
    WriteFixedLocusLine(s);
  }
}

}  // namespace gorvan
