#include "stats/fisher/internal/fisher_chain_log_entries.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>

#include "base/extended.h"
#include "base/internal_check.h"

namespace gorvan {
namespace {

// Entries made at the least when a scale's table grows, so that tables of
// small cells are made in one go.
constexpr uint32_t kFewestMade = 256;

// One scale's entries, made from the start as far as they have been asked
// for. Entries below `made_` are written before `made_` is raised (with
// release) and never again, so a reader that has seen `made_` at or above
// its count (with acquire) reads finished entries without a lock. Growth
// takes the lock; the storage for every entry is set aside at the first
// growth and never moves, so pointers handed out stay valid.
class ScaleEntries {
 public:
  const int64_t* Reach(int fraction_bits, uint32_t count) {
    // An entries pointer is read only after a growth has set it.
    count = std::max(count, uint32_t{1});
    if (made_.load(std::memory_order_acquire) >= count) return entries_;
    std::lock_guard<std::mutex> lock(mutex_);
    const uint32_t made = made_.load(std::memory_order_relaxed);
    if (made < count) {
      if (entries_ == nullptr) entries_ = new int64_t[kSharedLogEntries];
      // Doubling keeps the work of all growths within twice the largest.
      const uint32_t target = std::min(kSharedLogEntries, std::max({count, 2 * made, kFewestMade}));
      const Extended units_per_one = ldexpl(1, fraction_bits);
      for (uint32_t m = made; m < target; ++m) entries_[m] = EntryAt(m, units_per_one);
      made_.store(target, std::memory_order_release);
    }
    return entries_;
  }

 private:
  // The entry as each chain made it for itself: ln 0 counts as 0 (E(0) is
  // never added).
  static int64_t EntryAt(uint32_t m, Extended units_per_one) {
    const Extended log = m == 0 ? 0 : logl(static_cast<Extended>(m));
    return llroundl(log * units_per_one);
  }

  std::mutex mutex_;
  std::atomic<uint32_t> made_{0};
  int64_t* entries_ = nullptr;
};

// Made on first use and never destroyed: a worker thread may still be
// reading entries while the program ends.
ScaleEntries* AllScales() {
  static ScaleEntries* const scales = new ScaleEntries[kFinestSharedFractionBits + 1];
  return scales;
}

}  // namespace

const int64_t* SharedLogEntries(int fraction_bits, uint32_t count) {
  Check(fraction_bits >= 0 && fraction_bits <= kFinestSharedFractionBits &&
            count <= kSharedLogEntries,
        "no shared logarithm entries at this scale or count");
  return AllScales()[fraction_bits].Reach(fraction_bits, count);
}

}  // namespace gorvan
