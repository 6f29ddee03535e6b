#include "stats/fisher/internal/fisher_chain_log_entries.h"

#include <cmath>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/extended.h"
#include "base/internal_check.h"

namespace gorvan {
namespace {

// What each chain computed for itself before the entries were shared.
std::vector<int64_t> EntriesMadeByOneChain(int fraction_bits) {
  std::vector<Extended> logs(kSharedLogEntries, 0);
  for (uint32_t m = 1; m < kSharedLogEntries; ++m) logs[m] = logl(static_cast<Extended>(m));
  std::vector<int64_t> entries(kSharedLogEntries);
  const Extended units_per_one = ldexpl(1, fraction_bits);
  for (uint32_t m = 0; m < kSharedLogEntries; ++m) entries[m] = llroundl(logs[m] * units_per_one);
  return entries;
}

// Every entry at the scales the chain uses, the finest and the coarsest
// included, asked for a few at first and then all.
TEST(SharedLogEntriesTest, AreTheEntriesEachChainMadeForItself) {
  for (int fraction_bits : {56, 48, 40, 32, 30, 0}) {
    const std::vector<int64_t> expected = EntriesMadeByOneChain(fraction_bits);
    for (uint32_t count : {uint32_t{2}, uint32_t{300}, kSharedLogEntries}) {
      const int64_t* entries = SharedLogEntries(fraction_bits, count);
      for (uint32_t m = 0; m < count; ++m) {
        ASSERT_EQ(entries[m], expected[m]) << "scale " << fraction_bits << ", m " << m;
      }
    }
  }
  EXPECT_THROW(SharedLogEntries(57, 2), InternalError);
  EXPECT_THROW(SharedLogEntries(-1, 2), InternalError);
  EXPECT_THROW(SharedLogEntries(56, kSharedLogEntries + 1), InternalError);
}

// Several threads ask at once, for growing counts at scales no other test
// here touches, so that they meet while the tables grow; every entry each
// one reads is finished and right. (Run under ThreadSanitizer as well.)
TEST(SharedLogEntriesTest, ThreadsAskingAtOnceReadFinishedEntries) {
  constexpr int kScales = 4;
  constexpr int kFirstScale = 10;
  std::vector<std::vector<int64_t>> expected;
  for (int scale = 0; scale < kScales; ++scale) {
    expected.push_back(EntriesMadeByOneChain(kFirstScale + scale));
  }
  constexpr int kThreads = 6;
  std::vector<int> wrong(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (uint32_t count = 2 + t; count <= kSharedLogEntries; count += count / 2 + 1) {
        for (int step = 0; step < kScales; ++step) {
          const int scale = (step + t) % kScales;  // each thread in its own order
          const int64_t* entries = SharedLogEntries(kFirstScale + scale, count);
          for (uint32_t m = 0; m < count; ++m) wrong[t] += entries[m] != expected[scale][m];
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace gorvan
