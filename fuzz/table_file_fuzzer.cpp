// Fuzzing the readers of the contingency table file CONTTAB.XYZ: the
// chi-square test's and the Fisher test's. Whatever the file holds, each
// reader must end in a result, a stop on an unusable table (exit code 1), or
// a run-time error of an invalid number or an overflow; it must never touch
// memory outside its table, whatever sizes the file announces. A table the
// Fisher reader accepts is also run through the chain when the chain is
// short, so that no accepted table can upset it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "base/program_stop.h"
#include "base/runtime_error.h"
#include "fuzz_support.h"
#include "report/terminal_console.h"
#include "state/state.h"
#include "stats/chisquare/chisquare.h"
#include "stats/fisher/fisher_chain.h"
#include "stats/fisher/fisher_input.h"
#include "stats/locus/locus_analysis.h"
#include "stats/table/table_file.h"
#include "testing/scoped_work_dir.h"

namespace {

using gorvan::State;

// Longer chains are skipped: they would slow the fuzzing without reaching
// anything a short chain does not.
constexpr int64_t kLongestChainRun = 20000;

void Require(bool holds, const char* what) {
  if (!holds) gorvan::fuzz::Finding("table file fuzzer", what);
}

bool ExpectedRuntimeError(const gorvan::RuntimeError& error) {
  return error.number() == gorvan::kInvalidNumericFormat ||
         error.number() == gorvan::kArithmeticOverflow;
}

void ReadForChiSquare(State& s) {
  try {
    gorvan::DO_CHISQUARE(s);
  } catch (const gorvan::ProgramStop& stop) {
    Require(stop.exit_code == 1, "an unusable table did not stop with exit code 1");
    Require(!s.INFILE.is_open(), "CONTTAB.XYZ left open after a stop");
    return;
  } catch (const gorvan::RuntimeError& error) {
    Require(ExpectedRuntimeError(error), "an unexpected run-time error in the chi-square reader");
    return;
  }
  Require(!s.INFILE.is_open(), "CONTTAB.XYZ left open after the chi-square test");
  for (int row = 0; row <= gorvan::kMaxPops; ++row) {
    Require(s.TABLE[row][0] == 0, "column 0 of TABLE was written");
  }
  for (int column = 0; column <= gorvan::kMaxAlleles; ++column) {
    Require(s.TABLE[0][column] == 0, "row 0 of TABLE was written");
  }
}

void CheckAcceptedFisherTable(const gorvan::FisherInput& in) {
  Require(in.N >= 2 && in.N <= gorvan::kFisherMaxRows, "a row count outside 2..30 accepted");
  Require(in.M >= 2 && in.M <= gorvan::kFisherMaxColumns, "a column count outside 2..50 accepted");
  for (int16_t seed : {in.UU1, in.UU2, in.UU3, in.UU4}) {
    Require(seed >= 1 && seed <= 168, "a seed outside 1..168 accepted");
  }
  Require(in.B >= 2 && in.C >= 1, "a chain without a standard error accepted");
  int64_t total = 0;
  for (int row = 1; row <= in.N; ++row) {
    for (int column = 1; column <= in.M; ++column) {
      Require(in.MM[row][column] >= 0, "a negative count accepted");
      total += in.MM[row][column];
    }
  }
  Require(total > 0, "an empty table accepted");
}

void RunShortChain(const gorvan::FisherInput& in) {
  if (in.MEM < 0 ||
      static_cast<int64_t>(in.MEM) + static_cast<int64_t>(in.B) * in.C > kLongestChainRun) {
    return;
  }
  try {
    const gorvan::FisherResult result = gorvan::RunFisherChain(in);
    Require(result.HM >= 0 && result.HM <= 1, "an estimate outside 0..1");
    Require(result.HECA >= 0, "a standard error that is negative or not a number");
  } catch (const gorvan::RuntimeError& error) {
    Require(error.number() == gorvan::kArithmeticOverflow,
            "an unexpected run-time error in the chain");
  }
}

void ReadForFisher(State& s) {
  gorvan::FisherInput in;
  try {
    in = gorvan::READINFILE(s);
  } catch (const gorvan::ProgramStop& stop) {
    Require(stop.exit_code == 1, "an unusable table did not stop with exit code 1");
    Require(!s.INFILE.is_open(), "CONTTAB.XYZ left open after a stop");
    return;
  } catch (const gorvan::RuntimeError& error) {
    Require(ExpectedRuntimeError(error), "an unexpected run-time error in the Fisher reader");
    return;
  }
  Require(!s.INFILE.is_open(), "CONTTAB.XYZ left open after the Fisher reader");
  CheckAcceptedFisherTable(in);
  RunShortChain(in);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One working directory for the whole fuzzing session; each input is
  // written over the last one.
  static gorvan::ScopedWorkDir work_dir;
  work_dir.WriteFile(gorvan::kTableFileName,
                     std::string(reinterpret_cast<const char*>(data), size));

  std::ostringstream console_out;
  std::istringstream console_in;  // a pause in the tail probability returns at once
  gorvan::TerminalConsole console(console_out, console_in, false);
  gorvan::fuzz::FreshState s(console);
  // Both tests read the same file, as they do for one locus.
  ReadForChiSquare(*s);
  ReadForFisher(*s);
  return 0;
}
