// Reading the program's output files back as a user's script would, with
// their layout checked on the way: every field is read from the columns in
// which its title ends.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace gorvan::e2e {

// The text in columns first..last (1-based, inclusive) of `line`, which must
// be a right-aligned field: blanks, then one token ending in column `last`.
// Records a test failure and returns "" otherwise.
std::string Field(const std::string& line, int first, int last);
double NumberField(const std::string& line, int first, int last);

struct FstLine {
  int run, t;
  double ht, hs, fst;
};
std::vector<FstLine> ParseFstOut(const std::string& text);

struct LocusLine {
  int run, locus;
  bool fixed;                     // "**" marks
  std::optional<double> chi2, p;  // chi-square columns, when written
  std::optional<int> df;
  std::optional<double> fisher_p, se;
};
std::vector<LocusLine> ParseLocusTstOut(const std::string& text, bool chi2_on, bool fisher_on);

struct SumLine {
  int run, loci;
  double alleles, alleles_per_locus;
  std::optional<double> sum_chi2, p_chi2;
  std::optional<int> sum_df, df_fisher;
  std::optional<double> sum_ln_fisher, p_fisher;
};
std::vector<SumLine> ParseSumTestOut(const std::string& text, bool chi2_on, bool fisher_on);

// Per run: counts[locus][population] = allele counts in that sample.
using SampleCounts = std::vector<std::vector<std::vector<int>>>;
std::map<int, SampleCounts> ParseSamplesOut(const std::string& text, int loci, int pops);

struct PowerRow {
  std::string loci, alleles;  // the labels as printed
  int runs;
  std::optional<int> chi2_count, fisher_count;
  std::optional<double> chi2_share, fisher_share;
};
struct MainReport {
  std::vector<std::string> lines;
  std::vector<PowerRow> rows;  // in printed order
  double average_fst, expected_fst, fst_from_averages;
};
MainReport ParseGorvanOut(const std::string& text, bool chi2_on, bool fisher_on);

}  // namespace gorvan::e2e
