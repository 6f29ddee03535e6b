#include "driver/job/job_notes.h"

namespace gorvan {

void WriteNote(std::ostream& out, std::string_view text) {
  out << "gorvan: " << text << '\n';
  out.flush();
}

}  // namespace gorvan
