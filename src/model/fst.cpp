// Placeholder until this module is built.
#include "model/fst.h"

namespace gorvan {

void CALCULATE_FST(State&) {}

}  // namespace gorvan
