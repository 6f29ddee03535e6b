// Placeholder until this module is built.
#include "tests/fisher.h"

namespace gorvan {

void FISHER(State&) {}

}  // namespace gorvan
