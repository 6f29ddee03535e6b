// FST.OUT: one line per accepted run with the diversities and the F'st that
// the drift reached. Every value is as wide as its title, so it ends in the
// title's column.
#include "report/fst_file.h"

namespace gorvan {

void WRITE_FST_HEADER(State& s) {
  s.OUT5.EndLine();
  s.OUT5.Text("Run", 10).Char('t', 8).Text("Ht", 11).Text("Hs", 11).Text("F'st", 11).EndLine();
}

void WRITE_TO_FST(State& s) {
  s.OUT5.Int(s.RUN, 10)
      .Int(s.T, 8)
      .Real(s.HT, 11, 4)
      .Real(s.HS, 11, 4)
      .Real(s.FSTPRIME, 11, 4)
      .EndLine();
}

}  // namespace gorvan
