#include "stats/fisher/internal/universal_rng_seeding.h"

#include "base/internal_check.h"

// Why these integers are MAKE_RANDOM's lagged values.
//
// MAKE_RANDOM makes 97 x 24 = 2,328 steps; place n takes the steps
// t = 24(n - 1) + 1 .. 24n. With R(-2) = UU1, R(-1) = UU2, R(0) = UU3 and
// W(0) = UU4, step t makes
//   R(t) = ((R(t-3) x R(t-2)) mod 179) x R(t-1) mod 179
//   W(t) = (53 W(t-1) + 1) mod 169
//   b(t) = 1 when (W(t) x R(t)) mod 64 >= 32, else 0,
// and adds b(t) x RJ to RI.
//
// 1. The bits. After i of a place's 24 steps, RJ = 2^-(i+1) and
//    RI = v(i) x 2^-i, with v(i) the integer whose bits, from the highest,
//    are the place's first i bits b. Every sum and halving involves powers
//    of two from 2^-1 to 2^-24 only, held exactly in any significand of 24
//    bits or more, so nothing rounds and U[n] x 2^24 = v(24), the integer
//    built here by v := 2v + b.
// 2. R through logarithms. 179 is prime and 2 generates its multiplicative
//    group (checked at compile time below: the 178 powers 2^L mod 179 are
//    distinct). Seeds in 1..168 are not multiples of 179, and a product of
//    non-multiples of a prime is none either, so every R(t) is 2^L(t) with
//    L(t) in 0..177 and
//      L(t) = (L(t-3) + L(t-2) + L(t-1)) mod 178.
//    This is linear: L(t) = alpha(t) L(-2) + beta(t) L(-1) + gamma(t) L(0)
//    mod 178, where the triples (alpha, beta, gamma) follow the same
//    recurrence from the unit triples at t = -2, -1, 0. The triples do not
//    depend on the seeds and are made at compile time, so each step's R(t)
//    is found by itself, without waiting for the steps before it.
// 3. W walks one fixed cycle. w -> (53 w + 1) mod 169 has the full period
//    169 (1 is prime to 169; 53 - 1 = 52 is a multiple of 13, the only prime
//    factor of 169; also checked at compile time), so from 0 it passes every
//    residue once: W(t) = cycle(position(UU4) + t), with cycle(k) the k-th
//    value from 0 and position(w) the place of w in it. The cycle is written
//    out far enough for the last step, so no wrap is needed.
// 4. W(t) x R(t) >= 0, so its remainder mod 64 is its low six bits, and
//    "at least 32" is bit 5.
namespace gorvan {
namespace {

constexpr int kBitsPerValue = 24;
constexpr int kSteps = kLaggedValues * kBitsPerValue;  // 2,328
constexpr int kPrime = 179;                            // the modulus of R
constexpr int kGroupOrder = kPrime - 1;                // of the residues 1..178
constexpr int kCycle = 169;                            // the modulus of W

struct SeedingTables {
  uint8_t log_of[kPrime] = {};             // L with 2^L = r mod 179, r in 1..178
  uint8_t power_of_two[kGroupOrder] = {};  // 2^L mod 179
  uint8_t position[kCycle] = {};           // the place of w in the cycle from 0
  uint8_t cycle[kCycle + kSteps] = {};     // W along the cycle, from 0
  uint8_t coefficients[kSteps][3] = {};    // alpha, beta, gamma of step t at [t - 1]
  bool two_generates = true;
  bool cycle_is_full = true;
};

constexpr SeedingTables MakeSeedingTables() {
  SeedingTables tables;
  bool seen_power[kPrime] = {};
  int power = 1;
  for (int L = 0; L < kGroupOrder; ++L) {
    if (seen_power[power]) tables.two_generates = false;
    seen_power[power] = true;
    tables.power_of_two[L] = static_cast<uint8_t>(power);
    tables.log_of[power] = static_cast<uint8_t>(L);
    power = power * 2 % kPrime;
  }
  bool seen_state[kCycle] = {};
  int w = 0;
  for (int k = 0; k < kCycle + kSteps; ++k) {
    if (k < kCycle) {
      if (seen_state[w]) tables.cycle_is_full = false;
      seen_state[w] = true;
      tables.position[w] = static_cast<uint8_t>(k);
    }
    tables.cycle[k] = static_cast<uint8_t>(w);
    w = (53 * w + 1) % kCycle;
  }
  // The triples of L(t - 3), L(t - 2), L(t - 1), starting with the units.
  int triples[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int t = 1; t <= kSteps; ++t) {
    int next[3] = {};
    for (int j = 0; j < 3; ++j)
      next[j] = (triples[0][j] + triples[1][j] + triples[2][j]) % kGroupOrder;
    for (int j = 0; j < 3; ++j) {
      triples[0][j] = triples[1][j];
      triples[1][j] = triples[2][j];
      triples[2][j] = next[j];
      tables.coefficients[t - 1][j] = static_cast<uint8_t>(next[j]);
    }
  }
  return tables;
}

constexpr SeedingTables kTables = MakeSeedingTables();
static_assert(kTables.two_generates, "2 must generate the residues 1..178 mod 179");
static_assert(kTables.cycle_is_full, "w -> 53 w + 1 mod 169 must have the full period");

bool SeedSuits(int16_t seed) { return seed >= 1 && seed <= 168; }

}  // namespace

bool SeedsSuitIntegerSeeding(int16_t UU1, int16_t UU2, int16_t UU3, int16_t UU4) {
  return SeedSuits(UU1) && SeedSuits(UU2) && SeedSuits(UU3) && SeedSuits(UU4);
}

void SeededLagsInIntegers(int16_t UU1, int16_t UU2, int16_t UU3, int16_t UU4,
                          uint32_t (&lags)[kLaggedValues]) {
  Check(SeedsSuitIntegerSeeding(UU1, UU2, UU3, UU4), "the integer seeding needs seeds in 1..168");
  const uint32_t L1 = kTables.log_of[UU1];
  const uint32_t L2 = kTables.log_of[UU2];
  const uint32_t L3 = kTables.log_of[UU3];
  const uint8_t* W = kTables.cycle + kTables.position[UU4];  // W[t] = W(t)
  int t = 1;
  for (int n = 1; n <= kLaggedValues; ++n) {
    uint32_t value = 0;
    for (int bit = 0; bit < kBitsPerValue; ++bit, ++t) {
      const uint8_t* triple = kTables.coefficients[t - 1];
      const uint32_t L = (triple[0] * L1 + triple[1] * L2 + triple[2] * L3) % kGroupOrder;
      const uint32_t R = kTables.power_of_two[L];
      value = value << 1 | ((W[t] * R) >> 5 & 1);
    }
    lags[kLaggedValues - n] = value;
  }
}

}  // namespace gorvan
