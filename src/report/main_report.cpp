// The header of GORVAN.OUT: the parameters of the simulation, the base
// population, and the column titles of the power table, which stay open until
// the results are written after the last run.
#include "report/main_report.h"

#include <string>

#include "report/base_frequencies.h"
#include "report/output_file_names.h"

namespace gorvan {
namespace {

void WriteParameterEcho(State& s) {
  TextFile& out = s.OUT1;
  out.Text(s.COMMENT1).EndLine();
  out.Text(s.COMMENT2).EndLine();
  out.Text("Iteration factors:  ").Int(s.ITER1).Text("  ").Int(s.ITER2).Text("  ").Int(s.ITER3);
  out.EndLine();
  if (s.STOP_T == 0) {
    out.Text("NO DRIFT!!!  ").Text("Samples are drawn directly from base population!!!").EndLine();
  }
  out.Text("Statistical test:");
  if (s.RUN_CHI2 == 1) out.Text(" Chi2");
  if (s.RUN_FISHER == 1) out.Text(" Fisher");
  out.EndLine();
  out.EndLine();
  out.Text("Number of loci = ").Int(s.NUMBLOCI, 3).EndLine();
  out.Text("Number of populations = ").Int(s.NUMBPOPS, 3).EndLine();
  if (s.STOP_T > 0)
    out.Text("Effective size when drifting apart = ").Int(s.DRIFT_SIZE, 5).EndLine();
  out.Text("Generations of drift = ").Int(s.STOP_T, 5).EndLine();
  out.Text("Number of runs/replicates = ").Int(s.STOP_RUNS, 8).EndLine();
  out.Text("Diploid sample sizes = ");
  for (int pop = 1; pop <= s.NUMBPOPS; ++pop) out.Text(" ").Int(s.SAMPLESIZE[pop]);
  out.EndLine();
  out.EndLine();
}

void WriteBasePopulation(State& s) {
  s.OUT1.Text("Base population allele frequencies:").EndLine();
  WriteBaseFrequencyLines(s.OUT1, s);
  s.OUT1.EndLine();
  s.OUT1.Text("Total number of alleles in base population = ").Int(s.STARTNUMBALLELES, 3).EndLine();
}

// The titles are written whichever tests are on.
void WritePowerTableTitles(State& s) {
  TextFile& out = s.OUT1;
  out.Text(std::string(70, '-')).EndLine();
  out.EndLine();
  out.Text("Proportion of significances (P<0.05) for summed/combined test statistics:").EndLine();
  out.EndLine();
  out.Text("Loci", 5)
      .Text("Alleles", 8)
      .Text("Runs", 6)
      .Text("#Chi2", 6)
      .Text("Chi2", 8)
      .Text("#Fisher", 8)
      .Text("Fisher", 8);
}

}  // namespace

void WRITE_OUTFILE(State& s) {
  s.OUT1.Assign(kMainReportFileName);
  s.OUT1.Rewrite();
  WriteParameterEcho(s);
  WriteBasePopulation(s);
  WritePowerTableTitles(s);
}

}  // namespace gorvan
