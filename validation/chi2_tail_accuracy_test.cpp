// The program's chi-square P values against the quadruple-precision
// reference. Up to 100 degrees of freedom the incomplete gamma function is
// evaluated to its convergence tolerance, about a millionth relative. Above
// 100 the Wilson-Hilferty normal approximation stands in; its error is a
// property of the approximation, measured here and printed in a table, and
// held to the bounds that the table shows so that any change is noticed.
#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "chi2_tail_reference.h"
#include "markdown_table.h"
#include "stats/chisquare/tail/gammq.h"

namespace gorvan::validation {
namespace {

#if defined(GORVAN_HAVE_QUADMATH)

// The program's P; none of its pauses may happen for these arguments.
class ProgramTail : private Pause {
 public:
  double operator()(int df, double chi) {
    const Extended p = GAMMQ(Extended(df) / 2, Extended(chi) / 2, *this);
    return static_cast<double>(p);
  }

 private:
  void PauseWith(std::string_view message) override { ADD_FAILURE() << message; }
};

struct Worst {
  double relative = 0;
  int df = 0;
  double chi = 0, reference = 0;
};

// Chi-square values spanning the tail from nearly 1 down to 1e-10, plus
// fixed multiples of the degrees of freedom; the routine returns 0 above a
// chi-square of 200 by design, so the points stop there.
std::vector<double> ChiSquarePoints(int df) {
  std::vector<double> points;
  for (double tail : {0.999999, 0.99, 0.9, 0.5, 0.1, 0.05, 0.01, 1e-3, 1e-4, 1e-6, 1e-8, 1e-10}) {
    points.push_back(static_cast<double>(ChiSquareQuantile(df, static_cast<Quad>(tail))));
  }
  for (double multiple : {0.01, 0.3, 1.0, 1.7, 2.5}) points.push_back(multiple * df);
  points.push_back(df / 2.0 + 1.0);  // the switch from the series to the fraction
  points.erase(std::remove_if(points.begin(), points.end(), [](double c) { return c > 200; }),
               points.end());
  return points;
}

TEST(ChiSquareTailAccuracy, IncompleteGammaIsGoodToAboutAMillionthUpTo100Df) {
  ProgramTail program;
  MarkdownTable table("Chi-square P up to 100 df: largest relative error against the exact tail",
                      {"df", "Points", "Largest relative error", "At chi-square", "Exact P there"});
  const std::vector<std::pair<int, int>> bands = {{1, 10}, {11, 30}, {31, 60}, {61, 100}};
  for (const auto& [first, last] : bands) {
    Worst worst;
    int points = 0;
    for (int df = first; df <= last; ++df) {
      for (double chi : ChiSquarePoints(df)) {
        const double reference = static_cast<double>(ChiSquareUpperTail(df, chi));
        const double relative = std::fabs(program(df, chi) - reference) / reference;
        ++points;
        if (relative > worst.relative) worst = {relative, df, chi, reference};
      }
    }
    EXPECT_LT(worst.relative, 1e-6) << "df " << worst.df << " chi-square " << worst.chi;
    table.AddRow({std::to_string(first) + "-" + std::to_string(last), std::to_string(points),
                  Scientific(worst.relative, 2),
                  Fixed(worst.chi, 4) + " (df " + std::to_string(worst.df) + ")",
                  Scientific(worst.reference, 3)});
  }
  table.Print();
}

TEST(ChiSquareTailAccuracy, CutAt200CostsAtMostTheTailBeyondIt) {
  // Up to 100 df a chi-square above 200 gives 0; the largest P so lost is
  // the tail beyond 200 at 100 df.
  ProgramTail program;
  const double lost = static_cast<double>(ChiSquareUpperTail(100, 200.0));
  EXPECT_LT(lost, 2e-8);
  EXPECT_EQ(program(100, 200.001), 0.0);
  EXPECT_NEAR(program(100, 200.0) / lost, 1.0, 2e-6);
}

TEST(ChiSquareTailAccuracy, WilsonHilfertyErrorAbove100DfIsMeasured) {
  ProgramTail program;
  const std::vector<double> tails = {0.5, 0.1, 0.05, 0.01, 1e-3, 1e-4, 1e-6};
  std::vector<std::string> columns = {"df"};
  for (double tail : tails) columns.push_back("P = " + Scientific(tail, 1));
  MarkdownTable table(
      "Chi-square P above 100 df (normal approximation): program's P minus exact P, at the "
      "chi-square whose exact P heads the column",
      columns);
  double worst_absolute = 0, worst_relative_at_5_percent = 0;
  for (int df : {100, 101, 150, 200, 300, 500, 1000, 2000, 5000}) {
    std::vector<std::string> row = {std::to_string(df) + (df == 100 ? " (series)" : "")};
    for (double tail : tails) {
      const double chi = static_cast<double>(ChiSquareQuantile(df, static_cast<Quad>(tail)));
      const double reference = static_cast<double>(ChiSquareUpperTail(df, chi));
      const double error = program(df, chi) - reference;
      row.push_back(Scientific(error, 2));
      if (df > 100) {
        worst_absolute = std::max(worst_absolute, std::fabs(error));
        if (tail == 0.05) {
          worst_relative_at_5_percent =
              std::max(worst_relative_at_5_percent, std::fabs(error) / reference);
        }
      }
    }
    table.AddRow(row);
  }
  table.Print();
  std::cout << "Largest absolute error above 100 df: " << worst_absolute
            << "; largest relative error at P = 0.05: " << worst_relative_at_5_percent << "\n";
  EXPECT_LT(worst_absolute, 1e-4);
  EXPECT_LT(worst_relative_at_5_percent, 1e-3);
}

#else

TEST(ChiSquareTailAccuracy, NeedsQuadruplePrecision) {
  GTEST_SKIP() << "libquadmath is not available to this compiler";
}

#endif

}  // namespace
}  // namespace gorvan::validation
