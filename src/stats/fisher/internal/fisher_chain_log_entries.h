// The entries of the fast Fisher chain's logarithm table, made once per
// process. An entry E(m) = round(ln m x 2^k) depends on the count m and the
// scale k alone, never on the table under test, so every chain, on every
// thread, shares the same entries instead of making them for each locus and
// again at each change of scale.
#pragma once

#include <cstdint>

namespace gorvan {

// Entries are held for m below this. The per-locus driver's pooled counts
// are 16-bit, so no cell it writes, and no cell + 1, reaches it.
inline constexpr uint32_t kSharedLogEntries = uint32_t{1} << 15;
// The finest scale held: 2^56 units in one.
inline constexpr int kFinestSharedFractionBits = 56;

// E(m) = llroundl(logl(m) x 2^fraction_bits) for 1 <= m < count, and
// E(0) = 0, for count up to kSharedLogEntries and fraction_bits in
// 0..kFinestSharedFractionBits (others are an internal fault). Entries
// are made the first time they are asked for, a little ahead; the pointer
// stays valid and its first `count` entries unchanged for the rest of the
// process. Safe to call from several threads at once; a call that finds its
// entries made takes no lock.
const int64_t* SharedLogEntries(int fraction_bits, uint32_t count);

}  // namespace gorvan
