#include "stats/fisher/batch_error.h"

#include <cmath>

#include "base/checked_math.h"

namespace gorvan {

Extended BatchStandardError(Extended sum, Extended sum_of_squares, int32_t batches) {
  const Extended variance =
      (sum_of_squares - sum * sum / batches) / batches / CheckedSub(batches, 1);
  return variance > 0 ? sqrtl(variance) : 0;
}

}  // namespace gorvan
