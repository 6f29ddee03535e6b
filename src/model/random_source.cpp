// Placeholder until this module is built.
#include "model/random_source.h"

namespace gorvan {

uint32_t MillisecondTicks() { return 0; }
void RANDOMIZE(State& s, std::optional<int32_t> seed) { s.RANDSEED = seed.value_or(0); }
void SGENRAND_MT19937(MersenneState&, uint32_t) {}
uint32_t GENRAND_MT19937(State&) { return 0; }
Extended RANDOM(State&) { return 0; }
int32_t RANDOM(State&, int32_t) { return 0; }

}  // namespace gorvan
