#include "model/internal/mersenne_block.h"

#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace gorvan {
namespace {

std::vector<VectorCode> CodesOfThisProcessor() {
  std::vector<VectorCode> codes = {VectorCode::kPortable};
  if (FastestVectorCode() == VectorCode::kAvx2) codes.push_back(VectorCode::kAvx2);
  return codes;
}

// Several regenerations in a row, from a seeded state and from words of any
// kind, against the library's MT19937, which twists word by word.
TEST(MersenneBlockTest, RegeneratedAndTemperedWordsAreTheReferenceOutputs) {
  for (VectorCode code : CodesOfThisProcessor()) {
    for (uint32_t seed : {0U, 5489U, 4294967295U, 20260712U}) {
      SCOPED_TRACE("seed " + std::to_string(seed) + (code == VectorCode::kAvx2 ? " avx2" : ""));
      std::mt19937 reference(seed);
      MersenneState mt;
      // The library seeds with the same 2002 initialisation.
      mt.words[0] = seed;
      for (int i = 1; i < kMersenneWords; ++i) {
        mt.words[i] = 1812433253U * (mt.words[i - 1] ^ (mt.words[i - 1] >> 30)) + i;
      }
      for (int round = 0; round < 4; ++round) {
        RegenerateMersenneWords(mt, code);
        uint32_t outputs[kMersenneWords];
        TemperMersenneWords(mt.words, outputs, kMersenneWords, code);
        for (int i = 0; i < kMersenneWords; ++i) {
          ASSERT_EQ(outputs[i], reference()) << "round " << round << ", word " << i;
        }
      }
    }
  }
}

// Runs of every length and start, as a pass takes them: the tail of a run
// that fills no whole vector is tempered too.
TEST(MersenneBlockTest, TemperingAnyRunGivesEachWordsOutput) {
  std::mt19937 words_source(99);
  uint32_t words[64];
  for (uint32_t& word : words) word = words_source();
  words[3] = 0;
  words[4] = 0xffffffffU;
  uint32_t whole[64];
  TemperMersenneWords(words, whole, 64, VectorCode::kPortable);
  for (VectorCode code : CodesOfThisProcessor()) {
    for (int start = 0; start < 16; ++start) {
      for (int count = 0; start + count <= 64; ++count) {
        uint32_t out[65];
        out[count] = 0xdeadbeefU;  // must stay: nothing beyond the run is written
        TemperMersenneWords(words + start, out, count, code);
        for (int i = 0; i < count; ++i) ASSERT_EQ(out[i], whole[start + i]);
        ASSERT_EQ(out[count], 0xdeadbeefU);
      }
    }
  }
  EXPECT_EQ(whole[3], 0U);  // tempering keeps 0
}

}  // namespace
}  // namespace gorvan
