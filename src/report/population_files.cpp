// SUBPOPS.OUT (the subpopulations' allele frequencies after the drift) and
// SAMPLES.OUT (the allele counts of the samples drawn from them). Both open
// with the base frequencies and hold one block per accepted run, laid out
// alike; only the per-allele values differ.
#include "report/population_files.h"

#include <string>

#include "report/base_frequencies.h"
#include "report/output_file_names.h"

namespace gorvan {
namespace {

void WriteBasePopulationHeader(TextFile& file, const State& s) {
  file.Text("Base population allele frequencies").EndLine();
  file.EndLine();
  WriteBaseFrequencyLines(file, s);
  file.Text(std::string(40, '-')).EndLine();
}

void WriteRunLine(TextFile& file, const State& s) {
  file.Text("Run = ")
      .Int(s.RUN, 5)
      .Char(',')
      .Text("   t = ")
      .Int(s.T, 3)
      .Char(',')
      .Text("  Fst = ")
      .Real(s.FSTPRIME, 6, 4)
      .EndLine();
}

// The run line, then per locus a title line, one line per population and an
// empty line. The loops count with the shared counters J (locus),
// I (population) and K (allele); the driver's locus loop starts afresh after
// these writers. `write_allele_value` writes the field of allele K of
// population I at locus J.
template <typename AlleleValueWriter>
void WriteRunBlock(TextFile& file, State& s, AlleleValueWriter write_allele_value) {
  WriteRunLine(file, s);
  for (s.J = 1; s.J <= s.NUMBLOCI; ++s.J) {
    file.Text("Locus ").Int(s.J, 2).EndLine();
    for (s.I = 1; s.I <= s.NUMBPOPS; ++s.I) {
      file.Text("Pop ").Int(s.I, 2).Text("  ");
      for (s.K = 1; s.K <= s.ALLELES_PER_LOCUS[s.J]; ++s.K) write_allele_value();
      file.EndLine();
    }
    file.EndLine();
  }
}

}  // namespace

void INITIALIZE_SUBPOPS(State& s) {
  s.OUT6.Assign(kSubpopsFileName);
  s.OUT6.Rewrite();
  WriteBasePopulationHeader(s.OUT6, s);
  s.OUT6.Text("Allele frequencies for each run, locus, and subpopulation after the").EndLine();
  s.OUT6.Text("\"drift-apart\" process is completed (cf. FST.OUT):").EndLine();
  s.OUT6.EndLine();
}

void INITIALIZE_SAMPLES(State& s) {
  s.OUT7.Assign(kSamplesFileName);
  s.OUT7.Rewrite();
  WriteBasePopulationHeader(s.OUT7, s);
  s.OUT7.Text("Alleles sampled from the final subpopulations (after drifting apart).").EndLine();
  s.OUT7.Text("Number of alleles of each type per run, locus, and subpopulation:").EndLine();
  s.OUT7.EndLine();
}

void WRITE_TO_SUBPOPS(State& s) {
  WriteRunBlock(s.OUT6, s, [&s] { s.OUT6.Real(s.ALL_POPS_AFREQ[s.I][s.J][s.K], 7, 3); });
}

void WRITE_TO_SAMPLES(State& s) {
  WriteRunBlock(s.OUT7, s, [&s] { s.OUT7.Int(s.ALL_POPS_ACOUNT[s.I][s.J][s.K], 7); });
}

}  // namespace gorvan
