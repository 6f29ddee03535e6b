#include "output_files.h"

#include <cstdlib>
#include <sstream>

#include <gtest/gtest.h>

#include "harness.h"

namespace gorvan::e2e {
namespace {

// The lines of a detail file; every line must end in CR LF.
std::vector<std::string> CheckedLines(const std::string& text) {
  if (!text.empty() && text.substr(text.size() - 2) != "\r\n") {
    ADD_FAILURE() << "file does not end in CR LF";
  }
  std::vector<std::string> lines = SplitCrLf(text);
  for (const std::string& line : lines) {
    if (line.find_first_of("\r\n") != std::string::npos) ADD_FAILURE() << "stray line end";
  }
  return lines;
}

bool IsBlank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

// A composed label ("<  8", "=< 60"): blanks may stand inside it, but it
// must end in column `last`.
std::string LabelField(const std::string& line, int first, int last) {
  if (static_cast<int>(line.size()) < last || line[last - 1] == ' ') {
    ADD_FAILURE() << "no label ending in column " << last << ": [" << line << "]";
    return "";
  }
  const std::string slice = line.substr(first - 1, last - first + 1);
  return slice.substr(slice.find_first_not_of(' '));
}

int IntField(const std::string& line, int first, int last) {
  return std::atoi(Field(line, first, last).c_str());
}

}  // namespace

std::string Field(const std::string& line, int first, int last) {
  if (static_cast<int>(line.size()) < last) {
    ADD_FAILURE() << "line too short for columns " << first << "-" << last << ": [" << line << "]";
    return "";
  }
  const std::string slice = line.substr(first - 1, last - first + 1);
  const size_t start = slice.find_first_not_of(' ');
  if (start == std::string::npos || slice.find(' ', start) != std::string::npos) {
    ADD_FAILURE() << "columns " << first << "-" << last << " hold no right-aligned field: [" << line
                  << "]";
    return "";
  }
  if (first > 1 && start == 0 && line[first - 2] != ' ') {
    ADD_FAILURE() << "field at " << first << " touches its neighbour: [" << line << "]";
  }
  return slice.substr(start);
}

double NumberField(const std::string& line, int first, int last) {
  return std::strtod(Field(line, first, last).c_str(), nullptr);
}

std::vector<FstLine> ParseFstOut(const std::string& text) {
  const std::vector<std::string> lines = CheckedLines(text);
  std::vector<FstLine> result;
  if (lines.size() < 2) {
    ADD_FAILURE() << "FST.OUT has no header";
    return result;
  }
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "       Run       t         Ht         Hs       F'st");
  for (size_t i = 2; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    EXPECT_EQ(l.size(), 51u) << l;
    result.push_back({IntField(l, 1, 10), IntField(l, 11, 18), NumberField(l, 19, 29),
                      NumberField(l, 30, 40), NumberField(l, 41, 51)});
  }
  return result;
}

std::vector<LocusLine> ParseLocusTstOut(const std::string& text, bool chi2_on, bool fisher_on) {
  const std::vector<std::string> lines = CheckedLines(text);
  std::vector<LocusLine> result;
  if (lines.size() < 2) {
    ADD_FAILURE() << "LOCUSTST.OUT has no header";
    return result;
  }
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "    Run  Locus      Chi2 Chi2_df   Chi2_P      Fisher_P        SE");
  for (size_t i = 2; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    LocusLine line{IntField(l, 1, 7), IntField(l, 8, 14), false, {}, {}, {}, {}, {}};
    if (l.size() == 55 && l.substr(14) == std::string(8, ' ') + "**" + std::string(6, ' ') + "**" +
                                              std::string(7, ' ') + "**" + std::string(12, ' ') +
                                              "**") {
      line.fixed = true;
      result.push_back(line);
      continue;
    }
    const size_t expected = 14 + (chi2_on ? 27 : 27) + (fisher_on ? 24 : 9);
    EXPECT_EQ(l.size(), expected) << l;
    if (chi2_on) {
      line.chi2 = NumberField(l, 15, 24);
      line.df = IntField(l, 25, 32);
      line.p = NumberField(l, 33, 41);
    } else if (l.size() >= 41) {
      EXPECT_TRUE(IsBlank(l.substr(14, 27))) << l;
    }
    if (fisher_on) {
      line.fisher_p = NumberField(l, 42, 55);
      line.se = NumberField(l, 56, 65);
    } else if (l.size() >= 50) {
      EXPECT_TRUE(IsBlank(l.substr(41, 9))) << l;
    }
    result.push_back(line);
  }
  return result;
}

std::vector<SumLine> ParseSumTestOut(const std::string& text, bool chi2_on, bool fisher_on) {
  const std::vector<std::string> lines = CheckedLines(text);
  std::vector<SumLine> result;
  if (lines.size() < 2) {
    ADD_FAILURE() << "SUMTEST.OUT has no header";
    return result;
  }
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1],
            "    Run  Loci Alleles    A/L   SumChi2  SumChi2_df   SumChi2_P  df_Fisher"
            "  Sum-2lnFisher_P TotFisher_P");
  for (size_t i = 2; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    EXPECT_EQ(l.size(), 28u + 34u + (fisher_on ? 40u : 41u)) << l;
    SumLine line{IntField(l, 1, 7),
                 IntField(l, 8, 13),
                 NumberField(l, 14, 21),
                 NumberField(l, 22, 28),
                 {},
                 {},
                 {},
                 {},
                 {},
                 {}};
    if (chi2_on) {
      line.sum_chi2 = NumberField(l, 29, 38);
      line.sum_df = IntField(l, 39, 50);
      line.p_chi2 = NumberField(l, 51, 62);
    } else {
      EXPECT_TRUE(IsBlank(l.substr(28, 34))) << l;
    }
    if (fisher_on) {
      line.df_fisher = IntField(l, 63, 73);
      line.sum_ln_fisher = NumberField(l, 74, 90);
      line.p_fisher = NumberField(l, 91, 102);
    } else if (l.size() >= 103) {
      EXPECT_TRUE(IsBlank(l.substr(62))) << l;
    }
    result.push_back(line);
  }
  return result;
}

std::map<int, SampleCounts> ParseSamplesOut(const std::string& text, int loci, int pops) {
  const std::vector<std::string> lines = CheckedLines(text);
  std::map<int, SampleCounts> runs;
  size_t i = 0;
  while (i < lines.size() && lines[i].rfind("Run = ", 0) != 0) ++i;
  while (i < lines.size()) {
    const std::string& run_line = lines[i++];
    const int run = std::atoi(run_line.substr(6, 5).c_str());
    SampleCounts counts(loci + 1, std::vector<std::vector<int>>(pops + 1));
    for (int l = 1; l <= loci && i < lines.size(); ++l) {
      EXPECT_EQ(lines[i].rfind("Locus ", 0), 0u) << lines[i];
      ++i;
      for (int p = 1; p <= pops && i < lines.size(); ++p, ++i) {
        const std::string& row = lines[i];
        EXPECT_EQ(row.rfind("Pop ", 0), 0u) << row;
        EXPECT_EQ((row.size() - 8) % 7, 0u) << row;
        for (size_t c = 8; c + 7 <= row.size(); c += 7) {
          counts[l][p].push_back(IntField(row, static_cast<int>(c) + 1, static_cast<int>(c) + 7));
        }
      }
      EXPECT_TRUE(i < lines.size() && lines[i].empty());
      ++i;
    }
    EXPECT_TRUE(runs.emplace(run, counts).second) << "run " << run << " appears twice";
  }
  return runs;
}

MainReport ParseGorvanOut(const std::string& text, bool chi2_on, bool fisher_on) {
  MainReport report;
  report.lines = SplitCrLf(text);
  const std::vector<std::string>& lines = report.lines;
  size_t i = 0;
  while (i < lines.size() && lines[i].rfind(" Loci", 0) != 0) ++i;
  if (i == lines.size()) {
    ADD_FAILURE() << "no power table";
    return report;
  }
  EXPECT_EQ(lines[i], " Loci Alleles  Runs #Chi2    Chi2 #Fisher  Fisher");
  for (++i; i < lines.size() && !lines[i].empty(); ++i) {
    const std::string& l = lines[i];
    EXPECT_EQ(l.size(), 49u) << l;
    PowerRow row{LabelField(l, 1, 5), LabelField(l, 6, 13), IntField(l, 14, 19), {}, {}, {}, {}};
    if (chi2_on) {
      row.chi2_count = IntField(l, 20, 25);
      row.chi2_share = NumberField(l, 26, 33);
    } else {
      EXPECT_TRUE(IsBlank(l.substr(19, 14))) << l;
    }
    if (fisher_on) {
      row.fisher_count = IntField(l, 34, 41);
      row.fisher_share = NumberField(l, 42, 49);
    } else {
      EXPECT_TRUE(IsBlank(l.substr(33, 16))) << l;
    }
    report.rows.push_back(row);
  }
  for (const std::string& l : lines) {
    if (l.rfind("Average F'st over all the ", 0) == 0) {
      report.average_fst = std::strtod(l.substr(l.size() - 10).c_str(), nullptr);
    } else if (l.rfind("Expected Fst = ", 0) == 0) {
      report.expected_fst = NumberField(l, 16, 25);
    } else if (l.rfind("F'st calculated from average Hs and Ht = ", 0) == 0) {
      report.fst_from_averages = NumberField(l, 42, 51);
    }
  }
  return report;
}

}  // namespace gorvan::e2e
