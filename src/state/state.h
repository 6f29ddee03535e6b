// The simulation state: every variable the procedures hand to one another.
//
// One State record lives for the whole execution and is passed by reference
// to every procedure. Member names are the program's variable names; arrays
// are indexed from 1 (index 0 is an unused slot, except TABLE's column 0,
// which exists, is cleared and never filled). Widths are those the results
// depend on: 16-bit values wrap silently when a wider result is stored.
#pragma once

#include <cstdint>
#include <string>

#include "base/extended.h"
#include "state/mersenne_state.h"
#include "textio/console.h"
#include "textio/text_file.h"

namespace gorvan {

inline constexpr int kMaxLoci = 50;
inline constexpr int kMaxPops = 30;
inline constexpr int kMaxAlleles = 50;
inline constexpr int kCommentCapacity = 80;

// Pooled counts are 16-bit: samples of all populations together must hold at
// most 32767 genes per locus.
inline constexpr int kMaxDiploids = 16383;

struct State {
  explicit State(Console& console_in) : console(console_in) {}
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  // ---- Parameters (set by READ_INFILE, never changed afterwards) ----
  std::string COMMENT1, COMMENT2;
  int32_t ITER1 = 0, ITER2 = 0, ITER3 = 0;
  int16_t RUN_CHI2 = 0, RUN_FISHER = 0;
  int16_t ERASE_DETAILED_OUTPUT = 0;
  int16_t NUMBLOCI = 0, NUMBPOPS = 0;
  int16_t DRIFT_SIZE = 0, STOP_T = 0;
  int16_t SAMPLESIZE[kMaxPops + 1] = {};
  int32_t STOP_RUNS = 0;
  int16_t ALLELES_PER_LOCUS[kMaxLoci + 1] = {};
  double BASEPOP[kMaxLoci + 1][kMaxAlleles + 1] = {};
  int16_t STARTNUMBALLELES = 0;

  // ---- Population model ----
  double ALL_POPS_AFREQ[kMaxPops + 1][kMaxLoci + 1][kMaxAlleles + 1] = {};
  int16_t ALL_POPS_ACOUNT[kMaxPops + 1][kMaxLoci + 1][kMaxAlleles + 1] = {};
  int16_t NUMB_DIPLOIDS_TO_SAMPLE[kMaxPops + 1] = {};
  int32_t TOTALSAMPLESIZE = 0;
  int16_t T = 0;
  Extended HS_PER_POP[kMaxPops + 1] = {};
  Extended HT = 0, HS = 0, FSTPRIME = 0;

  // ---- Per-locus tests (the current locus is J) ----
  int16_t FIXED_LOCUS[kMaxLoci + 1] = {};
  int16_t NUMB_NONFIXED_LOCI = 0;
  int32_t TABLE[kMaxPops + 1][kMaxAlleles + 1] = {};  // column 0 stays 0
  Extended CHISQ = 0, DF = 0, PROB = 0;
  Extended HM = 0, HECA = 0;
  Extended CHI2 = 0;
  int32_t CHI2_DF = 0;
  Extended CHI2_P = 0, GEXACT_P = 0, SE = 0;

  // ---- Per-run sums over loci ----
  Extended SUM_CHI2 = 0;
  int32_t SUM_CHI2_DF = 0;
  Extended SUM_LN_GEXACT_P = 0;
  double NUMB_ALLELES = 0;
  double MEAN_ALLELES_PER_LOCUS = 0;

  // ---- Accumulators over runs ----
  int32_t RUN = 0;
  Extended SUM_FST = 0, SUM_HT = 0, SUM_HS = 0;
  int32_t NUMBTOT = 0, TOTCHI2 = 0, TOTGEXACT = 0;
  int32_t NUMBR1 = 0, R1CHI2 = 0, R1GEXACT = 0;
  int32_t NUMBR2 = 0, R2CHI2 = 0, R2GEXACT = 0;
  int32_t NUMBR3 = 0, R3CHI2 = 0, R3GEXACT = 0;

  // ---- Timing ----
  uint16_t HOUR = 0, MIN = 0, SEC = 0, HUND = 0;
  Extended TIME1 = 0, TIME2 = 0, TIMEDIFF = 0;

  // ---- Shared loop variables ----
  int16_t I = 0, J = 0, K = 0;

  // ---- The process-wide random stream ----
  int32_t RANDSEED = 0;
  int32_t OLDRANDSEED = 0;
  MersenneState MT;

  // ---- Text files ----
  TextFile INFILE;
  TextFile OUT1;   // GORVAN.OUT
  TextFile OUT5;   // FST.OUT
  TextFile OUT6;   // SUBPOPS.OUT
  TextFile OUT7;   // SAMPLES.OUT
  TextFile OUT8;   // LOCUSTST.OUT
  TextFile OUT9;   // CONTTAB.XYZ
  TextFile OUT10;  // SUMTEST.OUT

  // ---- The console (standard output and input) ----
  Console& console;
};

// Reads nothing; clears the base frequencies, the populations' frequencies
// and counts, the alleles per locus and the twelve run tallies.
void INITIALIZE_ARRAYS(State& s);

}  // namespace gorvan
