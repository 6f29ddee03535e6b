// The logarithms of the fast Fisher chain in fixed point, with the bounds
// that decide when the approximate RHO is close enough to tell the outcome.
//
// The chain's RHO changes on a switch by ln(PROB1 / PROB2) =
// ln a + ln b - ln(c + 1) - ln(d + 1) for the cells a, b it lowers and c, d
// it raises. The fast chain adds the table entries
//   E(m) = round(ln m x 2^k)
// instead, in 64-bit integers (units of 2^-k), so the sum is exact and its
// rounding does not grow with the number of steps: the entries added for one
// cell telescope to the entries between its value then and now. With e the
// error of one entry,
//   | sum of entries - exact change of RHO x 2^k | <= e x sum over cells of
//   |n_now - n_then| <= e x 2 x TOT,
// since both tables are non-negative with the same total TOT.
//
// The scale k starts fine and is made coarser while |RHO| grows, so that the
// sum always fits in 64 bits; where RHO is recomputed exactly, it is made as
// fine again as that RHO allows.
#pragma once

#include <cstdint>

#include "base/extended.h"
#include "stats/fisher/fisher_input.h"

namespace gorvan {

class FixedLogTable {
 public:
  // Cells below this never make a product of 2^31 or more (2^15 x 2^15 =
  // 2^30), so a step on them needs no overflow check.
  static constexpr uint32_t kSmallCell = 1u << 15;
  // The finest scale: an entry (ln m < 22.2) stays below 2^61 and the
  // change of one switch (two entries less two) below 2^62.
  static constexpr int kFinestFractionBits = 56;
  // |y| up to this is held; beyond it the scale is made coarser. One more
  // switch adds less than 2^62, so the sum never overflows.
  static constexpr int64_t kLargestSum = int64_t{1} << 61;

  // The extended sum RHO + ln(PROB) is rounded by at most half a unit in the
  // last place, at most 2^-64 x |RHO + ln(PROB)|; with RHO within the error
  // bound of the approximation y (in units) this is at most kSumRounding x |y|
  // units while |y| exceeds the whole bound.
  static constexpr double kSumRounding = 0x1p-63;

  // For the chain on `in`, which must be a table the chain accepts (counts
  // not negative); at the finest scale.
  explicit FixedLogTable(const FisherInput& in);

  // k in 0..kFinestFractionBits.
  void SetFractionBits(int fraction_bits);
  int fraction_bits() const { return fraction_bits_; }  // k
  // 2^k, the units in one.
  Extended units_per_one() const { return units_per_one_; }
  // Below this scale the table's share of the error bound would come near
  // the 1e-8 snap, and the approximation could no longer tell it by itself.
  // Above the finest scale when no scale will do.
  int coarsest_fraction_bits() const { return coarsest_fraction_bits_; }

  // E(m) for 0 <= m < size(), which holds every value a cell or a cell + 1
  // can take unless cells_may_be_large() (E(0) is 0 and never added).
  int64_t operator[](uint32_t m) const { return entries_[m]; }
  const int64_t* entries() const { return entries_; }
  uint32_t size() const { return size_; }
  // E(m) for any m >= 1.
  int64_t Entry(uint64_t m) const;

  // Whether a cell can reach kSmallCell - 1 (no cell exceeds the smaller of
  // its row and column totals). When not, every value a step looks up is in
  // the table and no product of two cells reaches 2^31.
  bool cells_may_be_large() const { return cells_may_be_large_; }

  // Bounds in units of the present scale, all rounded outwards:
  // the table's share of the error of the approximate RHO (e x 2 x TOT);
  double table_error() const { return table_error_; }
  // the rounding one switch adds to the extended RHO, apart from the
  // rounding of the sum itself (see kSumRounding);
  double switch_error() const { return switch_error_; }
  // 1.0E-8 x 2^k, rounded down and up: RHO is made 0 when below it.
  double snap_below() const { return snap_below_; }
  double snap_above() const { return snap_above_; }

 private:
  int64_t total_ = 0;
  uint32_t size_ = 0;
  int coarsest_fraction_bits_ = 0;
  bool cells_may_be_large_ = false;

  int fraction_bits_ = 0;
  Extended units_per_one_ = 1;
  const int64_t* entries_ = nullptr;  // shared by the process (fisher_chain_log_entries.h)
  double table_error_ = 0;
  double switch_error_ = 0;
  double snap_below_ = 0;
  double snap_above_ = 0;
};

}  // namespace gorvan
