#include "model/internal/gene_counting.h"

#include "simd/vector_lanes.h"

namespace gorvan {
namespace {

constexpr uint32_t kLargestOutput = 0xffffffffU;

using lanes::EightInts;
using lanes::EightWords;
using lanes::FourInts;
using lanes::FourWords;
using lanes::Load;

template <typename Lanes, typename Counts>
[[gnu::always_inline]] inline int32_t CountAtOrBelow(const uint32_t* outputs, int count,
                                                     uint32_t limit) {
  constexpr int kWidth = lanes::kLanes<Lanes>;
  Counts lanes_at_or_below{};
  int i = 0;
  for (; i + kWidth <= count; i += kWidth) {
    const Lanes u = Load<Lanes>(outputs + i);
    // A true comparison is all ones: -1 per output at or below the limit.
    lanes_at_or_below -= (u <= limit);
  }
  int32_t total = 0;
  for (int j = 0; j < kWidth; ++j) total += lanes_at_or_below[j];
  for (; i < count; ++i) total += outputs[i] <= limit;
  return total;
}

template <typename Lanes, typename Counts>
[[gnu::always_inline]] inline void CountAtOrBelowEach(const uint32_t* outputs, int count,
                                                      const GeneThresholds& thresholds,
                                                      AlleleTally& at_or_below) {
  for (int k = 1; k <= thresholds.alleles; ++k) {
    const uint32_t limit = thresholds.limit[k];
    // Every output lies at or below the largest one: nothing to compare.
    at_or_below[k] +=
        limit == kLargestOutput ? count : CountAtOrBelow<Lanes, Counts>(outputs, count, limit);
  }
}

void CountAtOrBelowPortable(const uint32_t* outputs, int count, const GeneThresholds& thresholds,
                            AlleleTally& at_or_below) {
  CountAtOrBelowEach<FourWords, FourInts>(outputs, count, thresholds, at_or_below);
}

[[gnu::target("avx2")]] void CountAtOrBelowAvx2(const uint32_t* outputs, int count,
                                                const GeneThresholds& thresholds,
                                                AlleleTally& at_or_below) {
  CountAtOrBelowEach<EightWords, EightInts>(outputs, count, thresholds, at_or_below);
}

[[gnu::always_inline]] inline int AlleleOf(uint32_t u, const GeneThresholds& thresholds,
                                           const AlleleGuide& guide) {
  int k = guide.first[u >> (32 - kGuideBits)];
  // Most slices hold no limit, so the search mostly ends at once and the
  // branch is well predicted; limit[alleles + 1], the largest output, ends
  // it in any case.
  while (u > thresholds.limit[k]) [[unlikely]] {
      ++k;
    }
  return k;
}

}  // namespace

void CountAtOrBelowLimits(const uint32_t* outputs, int count, const GeneThresholds& thresholds,
                          AlleleTally& at_or_below, VectorCode code) {
  if (code == VectorCode::kAvx2) {
    CountAtOrBelowAvx2(outputs, count, thresholds, at_or_below);
  } else {
    CountAtOrBelowPortable(outputs, count, thresholds, at_or_below);
  }
}

void CountByGuide(const uint32_t* outputs, int count, const GeneThresholds& thresholds,
                  const AlleleGuide& guide, AlleleTally& tally) {
  // Four tallies taken in turn, so that genes in a row going to the same
  // allele do not each wait for the previous one's count to be stored.
  constexpr int kTallies = 4;
  AlleleTally partial[kTallies] = {};
  int i = 0;
  for (; i + kTallies <= count; i += kTallies) {
    for (int j = 0; j < kTallies; ++j) ++partial[j][AlleleOf(outputs[i + j], thresholds, guide)];
  }
  for (; i < count; ++i) ++partial[0][AlleleOf(outputs[i], thresholds, guide)];
  for (int k = 1; k <= thresholds.alleles + 1; ++k) {
    for (const AlleleTally& part : partial) tally[k] += part[k];
  }
}

}  // namespace gorvan
