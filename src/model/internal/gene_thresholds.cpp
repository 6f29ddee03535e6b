#include "model/internal/gene_thresholds.h"

#include <cmath>
#include <cstring>

#include "model/gene_assignment.h"

namespace gorvan {
namespace {

constexpr uint32_t kLargestOutput = 0xffffffffU;

}  // namespace

bool MakeGeneThresholds(const double (&frequency)[kMaxAlleles + 1], int allele_count,
                        GeneThresholds& thresholds) {
  if (allele_count < 1 || allele_count > kMaxAlleles) return false;
  thresholds.alleles = allele_count;
  // Summed exactly as AssignGene sums them for every gene.
  Extended cumulative = 0;
  uint32_t previous = 0;
  for (int k = 1; k <= allele_count; ++k) {
    cumulative += static_cast<Extended>(frequency[k]);
    const Extended scaled = cumulative * 0x1p32L;  // exact: a power of 2
    if (!(scaled >= 0)) return false;              // negative, or not a number
    const uint32_t limit =
        scaled >= 0x1p32L ? kLargestOutput : static_cast<uint32_t>(floorl(scaled));
    if (limit < previous) return false;
    thresholds.limit[k] = previous = limit;
  }
  thresholds.limit[allele_count + 1] = kLargestOutput;
  thresholds.beyond = AlleleBeyondTheLastSum(frequency, allele_count);
  return true;
}

void MakeAlleleGuide(const GeneThresholds& thresholds, AlleleGuide& guide) {
  constexpr int kSliceShift = 32 - kGuideBits;
  // Allele k's limit reaches into slice j exactly when limit[k]'s top bits
  // are at least j, so each allele is the first one for the slices from the
  // one after its predecessor's top slice up to its own; limit[alleles + 1]
  // is the largest output and closes the last slice.
  int next_slice = 0;
  for (int k = 1; k <= thresholds.alleles + 1 && next_slice < (1 << kGuideBits); ++k) {
    const int top_slice = static_cast<int>(thresholds.limit[k] >> kSliceShift);
    if (top_slice < next_slice) continue;
    std::memset(guide.first + next_slice, k, static_cast<size_t>(top_slice - next_slice) + 1);
    next_slice = top_slice + 1;
  }
}

}  // namespace gorvan
