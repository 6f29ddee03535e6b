// A fresh state record whose console writes into a string: as one value
// (TestState), for tests and benchmarks that need one or several, and as a
// GoogleTest fixture (StateFixture in state_fixture.h) holding one.
#pragma once

#include <memory>
#include <sstream>
#include <vector>

#include "report/terminal_console.h"
#include "state/state.h"

namespace gorvan {

struct TestState {
  std::ostringstream console_out;
  std::istringstream console_in;
  TerminalConsole console{console_out, console_in, false};
  std::unique_ptr<State> s = std::make_unique<State>(console);
};

// A small design in `s`: `pops` subpopulations of `diploids` each (drawn in
// the drift and sampled), and one locus for each entry of `base`, holding
// that locus's base frequencies; STARTNUMBALLELES counts their alleles.
inline void UseSmallDesign(State& s, int pops, const std::vector<std::vector<double>>& base,
                           int diploids) {
  s.NUMBPOPS = static_cast<int16_t>(pops);
  s.NUMBLOCI = static_cast<int16_t>(base.size());
  s.STARTNUMBALLELES = 0;
  for (size_t l = 0; l < base.size(); ++l) {
    const int locus = static_cast<int>(l) + 1;
    for (size_t a = 0; a < base[l].size(); ++a) s.BASEPOP[locus][a + 1] = base[l][a];
    s.ALLELES_PER_LOCUS[locus] = static_cast<int16_t>(base[l].size());
    s.STARTNUMBALLELES = static_cast<int16_t>(s.STARTNUMBALLELES + base[l].size());
  }
  for (int p = 1; p <= pops; ++p) {
    s.SAMPLESIZE[p] = static_cast<int16_t>(diploids);
    s.NUMB_DIPLOIDS_TO_SAMPLE[p] = static_cast<int16_t>(diploids);
  }
}

}  // namespace gorvan
