// The main report GORVAN.OUT: the parameter echo at the start, the power
// table and the differentiation summary at the end.
#pragma once

#include "driver/state.h"

namespace gorvan {

inline constexpr const char* kMainReportFileName = "GORVAN.OUT";

// Creates GORVAN.OUT and writes the header; the power table's title line is
// left open for WRITE_FINAL_RESULTS.
void WRITE_OUTFILE(State& s);
void WRITE_FINAL_RESULTS(State& s);

}  // namespace gorvan
