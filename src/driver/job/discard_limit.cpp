#include "driver/job/discard_limit.h"

#include <string>

#include "base/program_stop.h"
#include "driver/job/job_notes.h"

namespace gorvan {

void DiscardLimit::Note(bool accepted, std::ostream& notes) {
  if (accepted) {
    discarded_in_a_row_ = 0;
    return;
  }
  if (++discarded_in_a_row_ < kDiscardLimit) return;
  WriteNote(notes, std::to_string(kDiscardLimit) +
                       " runs in a row were discarded because the pooled samples held a single "
                       "allele at every locus; the job is stopped.");
  WriteNote(notes,
            "The base population is too close to monomorphic for these samples (or the drift "
            "fixes every locus): give some locus a commoner second allele, take larger samples, "
            "or drift for fewer generations.");
  throw ProgramStop{1};
}

}  // namespace gorvan
