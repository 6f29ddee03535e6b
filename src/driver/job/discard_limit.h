// A run whose pooled samples hold one allele at every locus is discarded and
// done again. A base population that is monomorphic in all but name (a
// second allele at 1e-9 on every locus) would discard for ever, so a job
// stops after kDiscardLimit discarded attempts in a row.
//
// Why 10000: an attempt is discarded with probability q, the same for every
// attempt of a design, so a stretch of 10000 discards in a row has
// probability q^10000. A design that accepts one attempt in a hundred (q =
// 0.99; already one that spends 99% of its time on discarded runs) reaches
// the limit with probability 2e-44 per accepted run. One locus with a 1%
// allele and two samples of 5 diploids (q = 0.99^20 = 0.82) reaches it with
// probability 1e-873. Only designs that accept fewer than about one attempt
// in 2000 (q above 0.9995, probability e^-5 per run) can meet it, and for
// them the power estimate would rest on runs that are rare accidents of
// sampling anyway. 10000 attempts of a small design take well under a
// second, of the largest possible design a few minutes.
#pragma once

#include <cstdint>
#include <ostream>

namespace gorvan {

inline constexpr int64_t kDiscardLimit = 10000;

class DiscardLimit {
 public:
  // After each attempt: `accepted` is false for a discarded run. At the
  // limit it writes the reason to `notes` and ends the job (ProgramStop,
  // exit code 1).
  void Note(bool accepted, std::ostream& notes);

 private:
  int64_t discarded_in_a_row_ = 0;
};

}  // namespace gorvan
