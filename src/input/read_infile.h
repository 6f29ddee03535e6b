// Reading and checking the parameter file GORVAN.IN.
#pragma once

#include "state/state.h"

namespace gorvan {

inline constexpr const char* kParameterFileName = "GORVAN.IN";

// Reads GORVAN.IN through INFILE; writes every parameter and
// STARTNUMBALLELES. Bad input ends the program (ProgramStop with exit code
// 1) after its console message, before any output file exists; on success
// the screen is cleared and the banner shown.
void READ_INFILE(State& s);

// The same, keeping where every number came from in `noted`.
struct ParameterSource;
void READ_INFILE(State& s, ParameterSource& noted);

}  // namespace gorvan
