// The results part of GORVAN.OUT: the power table (the share of runs in which
// each combined test was significant, by class of run) and the summary of the
// differentiation reached.
#include "report/final_results.h"

#include <cmath>
#include <string>

#include "base/checked_math.h"
#include "textio/number_format.h"

namespace gorvan {
namespace {

struct PowerRow {
  std::string loci_label;
  std::string alleles_label;
  int32_t runs;
  int32_t chi2_significant;
  int32_t fisher_significant;
};

// Count and share of one test, or blanks in their 6 + 8 columns (chi-square)
// or 8 + 8 columns (Fisher) when the test is off.
void WriteTestColumns(TextFile& out, bool test_on, int count_width, int32_t significant,
                      int32_t runs) {
  if (!test_on) {
    out.Char(' ', count_width + 8);
    return;
  }
  out.Int(significant, count_width).Real(static_cast<Extended>(significant) / runs, 8, 4);
}

// The row's fields without its line end.
void WritePowerRow(State& s, const PowerRow& row) {
  TextFile& out = s.OUT1;
  out.Text(row.loci_label, 5).Text(row.alleles_label, 8).Int(row.runs, 6);
  WriteTestColumns(out, s.RUN_CHI2 == 1, 6, row.chi2_significant, row.runs);
  WriteTestColumns(out, s.RUN_FISHER == 1, 8, row.fisher_significant, row.runs);
}

// "=<" and the allele total in width 3, for the runs with every locus tested.
std::string AtMostAllelesLabel(const State& s) {
  std::string label = "=<";
  label += FormatInt(s.STARTNUMBALLELES, 3);
  return label;
}

// "<" and the number of loci in width 3, for the runs with a fixed locus.
std::string FewerLociLabel(const State& s) {
  std::string label = "<";
  label += FormatInt(s.NUMBLOCI, 3);
  return label;
}

// Rows of the three classes appear only when they hold runs; the all-runs
// row always does. With the Fisher test off the all-runs row is left open
// after its blank columns, so one empty line, not two, follows it.
void WritePowerTable(State& s) {
  const std::string loci = FormatInt(s.NUMBLOCI, 0);
  const PowerRow class_rows[] = {
      {loci, FormatInt(s.STARTNUMBALLELES, 0), s.NUMBR1, s.R1CHI2, s.R1GEXACT},
      {loci, AtMostAllelesLabel(s), s.NUMBR2, s.R2CHI2, s.R2GEXACT},
      {FewerLociLabel(s), "***", s.NUMBR3, s.R3CHI2, s.R3GEXACT},
  };
  for (const PowerRow& row : class_rows) {
    if (row.runs <= 0) continue;
    WritePowerRow(s, row);
    s.OUT1.EndLine();
  }
  WritePowerRow(s, {"Tot", "***", s.NUMBTOT, s.TOTCHI2, s.TOTGEXACT});
  if (s.RUN_FISHER == 1) s.OUT1.EndLine();
  s.OUT1.EndLines(2);
}

// F'st from the diversities averaged over the runs. When no run had any
// diversity (both averages 0) there is nothing to divide, and no
// differentiation is reported, as for a single run.
Extended FstFromAverageDiversities(const State& s) {
  const Extended MEAN_HT = s.SUM_HT / s.RUN;
  const Extended MEAN_HS = s.SUM_HS / s.RUN;
  Extended Y = MEAN_HT - MEAN_HS;
  Y = Y * s.NUMBPOPS / (s.NUMBPOPS - 1);
  const Extended total = MEAN_HS + Y;
  if (total == 0) return 0;
  return Y / total;
}

void WriteDifferentiationSummary(State& s) {
  TextFile& out = s.OUT1;
  const Extended X = ExpectedFst(s);
  out.Text("Average F'st over all the ").Int(s.RUN).Text(" runs = ");
  out.Real(s.SUM_FST / s.RUN, 10, 4).EndLine();
  out.Text("Expected Fst = ").Real(X, 10, 4).EndLine();
  const Extended Y = FstFromAverageDiversities(s);
  out.Text("F'st calculated from average Hs and Ht = ").Real(Y, 10, 4).EndLine();
}

}  // namespace

Extended ExpectedFst(const State& s) {
  if (s.STOP_T <= 0) return 0;
  const int32_t genes = CheckedMul(2, s.DRIFT_SIZE);
  return 1 - std::exp(s.STOP_T * std::log(1 - Extended{1} / genes));
}

void WRITE_FINAL_RESULTS(State& s) {
  s.OUT1.EndLine();  // completes the title line that the header left open
  WritePowerTable(s);
  s.OUT1.Text("-----").EndLine();
  WriteDifferentiationSummary(s);
}

}  // namespace gorvan
