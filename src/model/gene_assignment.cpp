#include "model/gene_assignment.h"

#include "base/internal_check.h"

namespace gorvan {

int AlleleBeyondTheLastSum(const double (&frequency)[kMaxAlleles + 1], int allele_count) {
  for (int k = allele_count; k >= 1; --k) {
    if (frequency[k] > 0) return k;
  }
  return allele_count;
}

int AssignGene(const double (&frequency)[kMaxAlleles + 1], int allele_count, Extended draw) {
  // The capacity check after reading keeps every locus within the array.
  Check(allele_count >= 0 && allele_count <= kMaxAlleles, "allele count beyond the capacity");
  // Summed from allele 1 in extended precision: the rounding of each partial
  // sum decides the draws that fall on or near a boundary.
  Extended cumulative = 0;
  for (int k = 1; k <= allele_count; ++k) {
    cumulative += static_cast<Extended>(frequency[k]);
    if (draw <= cumulative) return k;
  }
  return AlleleBeyondTheLastSum(frequency, allele_count);
}

}  // namespace gorvan
