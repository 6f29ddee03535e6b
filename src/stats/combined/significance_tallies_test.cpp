#include "stats/combined/significance_tallies.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <sstream>

#include <gtest/gtest.h>

#include "base/runtime_error.h"
#include "testing/state_fixture.h"

namespace gorvan {
namespace {

struct Counts {
  int32_t runs, chi2, fisher;
  bool operator==(const Counts&) const = default;
};

class SignificanceTalliesTest : public StateFixture {
 protected:
  void SetUp() override {
    s_->NUMBLOCI = 3;
    s_->STARTNUMBALLELES = 7;
  }

  // A run with `tested_loci` non-fixed loci and `alleles` alleles found.
  void Tally(int tested_loci, double alleles, Extended xchi2, Extended xgexact) {
    s_->NUMB_NONFIXED_LOCI = static_cast<int16_t>(tested_loci);
    s_->NUMB_ALLELES = alleles;
    TallySignificance(*s_, xchi2, xgexact);
  }

  Counts Class1() const { return {s_->NUMBR1, s_->R1CHI2, s_->R1GEXACT}; }
  Counts Class2() const { return {s_->NUMBR2, s_->R2CHI2, s_->R2GEXACT}; }
  Counts Class3() const { return {s_->NUMBR3, s_->R3CHI2, s_->R3GEXACT}; }
  Counts AllRuns() const { return {s_->NUMBTOT, s_->TOTCHI2, s_->TOTGEXACT}; }
};

TEST_F(SignificanceTalliesTest, PExactlyAtTheLevelIsNotSignificant) {
  Tally(3, 7, 0.05L, std::nextafter(0.05L, Extended{0}));
  EXPECT_EQ(AllRuns(), (Counts{1, 0, 1}));
}

TEST_F(SignificanceTalliesTest, EveryLocusTestedAndNoAlleleLostIsClassOne) {
  Tally(3, 7, 0.01L, 0.2L);
  EXPECT_EQ(Class1(), (Counts{1, 1, 0}));
  EXPECT_EQ(Class2(), (Counts{1, 1, 0}));
  EXPECT_EQ(Class3(), (Counts{0, 0, 0}));
  EXPECT_EQ(AllRuns(), (Counts{1, 1, 0}));
}

TEST_F(SignificanceTalliesTest, AMissingAlleleLeavesTheRunInClassTwoOnly) {
  Tally(3, 6, 0.2L, 0.01L);
  EXPECT_EQ(Class1(), (Counts{0, 0, 0}));
  EXPECT_EQ(Class2(), (Counts{1, 0, 1}));
  EXPECT_EQ(Class3(), (Counts{0, 0, 0}));
  EXPECT_EQ(AllRuns(), (Counts{1, 0, 1}));
}

TEST_F(SignificanceTalliesTest, AFixedLocusPutsTheRunInClassThree) {
  // Even with as many alleles as the base population, counted over fewer loci.
  Tally(2, 7, 0.01L, 0.01L);
  EXPECT_EQ(Class1(), (Counts{0, 0, 0}));
  EXPECT_EQ(Class2(), (Counts{0, 0, 0}));
  EXPECT_EQ(Class3(), (Counts{1, 1, 1}));
  EXPECT_EQ(AllRuns(), (Counts{1, 1, 1}));
}

TEST_F(SignificanceTalliesTest, TalliesAccumulateOverRuns) {
  Tally(3, 7, 0.01L, 0.01L);
  Tally(3, 6, 0.5L, 0.01L);
  Tally(1, 2, 0.01L, 0.5L);
  EXPECT_EQ(Class1(), (Counts{1, 1, 1}));
  EXPECT_EQ(Class2(), (Counts{2, 1, 2}));
  EXPECT_EQ(Class3(), (Counts{1, 1, 0}));
  EXPECT_EQ(AllRuns(), (Counts{3, 2, 2}));
}

TEST_F(SignificanceTalliesTest, CounterOverflowStopsTheProgram) {
  s_->NUMBTOT = std::numeric_limits<int32_t>::max();
  try {
    Tally(3, 7, 0.5L, 0.5L);
    FAIL() << "the counter overflowed unnoticed";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), 215);
  }
}

}  // namespace
}  // namespace gorvan
