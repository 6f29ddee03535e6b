// The logarithm of the gamma function.
#pragma once

#include "base/extended.h"

namespace gorvan {

// ln Gamma(XX) for XX > 0 (six-term Lanczos series).
Extended GAMMLN(Extended XX);

}  // namespace gorvan
