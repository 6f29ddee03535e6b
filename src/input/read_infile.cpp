// Placeholder until this module is built.
#include "input/read_infile.h"

namespace gorvan {

void READ_INFILE(State&) {}

}  // namespace gorvan
