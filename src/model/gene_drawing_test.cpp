// The fast drawing against the straightforward one, on whole sampling
// passes: the same counts in every cell of ALL_POPS_ACOUNT and the generator
// left in the same state, so that every later draw agrees too.
#include "model/gene_drawing.h"

#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/drift.h"
#include "model/gene_drawing_fast.h"
#include "model/random_source.h"
#include "testing/state_fixture.h"

namespace gorvan {
namespace {

using Frequencies = double[kMaxAlleles + 1];

std::vector<VectorCode> CodesOfThisProcessor() {
  std::vector<VectorCode> codes = {VectorCode::kPortable};
  if (FastestVectorCode() == VectorCode::kAvx2) codes.push_back(VectorCode::kAvx2);
  return codes;
}

std::string Name(VectorCode code) { return code == VectorCode::kAvx2 ? "avx2" : "portable"; }

// One model drawn both ways: `straightforward` and `fast` are set up alike
// by `set_up`, then each runs the same passes.
class GeneDrawingTest : public StateFixture {
 protected:
  using SetUp = std::function<void(State&)>;

  std::unique_ptr<State> NewState(const SetUp& set_up) {
    auto s = std::make_unique<State>(console_);
    set_up(*s);
    return s;
  }

  static void SampleFast(State& s, VectorCode code) {
    SampleAllelesWith(s, [code](State& state, int pop, int locus, int32_t genes) {
      DrawGenesFast(state, pop, locus, genes, code);
    });
  }

  // Runs `passes` sampling passes both ways, with `between` (other users of
  // the stream) after each, and expects the same counts and generator state
  // after every step, and the same outputs afterwards.
  void ExpectSameDrawing(const SetUp& set_up, VectorCode code, int passes = 1,
                         const std::function<void(State&, int pass)>& between = nullptr) {
    auto straightforward = NewState(set_up);
    auto fast = NewState(set_up);
    for (int pass = 0; pass < passes; ++pass) {
      SampleAllelesWith(*straightforward, DrawGenesStraightforward);
      SampleFast(*fast, code);
      ASSERT_NO_FATAL_FAILURE(ExpectSameCountsAndStream(*straightforward, *fast))
          << Name(code) << ", pass " << pass;
      if (between) {
        between(*straightforward, pass);
        between(*fast, pass);
        ASSERT_NO_FATAL_FAILURE(ExpectSameCountsAndStream(*straightforward, *fast));
      }
    }
    for (int draw = 0; draw < 700; ++draw) {
      ASSERT_EQ(GENRAND_MT19937(*straightforward), GENRAND_MT19937(*fast)) << "draw " << draw;
    }
  }

  static void ExpectSameCountsAndStream(const State& a, const State& b) {
    for (int p = 0; p <= kMaxPops; ++p) {
      for (int l = 0; l <= kMaxLoci; ++l) {
        for (int k = 0; k <= kMaxAlleles; ++k) {
          ASSERT_EQ(a.ALL_POPS_ACOUNT[p][l][k], b.ALL_POPS_ACOUNT[p][l][k])
              << "population " << p << ", locus " << l << ", allele " << k;
        }
      }
    }
    ASSERT_EQ(a.MT.index, b.MT.index);
    ASSERT_EQ(std::memcmp(a.MT.words, b.MT.words, sizeof a.MT.words), 0);
    ASSERT_EQ(a.RANDSEED, b.RANDSEED);
    ASSERT_EQ(a.OLDRANDSEED, b.OLDRANDSEED);
  }
};

// Random frequencies with some zeros, summing to about `total`.
void RandomFrequencies(std::mt19937& pick, int alleles, double total, Frequencies& f) {
  std::uniform_real_distribution<double> weight(0, 1);
  double sum = 0;
  for (int k = 1; k <= alleles; ++k) {
    f[k] = weight(pick) < 0.2 ? 0 : weight(pick) * weight(pick);
    sum += f[k];
  }
  for (int k = 1; k <= alleles; ++k) f[k] = sum > 0 ? f[k] / sum * total : 0;
}

// Many random models: populations, loci, alleles (1 to 50), sample sizes,
// seeds, frequencies summing to 1, to just under 1 and to well under 1, with
// zeros first and last; the stream starts anywhere in its block.
TEST_F(GeneDrawingTest, RandomModelsGiveTheSameCounts) {
  std::mt19937 pick(4711);
  for (int trial = 0; trial < 60; ++trial) {
    const uint32_t seed = pick();
    const int pops = static_cast<int>(pick() % 4) + 1;
    const int loci = static_cast<int>(pick() % 4) + 1;
    const int spent_before = static_cast<int>(pick() % 1300);
    std::vector<int> diploids(pops + 1);
    for (int p = 1; p <= pops; ++p) diploids[p] = static_cast<int>(pick() % 900) + 1;
    Frequencies f[kMaxLoci + 1] = {};
    int alleles[kMaxLoci + 1] = {};
    for (int l = 1; l <= loci; ++l) {
      alleles[l] = trial % 5 == 0 ? kMaxAlleles : static_cast<int>(pick() % kMaxAlleles) + 1;
      const double totals[] = {1.0, 1 - 1e-7, 1 - 1e-6, 0.9};
      RandomFrequencies(pick, alleles[l], totals[pick() % 4], f[l]);
      if (pick() % 4 == 0) f[l][1] = 0;
      if (pick() % 4 == 0) f[l][alleles[l]] = 0;
    }
    const SetUp set_up = [&](State& s) {
      s.NUMBPOPS = static_cast<int16_t>(pops);
      s.NUMBLOCI = static_cast<int16_t>(loci);
      for (int p = 1; p <= pops; ++p) {
        s.NUMB_DIPLOIDS_TO_SAMPLE[p] = static_cast<int16_t>(diploids[p]);
        for (int l = 1; l <= loci; ++l) {
          s.ALLELES_PER_LOCUS[l] = static_cast<int16_t>(alleles[l]);
          std::memcpy(s.ALL_POPS_AFREQ[p][l], f[l], sizeof f[l]);
        }
      }
      RANDOMIZE(s, static_cast<int32_t>(seed));
      for (int i = 0; i < spent_before; ++i) GENRAND_MT19937(s);
    };
    for (VectorCode code : CodesOfThisProcessor()) {
      SCOPED_TRACE("trial " + std::to_string(trial));
      ExpectSameDrawing(set_up, code);
    }
  }
}

// Frequencies whose cumulative sums are the very outputs the pass will
// draw, so that many draws fall exactly on a sum (and go to the lower
// allele); the sum of all is one of them too, so that some outputs lie
// above it. Some of the generator's words are 0, whose output is 0.
TEST_F(GeneDrawingTest, DrawsExactlyOnTheCumulativeSumsGiveTheSameCounts) {
  std::mt19937 pick(5);
  for (int trial = 0; trial < 30; ++trial) {
    MersenneState words;
    for (uint32_t& word : words.words) word = pick() % 9 == 0 ? 0 : pick();
    words.index = static_cast<int32_t>(pick() % kMersenneWords);
    // The outputs the pass will meet first, from a copy of the generator.
    std::vector<uint32_t> upcoming;
    {
      auto peek = NewState([&](State& s) { s.MT = words; });
      for (int i = 0; i < 400; ++i) upcoming.push_back(GENRAND_MT19937(*peek));
    }
    const int alleles = trial % 2 == 0 ? kMaxAlleles : static_cast<int>(pick() % 6) + 1;
    std::vector<uint32_t> sums;
    for (int k = 1; k <= alleles; ++k) sums.push_back(upcoming[pick() % upcoming.size()]);
    std::sort(sums.begin(), sums.end());
    Frequencies f = {};
    uint32_t below = 0;
    for (int k = 1; k <= alleles; ++k) {
      // A multiple of 2^-32 below 1: exact as a double, and so are its sums.
      f[k] = static_cast<double>(sums[k - 1] - below) * 0x1p-32;
      below = sums[k - 1];
    }
    const SetUp set_up = [&](State& s) {
      s.NUMBPOPS = 2;
      s.NUMBLOCI = 2;
      for (int p = 1; p <= 2; ++p) {
        s.NUMB_DIPLOIDS_TO_SAMPLE[p] = 100;
        for (int l = 1; l <= 2; ++l) std::memcpy(s.ALL_POPS_AFREQ[p][l], f, sizeof f);
      }
      s.ALLELES_PER_LOCUS[1] = s.ALLELES_PER_LOCUS[2] = static_cast<int16_t>(alleles);
      s.MT = words;  // RANDSEED and OLDRANDSEED are both 0: the words stand
    };
    for (VectorCode code : CodesOfThisProcessor()) {
      SCOPED_TRACE("trial " + std::to_string(trial));
      ExpectSameDrawing(set_up, code);
    }
  }
}

// Loci the limits cannot serve, or that need no search: a single allele (of
// frequency 1 or a little under), no alleles at all, a frequency below 0,
// one that is not a number, all frequencies 0.
TEST_F(GeneDrawingTest, SpecialLociGiveTheSameCounts) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<std::vector<double>> loci = {
      {1.0}, {1 - 1e-6}, {}, {0.6, -0.2, 0.6}, {0.5, nan, 0.5}, {0, 0, 0}, {0, 1}, {1, 0, 0}};
  for (size_t i = 0; i < loci.size(); ++i) {
    const SetUp set_up = [&](State& s) {
      s.NUMBPOPS = 3;
      s.NUMBLOCI = 1;
      s.ALLELES_PER_LOCUS[1] = static_cast<int16_t>(loci[i].size());
      for (int p = 1; p <= 3; ++p) {
        s.NUMB_DIPLOIDS_TO_SAMPLE[p] = 700;
        for (size_t k = 0; k < loci[i].size(); ++k) s.ALL_POPS_AFREQ[p][1][k + 1] = loci[i][k];
      }
      RANDOMIZE(s, static_cast<int32_t>(i));
    };
    for (VectorCode code : CodesOfThisProcessor()) {
      SCOPED_TRACE("locus " + std::to_string(i));
      ExpectSameDrawing(set_up, code, 2);
    }
  }
}

// Whole drifts: every generation's frequencies are ratios of counts, and
// between passes the stream serves other users (the four seeds of a locus
// test, a seed set anew) exactly as it would.
TEST_F(GeneDrawingTest, PassesInterleavedWithOtherUsersOfTheStream) {
  const SetUp set_up = [](State& s) {
    s.NUMBPOPS = 4;
    s.NUMBLOCI = 3;
    const double base[3][5] = {{0.5, 0.5}, {0.1, 0.2, 0.3, 0.4}, {0, 0.25, 0.25, 0.25, 0.25}};
    const int16_t alleles[3] = {2, 4, 5};
    for (int l = 1; l <= 3; ++l) {
      s.ALLELES_PER_LOCUS[l] = alleles[l - 1];
      for (int k = 1; k <= alleles[l - 1]; ++k) s.BASEPOP[l][k] = base[l - 1][k - 1];
    }
    for (int p = 1; p <= 4; ++p) s.NUMB_DIPLOIDS_TO_SAMPLE[p] = static_cast<int16_t>(30 * p);
    COPY_BASEPOP_TO_ALL_POPS_AFREQ(s);
    RANDOMIZE(s, 77);
  };
  const auto other_users = [](State& s, int pass) {
    CALCULATE_AFREQS(s);
    for (int seed = 0; seed < 4; ++seed) RANDOM(s, 165);
    // Now and then the seed is set anew: the next draw, in whichever
    // drawing, starts the stream again from it.
    if (pass % 7 == 6) RANDOMIZE(s, pass);
  };
  for (VectorCode code : CodesOfThisProcessor()) ExpectSameDrawing(set_up, code, 40, other_users);
}

// More genes than the 16-bit counts hold: they wrap alike.
TEST_F(GeneDrawingTest, CountsBeyondSixteenBitsWrapAlike) {
  const SetUp set_up = [](State& s) {
    s.NUMBPOPS = 1;
    s.NUMBLOCI = 1;
    s.ALLELES_PER_LOCUS[1] = 2;
    s.ALL_POPS_AFREQ[1][1][1] = 0.999;
    s.ALL_POPS_AFREQ[1][1][2] = 0.001;
    s.NUMB_DIPLOIDS_TO_SAMPLE[1] = 32767;
    RANDOMIZE(s, 3);
  };
  for (VectorCode code : CodesOfThisProcessor()) ExpectSameDrawing(set_up, code);
}

}  // namespace
}  // namespace gorvan
