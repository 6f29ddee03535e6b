#include "driver/job/read_parameters.h"

#include "driver/job/fisher_chain_advice.h"
#include "driver/job/job_notes.h"
#include "input/read_infile.h"

namespace gorvan {
namespace {

void WriteReaderNotes(const ParameterSource& noted, std::ostream& notes) {
  for (const std::string& line : noted.notes) WriteNote(notes, line);
}

}  // namespace

void ReadParameters(State& s, ParameterSource& noted, std::ostream& notes) {
  try {
    READ_INFILE(s, noted);
  } catch (...) {
    WriteReaderNotes(noted, notes);
    throw;
  }
  WriteReaderNotes(noted, notes);
  if (auto warning = ShortChainWarning(s, noted.ITER2.place.line)) WriteNote(notes, *warning);
}

}  // namespace gorvan
