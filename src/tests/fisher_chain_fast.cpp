#include "tests/fisher_chain_fast.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>

#include "tests/fisher_chain_log_table.h"
#include "tests/universal_rng_block.h"

namespace gorvan {
namespace {

// Row length of the working table: a power of two, so that a cell's place is
// a shift and an add.
constexpr int kStride = 64;
static_assert(kStride >= kFisherMaxColumns);

constexpr uint64_t kLargestProduct = std::numeric_limits<int32_t>::max();

// What decides the chain's moves: the table and the generator. RHO never
// feeds back into them.
struct Walk {
  int16_t N = 0, M = 0;
  int32_t cells[kFisherMaxRows][kStride] = {};  // counts, from 0
  UniversalRngBlock rng;
};

// The four cells of a proposed switch.
struct Proposal {
  int32_t* lowered1;  // (OP1, ALL1)
  int32_t* lowered2;  // (OP2, ALL2)
  int32_t* raised1;   // (OP2, ALL1)
  int32_t* raised2;   // (OP1, ALL2)
};

struct Products {
  uint64_t prob1 = 0, prob2 = 0;
};

// trunc(count x UNI + 1) counts from 1; this is the same number less 1. As
// count x UNI = count x v / 2^24 with count x v < 2^30, the extended product
// and sum are exact and the truncation is the shift.
inline uint32_t DrawIndex(UniversalRngBlock& rng, uint32_t count) {
  return (count * rng.Next()) >> 24;
}

// GOSUB20: the draws in its order.
inline Proposal Propose(Walk& walk) {
  const uint32_t op1 = DrawIndex(walk.rng, walk.N);
  const uint32_t all1 = DrawIndex(walk.rng, walk.M);
  uint32_t op2, all2;
  do {
    op2 = DrawIndex(walk.rng, walk.N);
  } while (op2 == op1);
  do {
    all2 = DrawIndex(walk.rng, walk.M);
  } while (all2 == all1);
  int32_t* row1 = walk.cells[op1];
  int32_t* row2 = walk.cells[op2];
  return {row1 + all1, row2 + all2, row2 + all1, row1 + all2};
}

// The Metropolis acceptance of the straightforward chain, in integers
// (products below 2^31, so both sides stay below 2^55):
// - PROB >= 1 exactly when PROB1 >= PROB2: for PROB1 < PROB2 the quotient is
//   at most 1 - 2^-31, far from 1 at extended precision.
// - UNI <= PSWITCH exactly when v x PROB2 <= PROB1 x 2^24. If UNI = v / 2^24
//   equals PROB1 / PROB2, the quotient is a multiple of 2^-24 and held
//   exactly. Otherwise the two differ by at least 1 / (PROB2 x 2^24) > 2^-55,
//   while the extended quotient (below 1) is off by at most 2^-65: it falls
//   on the same side of UNI.
// - No number is drawn when PROB1 is 0 or PROB >= 1.
inline bool Accepts(UniversalRngBlock& rng, uint64_t prob1, uint64_t prob2) {
  if (prob1 == 0) return false;
  if (prob1 >= prob2) return true;
  return uint64_t{rng.Next()} * prob2 <= prob1 << 24;
}

inline void MakeSwitch(const Proposal& proposal) {
  --*proposal.lowered1;
  --*proposal.lowered2;
  ++*proposal.raised1;
  ++*proposal.raised2;
}

// The straightforward chain stops on a product of 2^31 or more with run-time
// error 215. To stop in the same way, from the same place and with the same
// words, the step is handed to it: the table as it is, the generator as it
// was `draws_back` draws ago, before the step's first draw.
[[noreturn]] void StopAsTheStraightforwardChain(const Walk& walk, int64_t draws_back) {
  auto chain = std::make_unique<FisherChain>();
  chain->N = walk.N;
  chain->M = walk.M;
  for (int row = 0; row < walk.N; ++row) {
    for (int column = 0; column < walk.M; ++column) {
      chain->MM[row + 1][column + 1] = walk.cells[row][column];
    }
  }
  chain->rng = walk.rng.ToReference(draws_back);
  ChainStep(*chain);
  throw std::logic_error("the fast Fisher chain found an overflow the straightforward one does not");
}

// The rest of a step for cells of any size: the products in 64 bits, checked
// as the straightforward chain checks them (its CheckedAdd of a cell + 1
// fails only for a cell of 2^31 - 1, whose product then fails as well).
bool FinishAnyStep(Walk& walk, const Proposal& proposal, int64_t drawn_before,
                   Products& products) {
  products.prob1 = uint64_t(*proposal.lowered1) * uint64_t(*proposal.lowered2);
  products.prob2 = (uint64_t(*proposal.raised1) + 1) * (uint64_t(*proposal.raised2) + 1);
  if (products.prob1 > kLargestProduct || products.prob2 > kLargestProduct) {
    StopAsTheStraightforwardChain(walk, walk.rng.drawn() - drawn_before);
  }
  if (!Accepts(walk.rng, products.prob1, products.prob2)) return false;
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
  int64_t at_most_zero = 0;
  for (int64_t step = 0; step < steps; ++step) {
    const int64_t drawn_before = walk.rng.drawn();
    const Proposal proposal = Propose(walk);
    Products products;
    if (FinishAnyStep(walk, proposal, drawn_before, products)) AddLogOfRatio(rho, products);
    SnapToZero(rho);
    at_most_zero += rho <= 0;
  }
  return at_most_zero;
}

// The batch statistics of CHAINE.
Extended StandardError(Extended sum, Extended sum_of_squares, int32_t batches) {
  const Extended variance = (sum_of_squares - sum * sum / batches) / batches / (batches - 1);
  return variance > 0 ? sqrtl(variance) : 0;
}

class FastChain {
 public:
  FastChain(const FisherInput& in, const FastChainTuning& tuning, FastChainCounts& counts);
  FisherResult Run();

 private:
  // `count` steps; returns how many of them left RHO at most 0.
  int64_t Steps(int64_t count);
  template <bool kLargeCells>
  int64_t ApproximateSteps(int64_t count);
  // After a switch that left the approximation within its error bound of
  // the snap: settles RHO exactly.
  void Settle();
  void KnowExactly(Extended rho);
  void SaveCheckpoint(Extended rho);
  Extended ReplayFromCheckpoint() const;

  const FisherInput& in_;
  const FixedLogTable logs_;
  // Steps between saved points at the least, so that saving costs little
  // however often RHO is made 0.
  const int64_t checkpoint_gap_;
  // The table's share of the error bound, and the range of RHO, in units.
  const double table_error_;
  const Extended largest_known_rho_;
  FastChainCounts& counts_;
  Walk walk_;
  int64_t steps_ = 0;  // steps made since the start

  // The approximation of RHO x 2^k, the bound of its error apart from the
  // table's share, and whether RHO is at most 0.
  int64_t y_ = 0;
  double error_ = 0;
  bool at_most_zero_ = true;

  // Where RHO was last known exactly and the walk saved.
  struct Checkpoint {
    int32_t cells[kFisherMaxRows][kStride];
    UniversalRngBlock::Snapshot rng;
    Extended rho = 0;
    int64_t step = 0;
  } checkpoint_;

  // Set when RHO goes beyond the range of the fixed point: from then on
  // the chain runs exactly (never seen; the range allows billions of snaps).
  bool exact_only_ = false;
  Extended exact_rho_ = 0;
};

// The straightforward chain's checks, before anything reads the table.
const FisherInput& Checked(const FisherInput& in) {
  StartChain(in);
  return in;
}

FastChain::FastChain(const FisherInput& in, const FastChainTuning& tuning,
                     FastChainCounts& counts)
    : in_(Checked(in)),
      logs_(in),
      checkpoint_gap_(tuning.checkpoint_gap),
      table_error_(static_cast<double>(logs_.table_error() +
                                       tuning.extra_error * logs_.units_per_one())),
      largest_known_rho_(tuning.largest_known_rho >= 0 ? tuning.largest_known_rho
                                                       : logs_.largest_known_rho()),
      counts_(counts) {
  walk_.N = in.N;
  walk_.M = in.M;
  for (int row = 0; row < in.N; ++row) {
    for (int column = 0; column < in.M; ++column) walk_.cells[row][column] = in.MM[row + 1][column + 1];
  }
  walk_.rng.Seed(in.UU1, in.UU2, in.UU3, in.UU4);
  SaveCheckpoint(0);
}

FisherResult FastChain::Run() {
  // The burn-in starts at the observed table with RHO = 0; its steps count
  // nothing. A MEM of 0 or less makes none.
  if (in_.MEM > 0) Steps(in_.MEM);
  Extended HM = 0;
  Extended HECA = 0;
  for (int32_t K = 1; K <= in_.B; ++K) {
    const int32_t CNMOY = static_cast<int32_t>(Steps(in_.C));
    const Extended proportion = static_cast<Extended>(CNMOY) / in_.C;
    HM = HM + proportion;
    HECA = HECA + proportion * proportion;
  }
  HECA = StandardError(HM, HECA, in_.B);
  HM = HM / in_.B;
  return FisherResult{HM, HECA};
}

int64_t FastChain::Steps(int64_t count) {
  if (exact_only_) return ExactSteps(walk_, exact_rho_, count);
  return logs_.cells_may_be_large() ? ApproximateSteps<true>(count)
                                    : ApproximateSteps<false>(count);
}

// The approximation y: at the last exactly known point y0 = round(RHO x 2^k)
// (within half a unit), then the table entries of every switch. Its error
// against the extended RHO x 2^k is at most table_error (the entries'
// rounding, which telescopes) plus error_, which gathers for every switch
// the extended quotient's and logl's rounding (switch_error) and the
// extended sum's (at most 2^-64 |RHO x 2^k| <= 2^-63 |y| while |y| exceeds
// the whole bound), and the half unit of y0. The bounds are rounded up
// with room to spare for their own double arithmetic.
//
// While |y| >= snap_above + table_error + error_, |RHO| >= 1e-8: RHO keeps
// its value, and its sign is that of y. Otherwise Settle() decides.
template <bool kLargeCells>
int64_t FastChain::ApproximateSteps(int64_t count) {
  const double near_snap = logs_.snap_above() + table_error_;
  const double switch_error = logs_.switch_error();
  const int64_t first_step = steps_;
  int64_t y = y_;
  double error = error_;
  bool at_most_zero = at_most_zero_;
  int64_t counted = 0;
  for (int64_t step = 0; step < count; ++step) {
    const int64_t drawn_before = kLargeCells ? walk_.rng.drawn() : 0;
    const Proposal proposal = Propose(walk_);
    const uint32_t a = static_cast<uint32_t>(*proposal.lowered1);
    const uint32_t b = static_cast<uint32_t>(*proposal.lowered2);
    const uint32_t c1 = static_cast<uint32_t>(*proposal.raised1) + 1;
    const uint32_t d1 = static_cast<uint32_t>(*proposal.raised2) + 1;
    bool switched;
    int64_t change;
    if (kLargeCells && (a | b | c1 | d1) >= FixedLogTable::kSmallCell) [[unlikely]] {
      Products products;
      switched = FinishAnyStep(walk_, proposal, drawn_before, products);
      change = switched ? logs_.Entry(a) + logs_.Entry(b) - logs_.Entry(c1) - logs_.Entry(d1) : 0;
    } else {
      // All four below 2^15: the products stay below 2^30.
      switched = Accepts(walk_.rng, a * b, c1 * d1);
      if (switched) {
        *proposal.lowered1 = static_cast<int32_t>(a - 1);
        *proposal.lowered2 = static_cast<int32_t>(b - 1);
        *proposal.raised1 = static_cast<int32_t>(c1);
        *proposal.raised2 = static_cast<int32_t>(d1);
      }
      change = logs_[a] + logs_[b] - logs_[c1] - logs_[d1];
    }
    if (switched) {
      y += change;
      const double distance = std::fabs(static_cast<double>(y));
      error += switch_error + distance * FixedLogTable::kSumRounding;
      if (distance < near_snap + error) [[unlikely]] {
        steps_ = first_step + step + 1;
        y_ = y;
        error_ = error;
        Settle();
        if (exact_only_) {
          counted += at_most_zero_;
          counts_.went_exact = true;
          return counted + ExactSteps(walk_, exact_rho_, count - step - 1);
        }
        y = y_;
        error = error_;
        at_most_zero = at_most_zero_;
      } else {
        at_most_zero = y < 0;
      }
    }
    counted += at_most_zero;
  }
  steps_ = first_step + count;
  y_ = y;
  error_ = error;
  at_most_zero_ = at_most_zero;
  return counted;
}

void FastChain::Settle() {
  // The bound of the switch just made assumed |y| above the whole bound;
  // one more unit covers its sum's rounding whatever y.
  const Extended bound = static_cast<Extended>(table_error_) + error_ + 1;
  if (fabsl(static_cast<Extended>(y_)) + bound < logs_.snap_below()) {
    // |RHO| < 1e-8 for certain: the step made it exactly 0.
    y_ = 0;
    error_ = 0;
    at_most_zero_ = true;
    ++counts_.certain_snaps;
    if (steps_ - checkpoint_.step >= checkpoint_gap_) SaveCheckpoint(0);
    return;
  }
  ++counts_.replays;
  const Extended rho = ReplayFromCheckpoint();
  SaveCheckpoint(rho);
  KnowExactly(rho);
}

void FastChain::KnowExactly(Extended rho) {
  at_most_zero_ = rho <= 0;
  if (fabsl(rho) > largest_known_rho_) {
    exact_only_ = true;
    exact_rho_ = rho;
    return;
  }
  y_ = llroundl(rho * logs_.units_per_one());
  error_ = 0.5;
}

void FastChain::SaveCheckpoint(Extended rho) {
  std::memcpy(checkpoint_.cells, walk_.cells, sizeof(walk_.cells[0]) * static_cast<size_t>(walk_.N));
  checkpoint_.rng = walk_.rng.Save();
  checkpoint_.rho = rho;
  checkpoint_.step = steps_;
}

Extended FastChain::ReplayFromCheckpoint() const {
  auto walk = std::make_unique<Walk>();
  walk->N = walk_.N;
  walk->M = walk_.M;
  std::memcpy(walk->cells, checkpoint_.cells, sizeof(walk->cells[0]) * static_cast<size_t>(walk_.N));
  walk->rng.Restore(checkpoint_.rng);
  Extended rho = checkpoint_.rho;
  ExactSteps(*walk, rho, steps_ - checkpoint_.step);
  if (walk->rng.drawn() != walk_.rng.drawn() ||
      std::memcmp(walk->cells, walk_.cells, sizeof(walk->cells[0]) * static_cast<size_t>(walk_.N)) != 0) {
    throw std::logic_error("the Fisher chain's replay left the path it replays");
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
