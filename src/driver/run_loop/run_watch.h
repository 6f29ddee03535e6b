// What the loop of runs watches besides its output files, for people:
// the discarded attempts in a row, which end a job that can accept no run,
// and the tested loci whose exact-test P was estimated as 0, counted for the
// end-of-job note. The serial loop and the threaded writer feed it in the
// same order, so both stop at the same attempt and count the same loci.
#pragma once

#include <ostream>

#include "driver/job/discard_limit.h"
#include "driver/job/fisher_chain_advice.h"

namespace gorvan {

struct RunWatch {
  explicit RunWatch(std::ostream& notes_in) : notes(notes_in) {}

  // After each attempt, kept or discarded; ends the job at the discard limit.
  void NoteAttempt(bool accepted) { discards.Note(accepted, notes); }

  std::ostream& notes;
  DiscardLimit discards;
  FisherZeroTally zeros;
};

}  // namespace gorvan
