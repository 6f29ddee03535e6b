#include "model/drift.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "model/random_source.h"
#include "testing/planted_output.h"
#include "testing/state_fixture.h"

namespace gorvan {
namespace {

class DriftTest : public StateFixture {
 protected:
  std::unique_ptr<State> NewState() { return std::make_unique<State>(console_); }

  // `pops` populations, every locus with the given base frequencies, and
  // `diploids` to draw from every population.
  static void SetUpModel(State& s, int pops, int loci, std::initializer_list<double> base,
                         int diploids) {
    UseSmallDesign(s, pops, std::vector<std::vector<double>>(static_cast<size_t>(loci), base),
                   diploids);
  }

  static int LocusTotal(const State& s, int pop, int locus) {
    int total = 0;
    for (int a = 1; a <= kMaxAlleles; ++a) total += s.ALL_POPS_ACOUNT[pop][locus][a];
    return total;
  }

  // True when the stream's next output is output number `used` (counted from
  // 0) of the reference generator for `seed`: `used` outputs were spent.
  static bool StreamHasSpent(State& s, uint32_t seed, unsigned long long used) {
    std::mt19937 reference(seed);
    reference.discard(used);
    return GENRAND_MT19937(s) == reference();
  }

  std::unique_ptr<State> s_ = NewState();
};

TEST_F(DriftTest, CopyFillsOnlyThePopulationsLociAndAllelesInUse) {
  SetUpModel(*s_, 2, 1, {0.25, 0.75}, 1);
  s_->ALL_POPS_AFREQ[3][1][1] = -1;  // a population not in use
  s_->ALL_POPS_AFREQ[1][2][1] = -1;  // a locus not in use
  s_->ALL_POPS_AFREQ[1][1][3] = -1;  // an allele not in use
  s_->ALL_POPS_ACOUNT[1][1][1] = 9;
  COPY_BASEPOP_TO_ALL_POPS_AFREQ(*s_);
  for (int p : {1, 2}) {
    EXPECT_EQ(s_->ALL_POPS_AFREQ[p][1][1], 0.25);
    EXPECT_EQ(s_->ALL_POPS_AFREQ[p][1][2], 0.75);
  }
  EXPECT_EQ(s_->ALL_POPS_AFREQ[3][1][1], -1);
  EXPECT_EQ(s_->ALL_POPS_AFREQ[1][2][1], -1);
  EXPECT_EQ(s_->ALL_POPS_AFREQ[1][1][3], -1);
  EXPECT_EQ(s_->ALL_POPS_ACOUNT[1][1][1], 9);
}

TEST_F(DriftTest, SingleAlleleLocusKeepsEveryGene) {
  SetUpModel(*s_, 3, 2, {1.0}, 50);
  s_->STOP_T = 4;
  RANDOMIZE(*s_, 11);
  DRIFT_APART(*s_);
  for (int p = 1; p <= 3; ++p) {
    for (int l = 1; l <= 2; ++l) {
      EXPECT_EQ(s_->ALL_POPS_ACOUNT[p][l][1], 100);
      EXPECT_EQ(s_->ALL_POPS_AFREQ[p][l][1], 1.0);
    }
  }
  EXPECT_EQ(s_->HT, 0.0L);
  EXPECT_EQ(s_->FSTPRIME, 0.0L);
}

TEST_F(DriftTest, GenesFollowTheStreamInPopulationLocusGeneOrder) {
  // With halves, a gene is allele 1 exactly when its output u is at most
  // 2^31; replaying the reference generator in the stated order must give
  // the same counts in every population and locus.
  SetUpModel(*s_, 3, 4, {0.5, 0.5}, 7);
  s_->NUMB_DIPLOIDS_TO_SAMPLE[2] = 2;
  COPY_BASEPOP_TO_ALL_POPS_AFREQ(*s_);
  RANDOMIZE(*s_, 8);
  SAMPLE_ALLELES(*s_);
  EXPECT_TRUE(StreamHasSpent(*s_, 8, 4 * (14 + 4 + 14)));  // one draw per gene
  std::mt19937 reference(8);
  for (int p = 1; p <= 3; ++p) {
    for (int l = 1; l <= 4; ++l) {
      int first = 0;
      const int genes = 2 * s_->NUMB_DIPLOIDS_TO_SAMPLE[p];
      for (int g = 0; g < genes; ++g) first += reference() <= 0x80000000U ? 1 : 0;
      EXPECT_EQ(s_->ALL_POPS_ACOUNT[p][l][1], first) << "population " << p << ", locus " << l;
      EXPECT_EQ(s_->ALL_POPS_ACOUNT[p][l][2], genes - first);
    }
  }
}

TEST_F(DriftTest, PlantedDrawsOnTheBoundaries) {
  // Outputs 2^31, 2^31 + 1, 0 and 2^32 - 1 are the draws 0.5, just above
  // 0.5, 0 and the largest draw.
  const uint32_t outputs[] = {0x80000000U, 0x80000001U, 0U, 0xffffffffU};
  SetUpModel(*s_, 1, 1, {0.5, 0.5}, 2);
  COPY_BASEPOP_TO_ALL_POPS_AFREQ(*s_);
  PlantOutputs(*s_, outputs);
  SAMPLE_ALLELES(*s_);
  EXPECT_EQ(s_->ALL_POPS_ACOUNT[1][1][1], 2);
  EXPECT_EQ(s_->ALL_POPS_ACOUNT[1][1][2], 2);
  // A first allele of frequency 0 still takes the draw of 0.
  SetUpModel(*s_, 1, 1, {0.0, 1.0}, 2);
  COPY_BASEPOP_TO_ALL_POPS_AFREQ(*s_);
  PlantOutputs(*s_, outputs);
  SAMPLE_ALLELES(*s_);
  EXPECT_EQ(s_->ALL_POPS_ACOUNT[1][1][1], 1);
  EXPECT_EQ(s_->ALL_POPS_ACOUNT[1][1][2], 3);
}

TEST_F(DriftTest, FrequenciesShortOfOneStillPlaceEveryGene) {
  SetUpModel(*s_, 1, 1, {0.4999995, 0.4999995, 0.0}, 2);
  COPY_BASEPOP_TO_ALL_POPS_AFREQ(*s_);
  const uint32_t outputs[] = {0xffffffffU, 0xfffffff0U, 0U, 0x40000000U};
  PlantOutputs(*s_, outputs);
  SAMPLE_ALLELES(*s_);
  EXPECT_EQ(s_->ALL_POPS_ACOUNT[1][1][1], 2);
  EXPECT_EQ(s_->ALL_POPS_ACOUNT[1][1][2], 2);
  EXPECT_EQ(s_->ALL_POPS_ACOUNT[1][1][3], 0);
  EXPECT_EQ(LocusTotal(*s_, 1, 1), 4);
}

TEST_F(DriftTest, CountsAddUpAndEverythingElseIsCleared) {
  SetUpModel(*s_, 5, 6, {0.1, 0.2, 0.3, 0.4}, 30);
  s_->NUMB_DIPLOIDS_TO_SAMPLE[3] = 1;
  s_->NUMB_DIPLOIDS_TO_SAMPLE[5] = 16383;
  COPY_BASEPOP_TO_ALL_POPS_AFREQ(*s_);
  // Left-overs of an earlier, larger pass everywhere in the array.
  std::fill(&s_->ALL_POPS_ACOUNT[0][0][0],
            &s_->ALL_POPS_ACOUNT[0][0][0] + sizeof s_->ALL_POPS_ACOUNT / sizeof(int16_t),
            int16_t{7});
  RANDOMIZE(*s_, 5);
  SAMPLE_ALLELES(*s_);
  for (int p = 0; p <= kMaxPops; ++p) {
    for (int l = 0; l <= kMaxLoci; ++l) {
      const bool in_use = p >= 1 && p <= 5 && l >= 1 && l <= 6;
      for (int a = 0; a <= kMaxAlleles; ++a) {
        if (in_use && a >= 1 && a <= 4) continue;
        ASSERT_EQ(s_->ALL_POPS_ACOUNT[p][l][a], 0) << p << " " << l << " " << a;
      }
      if (in_use) {
        EXPECT_EQ(LocusTotal(*s_, p, l), 2 * s_->NUMB_DIPLOIDS_TO_SAMPLE[p]);
      }
    }
  }
}

TEST_F(DriftTest, NewFrequenciesAreTheCountsOverTheirTotal) {
  SetUpModel(*s_, 2, 1, {0.5, 0.25, 0.25}, 3);
  s_->ALL_POPS_ACOUNT[1][1][1] = 3;
  s_->ALL_POPS_ACOUNT[1][1][2] = 1;
  s_->ALL_POPS_ACOUNT[1][1][3] = 0;
  s_->ALL_POPS_ACOUNT[2][1][1] = 1;
  s_->ALL_POPS_ACOUNT[2][1][2] = 1;
  s_->ALL_POPS_ACOUNT[2][1][3] = 1;
  CALCULATE_AFREQS(*s_);
  EXPECT_EQ(s_->ALL_POPS_AFREQ[1][1][1], 0.75);
  EXPECT_EQ(s_->ALL_POPS_AFREQ[1][1][2], 0.25);
  EXPECT_EQ(s_->ALL_POPS_AFREQ[1][1][3], 0.0);
  EXPECT_EQ(s_->ALL_POPS_AFREQ[2][1][1], static_cast<double>(1.0L / 3.0L));
}

TEST_F(DriftTest, LocusWithNothingCountedKeepsItsFrequencies) {
  SetUpModel(*s_, 1, 1, {0.5, 0.5}, 0);
  COPY_BASEPOP_TO_ALL_POPS_AFREQ(*s_);
  SAMPLE_ALLELES(*s_);  // no genes for a size of 0
  CALCULATE_AFREQS(*s_);
  EXPECT_EQ(s_->ALL_POPS_AFREQ[1][1][1], 0.5);
  EXPECT_EQ(s_->ALL_POPS_AFREQ[1][1][2], 0.5);
}

TEST_F(DriftTest, WithoutGenerationsTheSamplesComeFromTheBase) {
  SetUpModel(*s_, 2, 2, {0.3, 0.7}, 20);
  s_->STOP_T = 0;
  RANDOMIZE(*s_, 1234);
  DRIFT_APART(*s_);
  EXPECT_EQ(s_->T, 0);
  EXPECT_EQ(s_->ALL_POPS_AFREQ[2][2][1], 0.3);
  EXPECT_EQ(s_->HS, s_->HT);
  EXPECT_EQ(s_->FSTPRIME, 0.0L);
  EXPECT_TRUE(StreamHasSpent(*s_, 1234, 0));  // no draw was made

  s_->STOP_T = -3;
  s_->T = 5;  // an earlier value is kept
  DRIFT_APART(*s_);
  EXPECT_EQ(s_->T, 5);
}

TEST_F(DriftTest, EachGenerationIsExactlyOnePass) {
  SetUpModel(*s_, 3, 2, {0.3, 0.7}, 20);
  s_->STOP_T = 1;
  RANDOMIZE(*s_, 4321);
  DRIFT_APART(*s_);
  EXPECT_EQ(s_->T, 1);
  for (int p = 1; p <= 3; ++p) {
    EXPECT_EQ(s_->ALL_POPS_AFREQ[p][1][1], s_->ALL_POPS_ACOUNT[p][1][1] / 40.0);
  }
  EXPECT_TRUE(StreamHasSpent(*s_, 4321, 3 * 2 * 40));

  s_->STOP_T = 6;
  RANDOMIZE(*s_, 777);
  DRIFT_APART(*s_);
  EXPECT_EQ(s_->T, 6);
  EXPECT_TRUE(StreamHasSpent(*s_, 777, 6 * 3 * 2 * 40));
}

TEST_F(DriftTest, SameSeedGivesTheSameCounts) {
  auto other = NewState();
  for (State* s : {s_.get(), other.get()}) {
    SetUpModel(*s, 4, 5, {0.1, 0.2, 0.3, 0.4}, 25);
    s->STOP_T = 5;
    RANDOMIZE(*s, -271828);
    DRIFT_APART(*s);
    SAMPLE_ALLELES(*s);
  }
  EXPECT_EQ(std::memcmp(s_->ALL_POPS_ACOUNT, other->ALL_POPS_ACOUNT, sizeof s_->ALL_POPS_ACOUNT),
            0);
  EXPECT_EQ(std::memcmp(s_->ALL_POPS_AFREQ, other->ALL_POPS_AFREQ, sizeof s_->ALL_POPS_AFREQ), 0);
  EXPECT_EQ(s_->FSTPRIME, other->FSTPRIME);
}

}  // namespace
}  // namespace gorvan
