#include "model/fst.h"

#include <cmath>
#include <initializer_list>
#include <memory>
#include <sstream>

#include <gtest/gtest.h>

#include "testing/state_fixture.h"
#include "textio/number_format.h"

namespace gorvan {
namespace {

class FstTest : public StateFixture {
 protected:
  // Sets one population's frequencies at one locus (and the locus's allele
  // count to their number).
  void SetLocus(int pop, int locus, std::initializer_list<double> frequencies) {
    int a = 0;
    for (double f : frequencies) s_->ALL_POPS_AFREQ[pop][locus][++a] = f;
    s_->ALLELES_PER_LOCUS[locus] = static_cast<int16_t>(a);
  }
};

TEST_F(FstTest, TwoIdenticalPopulationsGiveExactlyZero) {
  s_->NUMBPOPS = 2;
  s_->NUMBLOCI = 2;
  for (int pop : {1, 2}) {
    SetLocus(pop, 1, {0.1, 0.2, 0.7});
    SetLocus(pop, 2, {0.3, 0.3, 0.3, 0.1});
  }
  CALCULATE_FST(*s_);
  EXPECT_EQ(s_->HS, s_->HT);
  EXPECT_EQ(s_->FSTPRIME, 0.0L);
  const Extended expected_hs = 1 - (0.54L + 0.28L) / 2;
  EXPECT_NEAR(static_cast<double>(s_->HS), static_cast<double>(expected_hs), 1e-15);
}

TEST_F(FstTest, ManyIdenticalPopulationsAgreeUpToRounding) {
  s_->NUMBPOPS = 7;
  s_->NUMBLOCI = 1;
  for (int pop = 1; pop <= 7; ++pop) SetLocus(pop, 1, {0.1, 0.2, 0.7});
  CALCULATE_FST(*s_);
  EXPECT_NEAR(static_cast<double>(s_->HT - s_->HS), 0.0, 1e-17);
  EXPECT_GE(s_->FSTPRIME, 0.0L);
  EXPECT_EQ(FormatReal(s_->FSTPRIME, 0, 4), "0.0000");
}

TEST_F(FstTest, EveryLocusFixedForTheSameAllele) {
  s_->NUMBPOPS = 3;
  s_->NUMBLOCI = 2;
  for (int pop = 1; pop <= 3; ++pop) {
    SetLocus(pop, 1, {1.0});
    SetLocus(pop, 2, {0.0, 1.0, 0.0});
  }
  CALCULATE_FST(*s_);
  EXPECT_EQ(s_->HS, 0.0L);
  EXPECT_EQ(s_->HT, 0.0L);
  EXPECT_EQ(s_->FSTPRIME, 0.0L);
}

TEST_F(FstTest, TwoPopulationsFixedForDifferentAlleles) {
  s_->NUMBPOPS = 2;
  s_->NUMBLOCI = 1;
  SetLocus(1, 1, {1.0, 0.0});
  SetLocus(2, 1, {0.0, 1.0});
  CALCULATE_FST(*s_);
  EXPECT_EQ(s_->HS_PER_POP[1], 0.0L);
  EXPECT_EQ(s_->HS_PER_POP[2], 0.0L);
  EXPECT_EQ(s_->HS, 0.0L);
  EXPECT_EQ(s_->HT, 0.5L);
  EXPECT_EQ(s_->FSTPRIME, 1.0L);
}

TEST_F(FstTest, OppositeFrequenciesInTwoPopulations) {
  s_->NUMBPOPS = 2;
  s_->NUMBLOCI = 1;
  SetLocus(1, 1, {0.6, 0.4});
  SetLocus(2, 1, {0.4, 0.6});
  CALCULATE_FST(*s_);
  EXPECT_NEAR(static_cast<double>(s_->HS), 0.48, 1e-15);
  EXPECT_NEAR(static_cast<double>(s_->HT), 0.5, 1e-15);
  EXPECT_NEAR(static_cast<double>(s_->FSTPRIME), 0.04 / 0.52, 1e-14);
}

TEST_F(FstTest, FixedLocusStillCountsAmongTheLoci) {
  // The same differentiated locus as above, with a second locus fixed in
  // both: it adds no diversity, so both averages halve; the ratio stays.
  s_->NUMBPOPS = 2;
  s_->NUMBLOCI = 2;
  SetLocus(1, 1, {0.6, 0.4});
  SetLocus(2, 1, {0.4, 0.6});
  SetLocus(1, 2, {1.0});
  SetLocus(2, 2, {1.0});
  CALCULATE_FST(*s_);
  EXPECT_NEAR(static_cast<double>(s_->HS), 0.24, 1e-15);
  EXPECT_NEAR(static_cast<double>(s_->HT), 0.25, 1e-15);
  EXPECT_NEAR(static_cast<double>(s_->FSTPRIME), 0.04 / 0.52, 1e-14);
}

TEST_F(FstTest, OnePopulationHasNoDifferentiation) {
  s_->NUMBPOPS = 1;
  s_->NUMBLOCI = 1;
  SetLocus(1, 1, {0.3, 0.7});
  CALCULATE_FST(*s_);
  EXPECT_NEAR(static_cast<double>(s_->HS), 0.42, 1e-15);
  EXPECT_EQ(s_->HT, s_->HS);
  EXPECT_EQ(s_->FSTPRIME, 0.0L);
}

TEST_F(FstTest, NoPopulationsOrNoLociGiveZerosNotNaN) {
  for (int16_t pops : {0, -2, 2}) {
    for (int16_t loci : {0, -1}) {
      s_->NUMBPOPS = pops;
      s_->NUMBLOCI = loci;
      s_->HS = s_->HT = s_->FSTPRIME = 9;
      s_->HS_PER_POP[1] = 9;
      CALCULATE_FST(*s_);
      EXPECT_EQ(s_->HS, 0.0L);
      EXPECT_EQ(s_->HT, 0.0L);
      EXPECT_EQ(s_->FSTPRIME, 0.0L);
    }
  }
  EXPECT_EQ(s_->HS_PER_POP[1], 0.0L);  // the last round had two populations
}

}  // namespace
}  // namespace gorvan
