#include "stats/fisher/fisher_chain_fast.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "base/internal_check.h"
#include "stats/fisher/batch_error.h"
#include "stats/fisher/internal/fisher_chain_log_table.h"
#include "stats/fisher/internal/fisher_chain_walk.h"
#include "stats/fisher/internal/universal_rng_block.h"

namespace gorvan {
namespace {

constexpr uint64_t kLargestProduct = std::numeric_limits<int32_t>::max();

struct Products {
  uint64_t prob1 = 0, prob2 = 0;
};

// The straightforward chain stops on a product of 2^31 or more with run-time
// error 215. To stop in the same way, from the same place and with the same
// words, the step is handed to it: the table as it is, the generator as it
// was `draws_back` draws ago, before the step's first draw.
[[noreturn]] void StopAsTheStraightforwardChain(const Walk& walk, const UniversalRngBlock& rng,
                                                int64_t draws_back) {
  auto chain = std::make_unique<FisherChain>();
  chain->N = walk.N;
  chain->M = walk.M;
  for (int row = 0; row < walk.N; ++row) {
    for (int column = 0; column < walk.M; ++column) {
      chain->MM[row + 1][column + 1] = walk.cells[row][column];
    }
  }
  chain->rng = rng.ToReference(draws_back);
  ChainStep(*chain);
  InternalFault("the fast Fisher chain found an overflow the straightforward one does not");
}

// The rest of a step for cells of any size: the products in 64 bits, checked
// as the straightforward chain checks them (its CheckedAdd of a cell + 1
// fails only for a cell of 2^31 - 1, whose product then fails as well).
bool FinishAnyStep(const Walk& walk, UniversalRngBlock::Draws& draws, const Proposal& proposal,
                   int64_t drawn_before, Products& products) {
  products.prob1 = uint64_t(*proposal.lowered1) * uint64_t(*proposal.lowered2);
  products.prob2 = (uint64_t(*proposal.raised1) + 1) * (uint64_t(*proposal.raised2) + 1);
  if (products.prob1 > kLargestProduct || products.prob2 > kLargestProduct) {
    StopAsTheStraightforwardChain(walk, draws.Sync(), draws.drawn() - drawn_before);
  }
  if (!Accepts(draws, products.prob1, products.prob2)) return false;
  MakeSwitch(proposal);
  return true;
}

// GOSUB110's addition to RHO and the snap after the step, in the
// straightforward chain's extended operations.
void AddLogOfRatio(Extended& rho, const Products& products) {
  const Extended prob1 = static_cast<Extended>(products.prob1);
  const Extended prob2 = static_cast<Extended>(products.prob2);
  const Extended prob = prob1 / prob2;
  rho = rho + logl(prob);
}

void SnapToZero(Extended& rho) {
  if (fabsl(rho) < 1.0E-8L) rho = 0;
}

// Steps with RHO in extended precision, as the straightforward chain makes
// them; returns how many left RHO at most 0.
int64_t ExactSteps(Walk& walk, Extended& rho, int64_t steps) {
  UniversalRngBlock::Draws draws(walk.rng);
  int64_t at_most_zero = 0;
  for (int64_t step = 0; step < steps; ++step) {
    const int64_t drawn_before = draws.drawn();
    const Proposal proposal = Propose(walk, draws);
    Products products;
    if (FinishAnyStep(walk, draws, proposal, drawn_before, products)) {
      AddLogOfRatio(rho, products);
    }
    SnapToZero(rho);
    at_most_zero += rho <= 0;
  }
  return at_most_zero;
}

// Bits by which the scale is made coarser at a time.
constexpr int kCoarserBits = 8;

// At least this many fraction bits, so that a RHO of 1e-8 or more in size is
// at least 10 units: y is then 0 or below exactly when RHO is.
constexpr int kFewestFractionBits = 30;

// |RHO| x 2^k at an exactly known point stays below this, leaving room to
// grow before the scale has to change.
constexpr Extended kLargestKnownSum = 0x1p59L;

class FastChain {
 public:
  FastChain(const FisherInput& in, const FastChainTuning& tuning, FastChainCounts& counts);
  FisherResult Run();

 private:
  // `count` steps; returns how many of them left RHO at most 0.
  int64_t Steps(int64_t count);
  template <bool kLargeCells>
  int64_t ApproximateSteps(int64_t count);
  // After a switch that left y within its error bound of the snap, or too
  // large to hold: settles RHO or changes the scale.
  void Settle();
  void MakeCoarser();
  void KnowExactly(Extended rho);
  void GoExact(Extended rho);
  void SetScale(int fraction_bits);
  void SaveCheckpoint(Extended rho);
  Extended ReplayFromCheckpoint() const;

  const FisherInput& in_;
  FixedLogTable logs_;
  const FastChainTuning tuning_;
  FastChainCounts& counts_;
  Walk walk_;
  int64_t steps_ = 0;  // steps made since the start

  // The approximation of RHO x 2^k and its error bound: the table's share
  // (with the tests' widening) and the rest.
  int64_t y_ = 0;
  double table_error_ = 0;
  double error_ = 0;

  // Where RHO was last known exactly and the walk saved.
  struct Checkpoint {
    int32_t cells[kFisherMaxRows][kWalkStride];
    UniversalRngBlock::Snapshot rng;
    Extended rho = 0;
    int64_t step = 0;
  } checkpoint_;

  // Set for counts too large for any scale to tell the snap, and should |RHO|
  // outgrow the coarsest scale: from then on the chain runs exactly.
  bool exact_only_ = false;
  Extended exact_rho_ = 0;
};

// The straightforward chain's checks, before anything reads the table.
const FisherInput& Checked(const FisherInput& in) {
  StartChain(in);
  return in;
}

FastChain::FastChain(const FisherInput& in, const FastChainTuning& tuning, FastChainCounts& counts)
    : in_(Checked(in)), logs_(in), tuning_(tuning), counts_(counts) {
  walk_.N = in.N;
  walk_.M = in.M;
  for (int row = 0; row < in.N; ++row) {
    for (int column = 0; column < in.M; ++column) {
      walk_.cells[row][column] = in.MM[row + 1][column + 1];
    }
  }
  if (tuning.portable_generator) walk_.rng.UseCode(UniversalRngBlock::Code::kPortable);
  walk_.rng.Seed(in.UU1, in.UU2, in.UU3, in.UU4);
  // The burn-in starts at the observed table with RHO = 0.
  SetScale(FixedLogTable::kFinestFractionBits);
  SaveCheckpoint(0);
  // Counts so large that even the finest scale cannot tell a snap: the
  // approximation would be of no use near 0.
  if (logs_.coarsest_fraction_bits() > FixedLogTable::kFinestFractionBits) GoExact(0);
}

FisherResult FastChain::Run() {
  // The burn-in's steps count nothing; a MEM of 0 or less makes none.
  if (in_.MEM > 0) Steps(in_.MEM);
  Extended HM = 0;
  Extended HECA = 0;
  for (int32_t K = 1; K <= in_.B; ++K) {
    const int32_t CNMOY = static_cast<int32_t>(Steps(in_.C));
    const Extended proportion = static_cast<Extended>(CNMOY) / in_.C;
    HM = HM + proportion;
    HECA = HECA + proportion * proportion;
  }
  HECA = BatchStandardError(HM, HECA, in_.B);
  HM = HM / in_.B;
  return FisherResult{HM, HECA};
}

int64_t FastChain::Steps(int64_t count) {
  if (exact_only_) return ExactSteps(walk_, exact_rho_, count);
  return logs_.cells_may_be_large() ? ApproximateSteps<true>(count)
                                    : ApproximateSteps<false>(count);
}

// One step on a table whose cells all stay below 2^15 (so its products stay
// below 2^30), without a branch on the cells: the acceptance draw v is read
// in any case and taken only when the straightforward chain draws it (see
// Accepts()). `taken` says whether the last step took the draw at the
// cursor; the cursor is moved on by it only here, where GOSUB20's four draws
// are read both ways and then chosen, so that this step's draws need not
// wait for the last step's cells. Returns whether it switched, and the
// change of y.
inline bool StepOnSmallCells(Walk& walk, UniversalRngBlock::Draws& draws, uint32_t& taken,
                             const int64_t* entries, int64_t& change) {
  const uint32_t rows = static_cast<uint32_t>(walk.N);
  const uint32_t columns = static_cast<uint32_t>(walk.M);
  draws.Reserve();
  const uint32_t w0 = draws.Ahead(0), w1 = draws.Ahead(1), w2 = draws.Ahead(2);
  const uint32_t w3 = draws.Ahead(3), w4 = draws.Ahead(4), w5 = draws.Ahead(5);
  const bool later = taken;
  const uint32_t op1 = later ? IndexOfDraw(w1, rows) : IndexOfDraw(w0, rows);
  const uint32_t all1 = later ? IndexOfDraw(w2, columns) : IndexOfDraw(w1, columns);
  uint32_t op2 = later ? IndexOfDraw(w3, rows) : IndexOfDraw(w2, rows);
  uint32_t all2 = later ? IndexOfDraw(w4, columns) : IndexOfDraw(w3, columns);
  uint32_t v = later ? w5 : w4;
  if ((op2 == op1) | (all2 == all1)) [[unlikely]] {
    // A row or column drawn again: the draws one by one from the third on.
    draws.Skip(taken + 2);
    op2 = IndexOfDraw(draws.Next(), rows);
    while (op2 == op1) op2 = IndexOfDraw(draws.Next(), rows);
    all2 = IndexOfDraw(draws.Next(), columns);
    while (all2 == all1) all2 = IndexOfDraw(draws.Next(), columns);
    v = draws.Peek();
  } else {
    draws.Skip(taken + 4);
  }
  int32_t* row1 = walk.cells[op1];
  int32_t* row2 = walk.cells[op2];
  const uint32_t a = static_cast<uint32_t>(row1[all1]);
  const uint32_t b = static_cast<uint32_t>(row2[all2]);
  const uint32_t c1 = static_cast<uint32_t>(row2[all1]) + 1;
  const uint32_t d1 = static_cast<uint32_t>(row1[all2]) + 1;
  const uint32_t prob1 = a * b;
  const uint32_t prob2 = c1 * d1;
  const bool possible = prob1 != 0;
  const bool likelier = prob1 >= prob2;
  taken = possible & !likelier;
  const bool switched = possible & (likelier | DrawAccepts(v, prob1, prob2));
  const int32_t made = switched;
  row1[all1] = static_cast<int32_t>(a) - made;
  row2[all2] = static_cast<int32_t>(b) - made;
  row2[all1] = static_cast<int32_t>(c1 - 1) + made;
  row1[all2] = static_cast<int32_t>(d1 - 1) + made;
  change = (entries[a] + entries[b] - entries[c1] - entries[d1]) & -int64_t{made};
  return switched;
}

// One step on cells of any size, the products checked.
inline bool StepOnAnyCells(Walk& walk, UniversalRngBlock::Draws& draws, const FixedLogTable& logs,
                           int64_t& change) {
  const int64_t drawn_before = draws.drawn();
  const Proposal proposal = Propose(walk, draws);
  const uint64_t a = static_cast<uint32_t>(*proposal.lowered1);
  const uint64_t b = static_cast<uint32_t>(*proposal.lowered2);
  const uint64_t c1 = static_cast<uint64_t>(*proposal.raised1) + 1;
  const uint64_t d1 = static_cast<uint64_t>(*proposal.raised2) + 1;
  Products products;
  const bool switched = FinishAnyStep(walk, draws, proposal, drawn_before, products);
  change = switched ? logs.Entry(a) + logs.Entry(b) - logs.Entry(c1) - logs.Entry(d1) : 0;
  return switched;
}

// The approximation y: at the last exactly known point round(RHO x 2^k)
// (within half a unit), then the table entries of every switch. Its error
// against the extended RHO x 2^k is at most table_error_ (the entries'
// rounding, which telescopes) plus error_, which gathers for every step the
// extended quotient's and logl's rounding (switch_error) and the extended
// sum's (at most 2^-64 |RHO x 2^k| <= 2^-63 |y| while |y| exceeds the whole
// bound), and the half unit of the start. Steps without a switch add to it
// too, which only widens it. The bounds are rounded up with room to spare
// for their own double arithmetic.
//
// The steps go in windows of at most kWindow. A window's share of error_ is
// added at its end, from the largest |y| in it; its limit for |y| already
// allows the most the window can add (|y| stays within kLargestSum = 2^61,
// so each step adds at most switch_error + 1/4).
//
// While |y| >= the limit, |RHO| >= 1e-8: RHO keeps its value, and its sign
// is that of y. Otherwise, and when |y| grows beyond kLargestSum, Settle()
// decides. Either way y <= 0 exactly when RHO <= 0, which is what a counted
// step counts.
template <bool kLargeCells>
int64_t FastChain::ApproximateSteps(int64_t count) {
  constexpr int64_t kWindow = 64;
  const int64_t first_step = steps_;
  int64_t y = y_;
  int64_t counted = 0;
  int64_t step = 0;
  {
    UniversalRngBlock::Draws draws(walk_.rng);
    uint32_t taken = 0;
    while (step < count) {
      const double switch_error = logs_.switch_error();
      const double window_error =
          kWindow * (switch_error + FixedLogTable::kSumRounding * FixedLogTable::kLargestSum);
      const double limit =
          (logs_.snap_above() + table_error_ + error_ + window_error) * (1 + 0x1p-40);
      // |y| < near  <=>  y + (near - 1) as unsigned < 2 near - 1.
      const int64_t near = static_cast<int64_t>(std::min(std::ceil(limit), 0x1p62));
      const uint64_t near_offset = static_cast<uint64_t>(near - 1);
      const uint64_t near_span = 2 * static_cast<uint64_t>(near) - 1;
      constexpr uint64_t kFarOffset = FixedLogTable::kLargestSum;
      constexpr uint64_t kFarSpan = 2 * kFarOffset;
      const int64_t* entries = logs_.entries();
      const int64_t window_end = std::min(count, step + kWindow);
      const int64_t window_start = step;
      int64_t lowest = y, highest = y;
      bool unsettled = false;
      for (; step < window_end; ++step) {
        int64_t change;
        const bool switched = kLargeCells ? StepOnAnyCells(walk_, draws, logs_, change)
                                          : StepOnSmallCells(walk_, draws, taken, entries, change);
        y += change;
        lowest = std::min(lowest, y);
        highest = std::max(highest, y);
        const uint64_t unsigned_y = static_cast<uint64_t>(y);
        if (switched & ((unsigned_y + near_offset < near_span) |
                        (unsigned_y + kFarOffset > kFarSpan))) [[unlikely]] {
          unsettled = true;
          ++step;
          break;
        }
        counted += y <= 0;
      }
      const double largest =
          static_cast<double>(std::max(-lowest, highest)) * (1 + 0x1p-50);  // rounded up
      error_ += static_cast<double>(step - window_start) *
                (switch_error + FixedLogTable::kSumRounding * largest);
      if (unsettled) {
        steps_ = first_step + step;
        y_ = y;
        draws.Skip(taken);
        taken = 0;
        draws.Sync();
        Settle();
        if (exact_only_) {
          counted += exact_rho_ <= 0;
          break;
        }
        y = y_;
        counted += y <= 0;
      }
    }
    draws.Skip(taken);
  }
  if (exact_only_) return counted + ExactSteps(walk_, exact_rho_, count - step);
  steps_ = first_step + count;
  y_ = y;
  return counted;
}

void FastChain::Settle() {
  if (y_ > FixedLogTable::kLargestSum || y_ < -FixedLogTable::kLargestSum) {
    MakeCoarser();
    return;
  }
  // The bound of the switch just made assumed |y| above the whole bound;
  // one more unit covers its sum's rounding whatever y.
  const Extended bound = static_cast<Extended>(table_error_) + error_ + 1;
  if (fabsl(static_cast<Extended>(y_)) + bound < logs_.snap_below()) {
    // |RHO| < 1e-8 for certain: the step made it exactly 0.
    y_ = 0;
    error_ = 0;
    ++counts_.certain_snaps;
    if (steps_ - checkpoint_.step >= tuning_.checkpoint_gap) SaveCheckpoint(0);
    return;
  }
  ++counts_.replays;
  const Extended rho = ReplayFromCheckpoint();
  SaveCheckpoint(rho);
  KnowExactly(rho);
}

// |RHO| has grown: 2^8 times coarser units. y / 2^8, rounded, is within half
// a new unit of the old y / 2^8, and the old bound shrinks by 2^8; from here
// the table's share starts afresh at the new scale. A scale too coarse to
// tell a snap by itself is still good for telling that RHO is far from 0;
// near 0 the exact recomputation settles it, and a finer scale follows.
void FastChain::MakeCoarser() {
  const int fraction_bits = logs_.fraction_bits() - kCoarserBits;
  if (fraction_bits < kFewestFractionBits) {
    ++counts_.replays;
    const Extended rho = ReplayFromCheckpoint();
    GoExact(rho);
    return;
  }
  // The old bound in new units, the half unit of the rounding, and a trifle
  // for the double arithmetic.
  const double shrink = 0x1p-8;
  static_assert(kCoarserBits == 8);
  error_ = (static_cast<double>(table_error_) + error_) * shrink + 0.5 + 0x1p-20;
  y_ = (y_ + (int64_t{1} << (kCoarserBits - 1))) >> kCoarserBits;
  SetScale(fraction_bits);
  ++counts_.coarsenings;
}

// y := round(RHO x 2^k), within half a unit, at the finest scale that holds
// it.
void FastChain::KnowExactly(Extended rho) {
  const Extended largest_known =
      tuning_.largest_known_rho >= 0 ? tuning_.largest_known_rho : HUGE_VALL;
  int fraction_bits = FixedLogTable::kFinestFractionBits;
  while (fabsl(rho) * ldexpl(1, fraction_bits) > kLargestKnownSum) fraction_bits -= kCoarserBits;
  if (fraction_bits < kFewestFractionBits || fabsl(rho) > largest_known) {
    GoExact(rho);
    return;
  }
  if (fraction_bits != logs_.fraction_bits()) SetScale(fraction_bits);
  y_ = llroundl(rho * logs_.units_per_one());
  error_ = 0.5;
}

void FastChain::GoExact(Extended rho) {
  exact_only_ = true;
  exact_rho_ = rho;
  counts_.went_exact = true;
}

void FastChain::SetScale(int fraction_bits) {
  logs_.SetFractionBits(fraction_bits);
  table_error_ =
      static_cast<double>(logs_.table_error() + tuning_.extra_error * logs_.units_per_one());
}

void FastChain::SaveCheckpoint(Extended rho) {
  const size_t rows = sizeof(walk_.cells[0]) * static_cast<size_t>(walk_.N);
  std::memcpy(checkpoint_.cells, walk_.cells, rows);
  checkpoint_.rng = walk_.rng.Save();
  checkpoint_.rho = rho;
  checkpoint_.step = steps_;
}

// The extended RHO now: the steps since the checkpoint made again, with the
// straightforward chain's operations. They must end where the chain is.
Extended FastChain::ReplayFromCheckpoint() const {
  const size_t rows = sizeof(walk_.cells[0]) * static_cast<size_t>(walk_.N);
  auto walk = std::make_unique<Walk>();
  walk->N = walk_.N;
  walk->M = walk_.M;
  std::memcpy(walk->cells, checkpoint_.cells, rows);
  walk->rng.UseCode(walk_.rng.code());
  walk->rng.Restore(checkpoint_.rng);
  Extended rho = checkpoint_.rho;
  ExactSteps(*walk, rho, steps_ - checkpoint_.step);
  if (walk->rng.drawn() != walk_.rng.drawn() || std::memcmp(walk->cells, walk_.cells, rows) != 0) {
    InternalFault("the Fisher chain's replay left the path it replays");
  }
  return rho;
}

}  // namespace

FisherResult RunFisherChainFast(const FisherInput& in) {
  FastChainCounts counts;
  return RunFisherChainFast(in, FastChainTuning{}, counts);
}

FisherResult RunFisherChainFast(const FisherInput& in, const FastChainTuning& tuning,
                                FastChainCounts& counts) {
  // About 24 KB: kept off the stack of the caller.
  auto chain = std::make_unique<FastChain>(in, tuning, counts);
  return chain->Run();
}

}  // namespace gorvan
