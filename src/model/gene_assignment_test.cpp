#include "model/gene_assignment.h"

#include <cmath>
#include <initializer_list>

#include <gtest/gtest.h>

#include "base/internal_check.h"

namespace gorvan {
namespace {

struct Locus {
  Locus(std::initializer_list<double> values) {
    for (double v : values) frequency[++count] = v;
  }
  double frequency[kMaxAlleles + 1] = {};
  int count = 0;
};

int Assign(const Locus& locus, Extended draw) {
  return AssignGene(locus.frequency, locus.count, draw);
}

const Extended kStep = std::ldexp(1.0L, -32);  // the spacing of the draws

TEST(AssignGeneTest, SingleAlleleTakesEveryDraw) {
  const Locus locus{1.0};
  for (Extended draw : {0.0L, 0.5L, 1.0L - kStep}) EXPECT_EQ(Assign(locus, draw), 1);
}

TEST(AssignGeneTest, DrawOnACumulativeBoundaryGoesToTheLowerAllele) {
  const Locus halves{0.5, 0.5};
  EXPECT_EQ(Assign(halves, 0.5L), 1);
  EXPECT_EQ(Assign(halves, 0.5L - kStep), 1);
  EXPECT_EQ(Assign(halves, 0.5L + kStep), 2);
  const Locus quarters{0.25, 0.25, 0.5};
  EXPECT_EQ(Assign(quarters, 0.25L), 1);
  EXPECT_EQ(Assign(quarters, 0.5L), 2);
  EXPECT_EQ(Assign(quarters, 0.5L + kStep), 3);
}

TEST(AssignGeneTest, DrawOfZeroGoesToTheFirstAlleleEvenWhenItIsAbsent) {
  EXPECT_EQ(Assign(Locus{0.0, 1.0}, 0.0L), 1);
  EXPECT_EQ(Assign(Locus{0.0, 1.0}, kStep), 2);
  EXPECT_EQ(Assign(Locus{0.0, 0.0, 1.0}, 0.0L), 1);
}

TEST(AssignGeneTest, AbsentAlleleInTheMiddleReceivesNothing) {
  const Locus locus{0.5, 0.0, 0.5};
  EXPECT_EQ(Assign(locus, 0.5L), 1);
  EXPECT_EQ(Assign(locus, 0.5L + kStep), 3);
}

TEST(AssignGeneTest, CumulativeSumIsKeptInExtendedPrecision) {
  // 0.1 + 0.2 is 0.30000000000000004 when rounded to a double, but a little
  // below that in extended precision, so a draw equal to the double sum
  // already lies beyond the second allele.
  const Locus locus{0.1, 0.2, 0.7};
  const double double_sum = 0.1 + 0.2;
  EXPECT_EQ(Assign(locus, static_cast<Extended>(double_sum)), 3);
  EXPECT_EQ(Assign(locus, static_cast<Extended>(0.1) + static_cast<Extended>(0.2)), 2);
}

TEST(AssignGeneTest, DrawBeyondTheLastSumGoesToTheLastPresentAllele) {
  // Frequencies summing to 1 - 0.000001, which the parameter check admits.
  const Locus short_of_one{0.4999995, 0.4999995};
  EXPECT_EQ(Assign(short_of_one, 1.0L - kStep), 2);
  const Locus last_absent{0.3, 0.699999, 0.0};
  EXPECT_EQ(Assign(last_absent, 1.0L - kStep), 2);
  const Locus nothing_present{0.0, 0.0, 0.0};
  EXPECT_EQ(Assign(nothing_present, 0.5L), 3);
}

TEST(AssignGeneTest, LocusWithoutAllelesPlacesNothing) {
  const Locus empty{};
  EXPECT_EQ(Assign(empty, 0.0L), 0);
  EXPECT_EQ(Assign(empty, 0.5L), 0);
}

TEST(AssignGeneTest, AlleleCountBeyondTheCapacityIsAnInternalFault) {
  // The capacity check after reading lets no such count through; were one to
  // come, the job must stop rather than read beyond the array.
  double frequency[kMaxAlleles + 1] = {};
  EXPECT_THROW(AssignGene(frequency, kMaxAlleles + 1, 0.5L), InternalError);
  EXPECT_THROW(AssignGene(frequency, -4, 0.5L), InternalError);
  EXPECT_EQ(AssignGene(frequency, kMaxAlleles, 0.5L), kMaxAlleles);
}

}  // namespace
}  // namespace gorvan
