// Fuzzing the parameter file reader. Whatever GORVAN.IN holds, reading it
// must end in one of three ways: parameters the simulation can run with, a
// stop on bad parameters (exit code 1) after its console message, or the
// run-time error of an invalid number. Anything else (a crash, a sanitizer
// report, another exception, or accepted parameters outside the state's
// capacities) is a finding.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "base/program_stop.h"
#include "base/runtime_error.h"
#include "driver/program.h"
#include "fuzz_support.h"
#include "input/read_infile.h"
#include "report/terminal_console.h"
#include "state/state.h"
#include "testing/scoped_work_dir.h"

namespace {

using gorvan::State;

void Require(bool holds, const char* what) {
  if (!holds) gorvan::fuzz::Finding("parameter file fuzzer", what);
}

bool FrequencySumWithinTolerance(const State& s, int locus) {
  double sum = 0;
  for (int allele = 1; allele <= s.ALLELES_PER_LOCUS[locus]; ++allele) {
    const double frequency = s.BASEPOP[locus][allele];
    Require(frequency >= 0.0 && frequency <= 1.0, "an accepted frequency lies outside 0..1");
    sum = static_cast<double>(static_cast<gorvan::Extended>(sum) + frequency);
  }
  return std::fabs(static_cast<gorvan::Extended>(sum) - 1.0L) <= 0.000001L;
}

// What every accepted parameter set must satisfy before the runs start.
void CheckAccepted(const State& s) {
  Require(!s.INFILE.is_open(), "GORVAN.IN left open after reading");
  Require(s.NUMBLOCI >= 1 && s.NUMBLOCI <= gorvan::kMaxLoci, "loci outside 1..50 accepted");
  Require(s.NUMBPOPS >= 2 && s.NUMBPOPS <= gorvan::kMaxPops, "populations outside 2..30 accepted");
  int32_t diploids = 0;
  for (int pop = 1; pop <= s.NUMBPOPS; ++pop) {
    Require(s.SAMPLESIZE[pop] >= 1, "an empty sample accepted");
    diploids += s.SAMPLESIZE[pop];
  }
  Require(diploids <= gorvan::kMaxDiploids, "samples beyond the 16-bit pooled counts accepted");
  if (s.STOP_T > 0) {
    Require(s.DRIFT_SIZE >= 1 && s.DRIFT_SIZE <= gorvan::kMaxDiploids,
            "a drift size outside 1..16383 accepted");
  }
  Require(s.STOP_T >= 0, "a negative number of generations accepted");
  Require(s.STOP_RUNS >= 1, "fewer than one run accepted");
  if (s.RUN_FISHER == 1) {
    Require(s.ITER1 >= 0 && s.ITER2 >= 2 && s.ITER3 >= 1, "a chain too short accepted");
  }
  int32_t alleles = 0;
  bool some_locus_can_vary = false;
  for (int locus = 1; locus <= gorvan::kMaxLoci; ++locus) {
    const int16_t count = s.ALLELES_PER_LOCUS[locus];
    Require(count <= gorvan::kMaxAlleles, "more than 50 alleles at a locus accepted");
    if (locus > s.NUMBLOCI) {
      Require(count == 0, "alleles stored beyond the last locus");
      continue;
    }
    Require(count >= 1, "a locus without alleles accepted");
    Require(FrequencySumWithinTolerance(s, locus), "frequencies not summing to 1 accepted");
    int present = 0;
    for (int allele = 1; allele <= count; ++allele) present += s.BASEPOP[locus][allele] > 0.0;
    some_locus_can_vary = some_locus_can_vary || present >= 2;
    alleles += count;
  }
  Require(some_locus_can_vary, "parameters under which no run can be accepted");
  Require(s.STARTNUMBALLELES == alleles, "STARTNUMBALLELES is not the sum of the alleles");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One working directory for the whole fuzzing session; each input is
  // written over the last one.
  static gorvan::ScopedWorkDir work_dir;
  work_dir.WriteFile(gorvan::kParameterFileName,
                     std::string(reinterpret_cast<const char*>(data), size));

  std::ostringstream console_out;
  std::istringstream console_in;
  gorvan::TerminalConsole console(console_out, console_in, false);
  gorvan::fuzz::FreshState s(console);
  gorvan::INITIALIZE_ARRAYS(*s);
  try {
    gorvan::READ_INFILE(*s);
  } catch (const gorvan::ProgramStop& stop) {
    Require(stop.exit_code == 1, "a stop on bad parameters did not exit with code 1");
    Require(!s->INFILE.is_open(), "GORVAN.IN left open after a stop");
    Require(!console_out.str().empty(), "a stop without a console message");
    return 0;
  } catch (const gorvan::RuntimeError& error) {
    // The file exists and is readable, so only a number can be wrong.
    Require(error.number() == gorvan::kInvalidNumericFormat,
            "a run-time error other than an invalid number");
    return 0;
  }
  CheckAccepted(*s);
  return 0;
}
