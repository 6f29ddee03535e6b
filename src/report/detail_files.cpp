// Placeholder until this module is built.
#include "report/detail_files.h"

namespace gorvan {

void WRITE_FST_HEADER(State&) {}
void WRITE_TO_FST(State&) {}
void INITIALIZE_SUBPOPS(State&) {}
void INITIALIZE_SAMPLES(State&) {}
void INITIALIZE_LOCUSTST(State&) {}
void WRITE_TO_SUBPOPS(State&) {}
void WRITE_TO_SAMPLES(State&) {}
void WRITE_TO_LOCUSTST(State&) {}
void ERASE_OUTFILES(State&) {}

}  // namespace gorvan
