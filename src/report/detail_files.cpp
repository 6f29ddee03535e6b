// Deleting the detail files at the end, on request.
#include "report/detail_files.h"

#include "report/output_file_names.h"

namespace gorvan {

// The files go one after another; a file that has gone missing stops the
// program there (error 2), and those after it are left in place.
void ERASE_OUTFILES(State& s) {
  for (const char* name : kDetailFileNames) {
    s.INFILE.Assign(name);
    s.INFILE.Erase();
  }
}

}  // namespace gorvan
