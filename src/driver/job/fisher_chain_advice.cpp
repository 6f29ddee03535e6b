#include "driver/job/fisher_chain_advice.h"

#include <cmath>

#include "driver/job/job_notes.h"

namespace gorvan {

int64_t SuggestedCountedSteps(int loci, int64_t genes) {
  return static_cast<int64_t>(std::ceil(100.0 * loci * std::sqrt(static_cast<double>(genes))));
}

std::optional<std::string> ShortChainWarning(const State& s, int chain_line) {
  if (s.RUN_FISHER != 1) return std::nullopt;
  int64_t genes = 0;
  for (int pop = 1; pop <= s.NUMBPOPS; ++pop) genes += 2 * int64_t{s.SAMPLESIZE[pop]};
  const int64_t counted = int64_t{s.ITER2} * s.ITER3;
  const int64_t needed = SuggestedCountedSteps(s.NUMBLOCI, genes);
  if (counted >= needed) return std::nullopt;
  // Keep the batches, lengthen each.
  const int64_t per_batch = (needed + s.ITER2 - 1) / s.ITER2;
  return "warning: the Fisher test's chain counts " + std::to_string(counted) + " steps (" +
         std::to_string(s.ITER2) + " batches of " + std::to_string(s.ITER3) + ", line " +
         std::to_string(chain_line) + " of GORVAN.IN); with " + std::to_string(s.NUMBLOCI) +
         " loci and tables of " + std::to_string(genes) + " genes at least " +
         std::to_string(needed) +
         " are needed (100 x loci x square root of genes), or the exact test rejects too often "
         "and its power is overstated: for example " +
         std::to_string(s.ITER1) + " " + std::to_string(s.ITER2) + " " + std::to_string(per_batch) +
         " on line " + std::to_string(chain_line) + ".";
}

void FisherZeroTally::NoteTestedLocus(const State& s) {
  if (s.RUN_FISHER != 1) return;
  ++tested_;
  if (s.GEXACT_P == 0) ++zero_;
}

void FisherZeroTally::Report(const State& s, std::ostream& notes) const {
  if (s.RUN_FISHER != 1) return;
  WriteNote(notes, std::to_string(zero_) + " of " + std::to_string(tested_) +
                       " tested loci had an estimated exact-test P of 0 (entered as 0.00005 in "
                       "Fisher's combination); with differentiation many are expected, without it "
                       "many mean the chain is too short (gorvan-plan --null-check measures it).");
}

}  // namespace gorvan
