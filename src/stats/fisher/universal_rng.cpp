#include "stats/fisher/universal_rng.h"

namespace gorvan {
namespace {

constexpr Extended kTwoTo24 = 16777216.0L;

// One lagged value of 24 bits, built from the four running seed values; the
// seed values carry over from one lagged value to the next.
Extended NextLaggedValue(int16_t& U1, int16_t& U2, int16_t& U3, int16_t& U4) {
  Extended RI = 0;
  Extended RJ = 0.5L;
  for (int JJ = 1; JJ <= 24; ++JJ) {
    // The operands stay below 179 x 179, so the 16-bit products are exact
    // and mod is the plain remainder.
    const int16_t R1 = static_cast<int16_t>(((U1 * U2) % 179) * U3 % 179);
    U1 = U2;
    U2 = U3;
    U3 = R1;
    U4 = static_cast<int16_t>((53 * U4 + 1) % 169);
    if ((U4 * R1) % 64 >= 32) RI = RI + RJ;
    RJ = 0.5L * RJ;
  }
  return RI;
}

}  // namespace

void MAKE_RANDOM(UniversalRng& rng, int16_t UU1, int16_t UU2, int16_t UU3, int16_t UU4) {
  int16_t U1 = UU1;
  int16_t U2 = UU2;
  int16_t U3 = UU3;
  int16_t U4 = UU4;
  for (int II = 1; II <= kLaggedValues; ++II) rng.U[II] = NextLaggedValue(U1, U2, U3, U4);
  rng.DI = 362436.0L / kTwoTo24;
  rng.DD = 7654321.0L / kTwoTo24;
  rng.DM = 16777213.0L / kTwoTo24;
  rng.DP = 97;
  rng.DQ = 33;
}

Extended GOSUB100(UniversalRng& rng) {
  Extended UNI = rng.U[rng.DP] - rng.U[rng.DQ];
  if (UNI < 0) UNI = UNI + 1;
  rng.U[rng.DP] = UNI;
  rng.DP = static_cast<int16_t>(rng.DP - 1);
  if (rng.DP == 0) rng.DP = kLaggedValues;
  rng.DQ = static_cast<int16_t>(rng.DQ - 1);
  if (rng.DQ == 0) rng.DQ = kLaggedValues;
  rng.DI = rng.DI - rng.DD;
  if (rng.DI < 0) rng.DI = rng.DI + rng.DM;
  UNI = UNI - rng.DI;
  if (UNI < 0) UNI = UNI + 1;
  return UNI;
}

}  // namespace gorvan
