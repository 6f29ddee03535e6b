// ln Gamma by the six-term Lanczos series (shifts 5.5 and 0.5), accurate to
// about 2E-10 for positive arguments.
#include "stats/chisquare/tail/gammln.h"

#include <cmath>

namespace gorvan {
namespace {

constexpr Extended STP = 2.50662827465L;
constexpr Extended kLanczos[6] = {76.18009173L,  -86.50532033L,   24.01409822L,
                                  -1.231739516L, 0.120858003E-2L, -0.536382E-5L};

}  // namespace

Extended GAMMLN(Extended XX) {
  // The series gives ln Gamma(X + 1); below 1 the argument is used as it is
  // and Gamma(XX + 1) = XX Gamma(XX) takes the step back afterwards.
  const bool below_one = XX < 1;
  const Extended X = below_one ? XX : XX - 1;
  Extended TMP = X + 5.5L;
  TMP = (X + 0.5L) * std::log(TMP) - TMP;
  Extended SER = 1;
  for (int k = 0; k < 6; ++k) SER = SER + kLanczos[k] / (X + (k + 1));
  Extended result = TMP + std::log(STP * SER);
  if (below_one) result = result - std::log(XX);
  return result;
}

}  // namespace gorvan
