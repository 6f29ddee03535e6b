#include "state/capacity_check.h"

#include <functional>

#include <gtest/gtest.h>

#include "base/internal_check.h"
#include "testing/state_fixture.h"

namespace gorvan {
namespace {

class CapacityCheckTest : public StateFixture {};

TEST_F(CapacityCheckTest, TheLargestDesignPasses) {
  s_->NUMBPOPS = kMaxPops;
  s_->NUMBLOCI = kMaxLoci;
  for (int locus = 1; locus <= kMaxLoci; ++locus) s_->ALLELES_PER_LOCUS[locus] = kMaxAlleles;
  EXPECT_NO_THROW(CheckCapacities(*s_));
}

// Counts the arrays cannot hold would lead the loops of the model outside
// them: each is an internal fault, however it was reached.
TEST_F(CapacityCheckTest, CountsBeyondTheArraysAreInternalFaults) {
  const std::function<void(State&)> breaches[] = {
      [](State& s) { s.NUMBPOPS = kMaxPops + 1; },
      [](State& s) { s.NUMBPOPS = -1; },
      [](State& s) { s.NUMBLOCI = kMaxLoci + 1; },
      [](State& s) { s.ALLELES_PER_LOCUS[2] = kMaxAlleles + 1; },
      [](State& s) { s.ALLELES_PER_LOCUS[3] = -1; },
  };
  for (const auto& breach : breaches) {
    TestState t;
    t.s->NUMBPOPS = 2;
    t.s->NUMBLOCI = 3;
    breach(*t.s);
    EXPECT_THROW(CheckCapacities(*t.s), InternalError);
  }
}

}  // namespace
}  // namespace gorvan
