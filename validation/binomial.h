// Binomial acceptance intervals for proportions of significant runs.
#pragma once

namespace gorvan::validation {

// The counts k_low..k_high that hold a Binomial(n, p) count with
// probability at least `coverage`, cutting at most (1 - coverage) / 2 from
// each tail.
struct CountInterval {
  int low, high;
};
CountInterval BinomialInterval(int n, double p, double coverage);

// Probability that a Binomial(n, p) count is at most k.
double BinomialCdf(int k, int n, double p);

// The standard error of a proportion `share` estimated from n runs.
double ProportionStandardError(double share, int n);

}  // namespace gorvan::validation
