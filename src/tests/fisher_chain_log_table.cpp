#include "tests/fisher_chain_log_table.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace gorvan {
namespace {

// The extended logl (x87 FYL2X) is taken to be within 8 units in the last
// place of the true logarithm; the hardware and library promise about one.
// A unit in the last place of an extended z is at most 2^-63 |z|.
constexpr Extended kLogUlps = 8;
constexpr Extended kUlpPerMagnitude = 0x1p-63L;
// ln of the largest value an entry is asked for (a cell + 1 <= 2^31) and of
// the largest switch ratio (PROB1, PROB2 < 2^31).
constexpr Extended kLargestLog = 22.2L;   // > ln 2^32
constexpr Extended kLargestRatioLog = 21.5L;  // > ln 2^31

constexpr int kMostFractionBits = 56;  // keeps 4 entries' sums within 64 bits
constexpr Extended kSumLimit = 0x1p62L;
// Room beyond the range of RHO for the drift that the snaps to 0 allow (each
// moves RHO by less than 1e-8, so this takes billions of snaps).
constexpr Extended kRhoHeadroom = 31;

struct Margins {
  std::vector<int64_t> rows, columns;
  int64_t total = 0;
};

Margins MarginsOf(const FisherInput& in) {
  Margins margins;
  margins.rows.assign(in.N, 0);
  margins.columns.assign(in.M, 0);
  for (int row = 1; row <= in.N; ++row) {
    for (int column = 1; column <= in.M; ++column) {
      margins.rows[row - 1] += in.MM[row][column];
      margins.columns[column - 1] += in.MM[row][column];
      margins.total += in.MM[row][column];
    }
  }
  return margins;
}

Extended SumOfLogFactorials(const std::vector<int64_t>& totals) {
  Extended sum = 0;
  for (int64_t total : totals) sum += lgammal(static_cast<Extended>(total) + 1);
  return sum;
}

// RHO compares two tables with the same margins, and the sum of ln n! over a
// table's cells lies between 0 and the same sum over its row totals (or its
// column totals), so |RHO| between two exactly known points is at most this.
Extended RangeOfRho(const Margins& margins) {
  const Extended range =
      std::min(SumOfLogFactorials(margins.rows), SumOfLogFactorials(margins.columns));
  return range * (1 + 0x1p-30L) + 1;  // lgammal's own rounding
}

// One entry's error in units: the rounding to an integer, and logl's error.
Extended EntryError(int fraction_bits) {
  return 0.5L + kLogUlps * kUlpPerMagnitude * kLargestLog * ldexpl(1, fraction_bits);
}

// The most fraction bits for which the integer sum cannot overflow: it stays
// within (|RHO at the known point| + range + table error) x 2^k, with the
// known RHO within range + headroom.
int FractionBitsFor(Extended rho_range, int64_t total) {
  for (int bits = kMostFractionBits; bits >= 0; --bits) {
    const Extended units = ldexpl(1, bits);
    const Extended table_error = 2 * static_cast<Extended>(total) * EntryError(bits);
    if ((2 * rho_range + kRhoHeadroom + 2) * units + table_error <= kSumLimit) return bits;
  }
  throw std::logic_error("no fixed-point scale for the Fisher chain");
}

double RoundedDown(Extended value) {
  const double nearest = static_cast<double>(value);
  return nearest > value ? std::nextafter(nearest, 0.0) : nearest;
}

double RoundedUp(Extended value) {
  const double nearest = static_cast<double>(value);
  return nearest < value ? std::nextafter(nearest, HUGE_VAL) : nearest;
}

}  // namespace

FixedLogTable::FixedLogTable(const FisherInput& in) {
  const Margins margins = MarginsOf(in);
  const Extended rho_range = RangeOfRho(margins);
  fraction_bits_ = FractionBitsFor(rho_range, margins.total);
  units_per_one_ = ldexpl(1, fraction_bits_);
  largest_known_rho_ = rho_range + kRhoHeadroom;

  const int64_t largest_row = *std::max_element(margins.rows.begin(), margins.rows.end());
  const int64_t largest_column =
      *std::max_element(margins.columns.begin(), margins.columns.end());
  const int64_t largest_cell = std::min(largest_row, largest_column);
  cells_may_be_large_ = largest_cell + 1 >= int64_t{kSmallCell};
  const int64_t size = cells_may_be_large_ ? int64_t{kSmallCell} : largest_cell + 2;
  entries_.assign(static_cast<size_t>(size), 0);
  for (int64_t m = 1; m < size; ++m) entries_[static_cast<size_t>(m)] = ComputedEntry(m);

  const Extended units = units_per_one_;
  table_error_ = RoundedUp(2 * static_cast<Extended>(margins.total) * EntryError(fraction_bits_));
  // The quotient PROB1 / PROB2 is rounded by a factor within 1 +- 2^-64,
  // which moves its logarithm by at most 2^-63; logl then errs by at most
  // kLogUlps units in the last place of a value below kLargestRatioLog.
  switch_error_ =
      RoundedUp((0x1p-63L + kLogUlps * kUlpPerMagnitude * kLargestRatioLog) * units);
  snap_below_ = RoundedDown(1.0E-8L * units);
  snap_above_ = RoundedUp(1.0E-8L * units);
}

int64_t FixedLogTable::Entry(uint64_t m) const {
  return m < entries_.size() ? entries_[m] : ComputedEntry(m);
}

int64_t FixedLogTable::ComputedEntry(uint64_t m) const {
  return llroundl(logl(static_cast<Extended>(m)) * units_per_one_);
}

}  // namespace gorvan
