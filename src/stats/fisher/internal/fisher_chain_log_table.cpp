#include "stats/fisher/internal/fisher_chain_log_table.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "stats/fisher/internal/fisher_chain_log_entries.h"

namespace gorvan {
namespace {

static_assert(FixedLogTable::kSmallCell <= kSharedLogEntries);
static_assert(FixedLogTable::kFinestFractionBits <= kFinestSharedFractionBits);

// The extended logl (x87 FYL2X) is taken to be within 8 units in the last
// place of the true logarithm; the hardware and library promise about one.
// A unit in the last place of an extended z is at most 2^-63 |z|.
constexpr Extended kLogUlps = 8;
constexpr Extended kUlpPerMagnitude = 0x1p-63L;
// ln of the largest value an entry is asked for (a cell + 1 <= 2^31) and of
// the largest switch ratio (PROB1, PROB2 < 2^31).
constexpr Extended kLargestLog = 22.2L;       // > ln 2^32
constexpr Extended kLargestRatioLog = 21.5L;  // > ln 2^31

// The table's share of the bound may take a quarter of the snap's width.
constexpr Extended kTableShareOfSnap = 0.25L;

struct Margins {
  int64_t largest_row = 0, largest_column = 0, total = 0;
};

Margins MarginsOf(const FisherInput& in) {
  std::vector<int64_t> rows(static_cast<size_t>(in.N), 0);
  std::vector<int64_t> columns(static_cast<size_t>(in.M), 0);
  Margins margins;
  for (int row = 1; row <= in.N; ++row) {
    for (int column = 1; column <= in.M; ++column) {
      rows[static_cast<size_t>(row - 1)] += in.MM[row][column];
      columns[static_cast<size_t>(column - 1)] += in.MM[row][column];
      margins.total += in.MM[row][column];
    }
  }
  margins.largest_row = *std::max_element(rows.begin(), rows.end());
  margins.largest_column = *std::max_element(columns.begin(), columns.end());
  return margins;
}

// One entry's error in units: the rounding to an integer, and logl's error.
Extended EntryErrorAt(int fraction_bits) {
  return 0.5L + kLogUlps * kUlpPerMagnitude * kLargestLog * ldexpl(1, fraction_bits);
}

Extended TableErrorAt(int fraction_bits, int64_t total) {
  return 2 * static_cast<Extended>(total) * EntryErrorAt(fraction_bits);
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
  total_ = margins.total;
  const int64_t largest_cell = std::min(margins.largest_row, margins.largest_column);
  cells_may_be_large_ = largest_cell + 1 >= int64_t{kSmallCell};
  size_ = static_cast<uint32_t>(cells_may_be_large_ ? int64_t{kSmallCell} : largest_cell + 2);

  // Above the finest scale when even that is too coarse.
  auto usable = [&](int bits) {
    return TableErrorAt(bits, total_) <= kTableShareOfSnap * 1.0E-8L * ldexpl(1, bits);
  };
  coarsest_fraction_bits_ = kFinestFractionBits + 1;
  while (coarsest_fraction_bits_ > 0 && usable(coarsest_fraction_bits_ - 1)) {
    --coarsest_fraction_bits_;
  }
  SetFractionBits(kFinestFractionBits);
}

void FixedLogTable::SetFractionBits(int fraction_bits) {
  fraction_bits_ = fraction_bits;
  units_per_one_ = ldexpl(1, fraction_bits);
  // The entries llroundl(logl(m) x 2^k), made once for the whole process.
  entries_ = SharedLogEntries(fraction_bits, size_);

  table_error_ = RoundedUp(TableErrorAt(fraction_bits, total_));
  // The quotient PROB1 / PROB2 is rounded by a factor within 1 +- 2^-64,
  // which moves its logarithm by at most 2^-63; logl then errs by at most
  // kLogUlps units in the last place of a value below kLargestRatioLog.
  switch_error_ =
      RoundedUp((0x1p-63L + kLogUlps * kUlpPerMagnitude * kLargestRatioLog) * units_per_one_);
  snap_below_ = RoundedDown(1.0E-8L * units_per_one_);
  snap_above_ = RoundedUp(1.0E-8L * units_per_one_);
}

int64_t FixedLogTable::Entry(uint64_t m) const {
  if (m < size_) return entries_[m];
  return llroundl(logl(static_cast<Extended>(m)) * units_per_one_);
}

}  // namespace gorvan
