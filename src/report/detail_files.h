// The per-run detail files FST.OUT, SUBPOPS.OUT, SAMPLES.OUT, LOCUSTST.OUT.
#pragma once

#include "driver/state.h"

namespace gorvan {

inline constexpr const char* kFstFileName = "FST.OUT";
inline constexpr const char* kSubpopsFileName = "SUBPOPS.OUT";
inline constexpr const char* kSamplesFileName = "SAMPLES.OUT";
inline constexpr const char* kLocusTestFileName = "LOCUSTST.OUT";

// FST.OUT is created by the run driver; its lines are laid out here.
void WRITE_FST_HEADER(State& s);
void WRITE_TO_FST(State& s);

void INITIALIZE_SUBPOPS(State& s);
void INITIALIZE_SAMPLES(State& s);
void INITIALIZE_LOCUSTST(State& s);
void WRITE_TO_SUBPOPS(State& s);
void WRITE_TO_SAMPLES(State& s);
// Copies the test results of locus J into CHI2, CHI2_DF, CHI2_P, GEXACT_P and
// SE, then writes the locus line.
void WRITE_TO_LOCUSTST(State& s);
// Deletes FST.OUT, SUBPOPS.OUT, SAMPLES.OUT, LOCUSTST.OUT and SUMTEST.OUT.
void ERASE_OUTFILES(State& s);

}  // namespace gorvan
